// Writes the seed inputs of the fuzz targets into a folder: small modules of
// every format the test builders make, the same songs in JGM, and packages.
#include <stdio.h>

#include <string>

#include "support/jgm_stream.h"
#include "support/module_files.h"

static Bytes as_jgm(const Bytes &module)
{
    ScratchFile file(module);
    JGMOD *j = load_mod(file.path());
    int result = 0;
    Bytes stream = j != NULL ? save_jgm_bytes(j, &result) : Bytes();
    destroy_mod(j);
    return stream;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    install_allegro_for_files();
    ModFile m15 = generated_mod("M.K.", 4);
    m15.sample_count = 15;
    m15.samples.resize(15);
    XmFile v0102 = generated_xm(1), v0103 = generated_xm(0);
    v0102.version = 0x0102;
    v0103.version = 0x0103;
    const Bytes mod = build_mod(generated_mod("M.K.", 4)), s3m = build_s3m(generated_s3m());
    const Bytes xm = build_xm(generated_xm(1));
    const std::pair<const char *, Bytes> seeds[] = {
        {"mk.mod", mod},
        {"8chn.mod", build_mod(generated_mod("8CHN", 8))},
        {"fifteen.mod", build_mod(m15)},
        {"gaps.s3m", s3m},
        {"linear.xm", xm},
        {"amiga.xm", build_xm(generated_xm(0))},
        {"v0102.xm", build_xm(v0102)},
        {"v0103.xm", build_xm(v0103)},
        {"song.it", build_it("song")},
        {"s3m.umx", build_unreal_package(s3m, 100)},
        {"xm.umx", build_unreal_package(xm, 60)},
        {"it.umx", build_unreal_package(build_it("packed"), 33)},
        {"mod.jgm", as_jgm(mod)},
        {"s3m.jgm", as_jgm(s3m)},
        {"xm.jgm", as_jgm(xm)},
    };
    for (const auto &seed : seeds)
        write_file_bytes((std::string(argv[1]) + "/" + seed.first).c_str(), seed.second);
    return 0;
}
