// The cost of one tick: a 32-channel note-number module with an effect on
// every channel and envelopes on every note, on silent voices, the benchmark
// calling the tick handler. For instructions per 10000 ticks:
//   valgrind --tool=callgrind --toggle-collect=mod_interrupt
//       tick_bench --benchmark_filter=iterations
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "jgmod_timer.h"
#include "support/module_builder.h"

namespace {

const int kChannels = 32;
const int kRows = 64;

int next_voice = 0;
void no_voice(int) {}
void no_set(int, int) {}
const JGMOD_VOICE_DRIVER silent_voices = {
    [](const SAMPLE *) { return next_voice++; }, [](int, const SAMPLE *) {}, no_voice, no_voice,
    no_voice, no_set, no_set, no_set, no_set, no_set, [](int) { return 0; },
};
const JGMOD_TIMER_DRIVER idle_timer = {[](void (*)(void), long) { return 0; },
                                       [](void (*)(void)) {}};

// Effects that keep working on the ticks after the first: command << 8 | parameter.
const int kEffects[kChannels] = {
    0x0047, 0x0102, 0x0202, 0x0308, 0x0448, 0x0501, 0x0610, 0x0744, 0x0A01, 0x0E93, 0x1101,
    0x1201, 0x1301, 0x1421, 0x1537, 0x1610, 0x1701, 0x1883, 0x1944, 0x1B48, 0x1E01, 0x1F01,
    0x2001, 0x2110, 0x2201, 0x2301, 0x2601, 0x0E11, 0x0E21, 0x2711, 0x2504, 0x0EC5,
};

JGMOD *build_busy_module()
{
    JGMOD *j = build_module(kChannels, 1, kRows, 1, XM_MODE | LINEAR_MODE, 1);
    j->sample_info[0] = {1024, 128, 0, 64, 128, 0, 1024, LOOP_FORWARD, 0, 0, 0, 0};
    free(j->samples[0].data);
    j->samples[0] = SAMPLE{8, 0, 1000, 0, 1024, 0, 1024, 0, jgmod_calloc(1024)};
    // Looping volume and pan envelopes, and a fade-out.
    INSTRUMENT_INFO *ii = j->instrument_info;
    const int values[] = {64, 40, 56, 20};
    for (int point = 0; point < 4; point++) {
        ii->volume_env_tick[point] = ii->pan_env_tick[point] = 8 * point;
        ii->volume_env_value[point] = values[point];
        ii->pan_env_value[point] = 64 - values[point] / 2;
    }
    ii->volume_env_points = ii->pan_env_points = 4;
    ii->volume_env_flags = ii->pan_env_flags = 1 | 4;
    ii->volume_env_loop_start = ii->pan_env_loop_start = 1;
    ii->volume_env_loop_end = ii->pan_env_loop_end = 3;
    ii->fadeout = 256;
    // A fresh note now and then keeps slides in range.
    for (int row = 0; row < kRows; row++) {
        for (int channel = 0; channel < kChannels; channel++) {
            bool fresh = row % 8 == 0;
            set_cell(j, 0, row, channel, fresh, fresh ? 37 + channel % 24 : 0, 0,
                     kEffects[channel] >> 8, kEffects[channel] & 0xFF);
        }
    }
    return j;
}

// Plays the module, looping, on 32 silent voices; also registered with a fixed
// count of ticks for counting instructions under callgrind.
void BM_Tick32Channels(benchmark::State &state)
{
    jgmod_voices = &silent_voices;
    jgmod_timer = &idle_timer;
    next_voice = 0;
    if (install_mod(kChannels) != 1)
        return state.SkipWithError("install_mod failed");
    JGMOD *j = build_busy_module();
    play_mod(j, 1);
    for (auto _ : state)
        mod_interrupt();
    // Seconds per tick over the 20 ms between ticks at 125 bpm.
    state.counters["share_of_20ms"] = benchmark::Counter(
        state.iterations() * 0.020, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    destroy_mod(j);
    remove_mod();
}
BENCHMARK(BM_Tick32Channels);
BENCHMARK(BM_Tick32Channels)->Iterations(10000);

}  // namespace
