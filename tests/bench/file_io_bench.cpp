// The byte reader against the library's own byte call over a 1 MB normal
// packfile (bytes per second).
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "jgmod_internal.h"

namespace {

const long kFileBytes = 1 << 20;
char path[] = "/tmp/zq_bench_XXXXXX";

// Written once for both readers, removed at exit.
const bool written = [] {
    install_allegro(SYSTEM_NONE, &errno, atexit);
    FILE *out = fdopen(mkstemp(path), "wb");
    for (long index = 0; index < kFileBytes; index++)
        fputc((int)(index * 13), out);
    atexit([] { remove(path); });
    return fclose(out) == 0;
}();

template <int (*read_byte)(PACKFILE *)> void read_whole_file(benchmark::State &state)
{
    for (auto _ : state) {
        PACKFILE *f = pack_fopen(path, F_READ);
        long sum = 0;
        for (int c; (c = read_byte(f)) != EOF;)
            sum += c;
        pack_fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(written ? state.iterations() * kFileBytes : 0);
}
BENCHMARK_TEMPLATE(read_whole_file, jgmod_getc)->Name("BM_JgmodGetc");
BENCHMARK_TEMPLATE(read_whole_file, pack_getc)->Name("BM_LibraryPackGetc");

}  // namespace
