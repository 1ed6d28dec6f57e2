// Loading the shared folder's MOD, S3M and XM files: our dispatcher against
// the peer library's loader, side by side in one run. The ratio of the two
// times is the figure; absolute times depend on the machine.
#include <errno.h>
#include <stdlib.h>
#include <xmp.h>

#include <benchmark/benchmark.h>

#include "jgmod.h"
#include "support/module_files.h"

namespace {

const std::vector<std::string> &files()
{
    static const std::vector<std::string> list = [] {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        return shared_module_files(ZQ_SOURCE_DIR, true);
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
