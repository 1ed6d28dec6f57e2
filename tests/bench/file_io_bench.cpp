// The cost of reading module files: the byte reader against the library's
// own byte call on a normal packfile, and loading a large JGM stream
// (64 patterns of 64 rows x 32 channels, every cell filled, 1 MB of samples).
//
//   file_io_bench      bytes per second, and milliseconds per load
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <benchmark/benchmark.h>

#include "jgmod_internal.h"

namespace {

const int kFileBytes = 1 << 20;

struct Scratch {
    Scratch()
    {
        char pattern[] = "/tmp/zq_bench_XXXXXX";
        int descriptor = mkstemp(pattern);
        close(descriptor);
        path = pattern;
    }
    ~Scratch() { remove(path.c_str()); }
    std::string path;
};

void install_library()
{
    static bool installed = false;
    if (!installed)
        install_allegro(SYSTEM_NONE, &errno, atexit);
    installed = true;
}

const Scratch &byte_file()
{
    static Scratch file;
    static bool written = false;
    if (!written) {
        FILE *out = fopen(file.path.c_str(), "wb");
        for (int index = 0; index < kFileBytes; index++)
            fputc(index * 13, out);
        fclose(out);
        written = true;
    }
    return file;
}

template <int (*read_byte)(PACKFILE *)>
void read_whole_file(benchmark::State &state)
{
    install_library();
    const Scratch &file = byte_file();
    for (auto _ : state) {
        PACKFILE *f = pack_fopen(file.path.c_str(), F_READ);
        long sum = 0;
        int c;
        while ((c = read_byte(f)) != EOF)
            sum += c;
        pack_fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kFileBytes);
}

void BM_JgmodGetc(benchmark::State &state)
{
    read_whole_file<jgmod_getc>(state);
}
BENCHMARK(BM_JgmodGetc);

void BM_LibraryPackGetc(benchmark::State &state)
{
    read_whole_file<pack_getc>(state);
}
BENCHMARK(BM_LibraryPackGetc);

JGMOD *large_module()
{
    const int channels = 32, patterns = 64, rows = 64, samples = 4, frames = 1 << 18;
    JGMOD *j = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    j->channel_count = channels;
    j->pattern_count = patterns;
    j->order_count = patterns;
    j->sample_count = samples;
    j->tempo = 6;
    j->bpm = 125;
    for (int order = 0; order < patterns; order++)
        j->order_table[order] = order;
    j->sample_info = (SAMPLE_INFO *)jgmod_calloc(sizeof(SAMPLE_INFO) * samples);
    j->samples = (SAMPLE *)jgmod_calloc(sizeof(SAMPLE) * samples);
    for (int index = 0; index < samples; index++) {
        j->sample_info[index].length = frames;
        j->samples[index].bits = 8;
        j->samples[index].len = frames;
        j->samples[index].data = jgmod_calloc(frames);
        memset(j->samples[index].data, 0x80 + index, frames);
    }
    j->pattern_info = (PATTERN_INFO *)jgmod_calloc(sizeof(PATTERN_INFO) * patterns);
    for (int pattern = 0; pattern < patterns; pattern++) {
        PATTERN_INFO &pi = j->pattern_info[pattern];
        pi.row_count = rows;
        pi.notes = (NOTE_INFO *)jgmod_calloc(sizeof(NOTE_INFO) * rows * channels);
        for (int cell = 0; cell < rows * channels; cell++)
            pi.notes[cell] = {1 + cell % samples, 3579546 / (113 + cell % 800), 16 + cell % 64,
                              cell % 0x28, cell % 256};
    }
    return j;
}

void BM_LoadLargeJgm(benchmark::State &state)
{
    install_library();
    Scratch file;
    JGMOD *j = large_module();
    PACKFILE *out = pack_fopen(file.path.c_str(), F_WRITE);
    if (save_jgm(out, j) != 1)
        state.SkipWithError(jgmod_error);
    pack_fclose(out);
    destroy_mod(j);
    for (auto _ : state) {
        PACKFILE *in = pack_fopen(file.path.c_str(), F_READ);
        JGMOD *loaded = load_jgm(in);
        pack_fclose(in);
        if (loaded == NULL)
            state.SkipWithError(jgmod_error);
        destroy_mod(loaded);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)file_size_ex(file.path.c_str()));
}
BENCHMARK(BM_LoadLargeJgm)->Unit(benchmark::kMillisecond);

}  // namespace
