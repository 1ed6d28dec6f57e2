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

const std::vector<std::string> files = [] {
    install_allegro(SYSTEM_NONE, &errno, atexit);
    return shared_module_files(ZQ_SOURCE_DIR, true);
}();

template <typename Load> void load_all(benchmark::State &state, Load load)
{
    if (files.empty())
        state.SkipWithError("no shared module folder beside the source tree");
    for (auto _ : state) {
        for (const std::string &path : files)
            load(path.c_str());
    }
    state.counters["files"] = (double)files.size();
}

void BM_LoadOurs(benchmark::State &state)
{
    load_all(state, [](const char *path) { destroy_mod(load_mod(path)); });
}
BENCHMARK(BM_LoadOurs)->Unit(benchmark::kMillisecond);

void BM_LoadPeer(benchmark::State &state)
{
    xmp_context context = xmp_create_context();
    load_all(state, [context](const char *path) {
        if (xmp_load_module(context, const_cast<char *>(path)) == 0)
            xmp_release_module(context);
    });
    xmp_free_context(context);
}
BENCHMARK(BM_LoadPeer)->Unit(benchmark::kMillisecond);

}  // namespace
