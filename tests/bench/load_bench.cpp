// Loading the shared folder's MOD, S3M and XM files: our dispatcher against
// the peer library's loader, side by side in one run. The ratio of the two
// times is the figure; absolute times depend on the machine.
#include <errno.h>
#include <stdlib.h>
#include <xmp.h>

#include <algorithm>
#include <string>
#include <vector>

#include <dirent.h>

#include <benchmark/benchmark.h>

#include "jgmod.h"

namespace {

std::vector<std::string> tracker_files()
{
    std::vector<std::string> files;
    std::string folder = std::string(ZQ_SOURCE_DIR) + "/../shared/modules";
    DIR *dir = opendir(folder.c_str());
    while (dirent *entry = dir != NULL ? readdir(dir) : NULL) {
        std::string name = entry->d_name;
        std::string kind = name.substr(name.rfind('.') + 1);
        std::transform(kind.begin(), kind.end(), kind.begin(), ::tolower);
        if (kind == "mod" || kind == "s3m" || kind == "xm")
            files.push_back(folder + "/" + name);
    }
    if (dir != NULL)
        closedir(dir);
    return files;
}

const std::vector<std::string> &files()
{
    static const std::vector<std::string> list = [] {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        return tracker_files();
    }();
    return list;
}

void BM_LoadOurs(benchmark::State &state)
{
    if (files().empty())
        state.SkipWithError("no shared module folder beside the source tree");
    for (auto _ : state) {
        for (const std::string &path : files()) {
            JGMOD *j = load_mod(path.c_str());
            benchmark::DoNotOptimize(j);
            destroy_mod(j);
        }
    }
    state.counters["files"] = (double)files().size();
}
BENCHMARK(BM_LoadOurs)->Unit(benchmark::kMillisecond);

void BM_LoadPeer(benchmark::State &state)
{
    if (files().empty())
        state.SkipWithError("no shared module folder beside the source tree");
    xmp_context context = xmp_create_context();
    for (auto _ : state) {
        for (const std::string &path : files()) {
            if (xmp_load_module(context, const_cast<char *>(path.c_str())) == 0)
                xmp_release_module(context);
        }
    }
    xmp_free_context(context);
    state.counters["files"] = (double)files().size();
}
BENCHMARK(BM_LoadPeer)->Unit(benchmark::kMillisecond);

}  // namespace
