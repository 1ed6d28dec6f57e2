// The cost of one tick of the player: a 32-channel note-number module with
// an effect on every channel and envelopes on every note, against silent
// voices and a timer that never fires (the benchmark calls the handler).
//
//   tick_bench                                  ns per tick, and its share of 20 ms
//   valgrind --tool=callgrind --toggle-collect=mod_interrupt
//       tick_bench --benchmark_filter=FixedCount  instructions for 10000 ticks
#include <string.h>

#include <benchmark/benchmark.h>

#include "jgmod_internal.h"
#include "jgmod_timer.h"

namespace {

const int kChannels = 32;
const int kRows = 64;
const int kFixedTicks = 10000;
const double kTickSeconds = 0.020;  // between ticks at 125 bpm

int next_voice = 0;
int silent_allocate(const SAMPLE *) { return next_voice++; }
void silent_reallocate(int, const SAMPLE *) {}
void silent_voice(int) {}
void silent_set(int, int) {}
int silent_position(int) { return 0; }

const JGMOD_VOICE_DRIVER silent_voices = {
    silent_allocate, silent_reallocate, silent_voice,  silent_voice, silent_voice, silent_set,
    silent_set,      silent_set,        silent_set,    silent_set,   silent_position,
};

int idle_install(void (*)(void), long) { return 0; }
void idle_remove(void (*)(void)) {}
const JGMOD_TIMER_DRIVER idle_timer = {idle_install, idle_remove};

// Effects that keep working on the ticks after the first: (command, parameter).
const int kEffects[][2] = {
    {0x00, 0x47}, {0x01, 0x02}, {0x02, 0x02}, {0x03, 0x08}, {0x04, 0x48}, {0x05, 0x01},
    {0x06, 0x10}, {0x07, 0x44}, {0x0A, 0x01}, {0x0E, 0x93}, {0x11, 0x01}, {0x12, 0x01},
    {0x13, 0x01}, {0x14, 0x21}, {0x15, 0x37}, {0x16, 0x10}, {0x17, 0x01}, {0x18, 0x83},
    {0x19, 0x44}, {0x1B, 0x48}, {0x1E, 0x01}, {0x1F, 0x01}, {0x20, 0x01}, {0x21, 0x10},
    {0x22, 0x01}, {0x23, 0x01}, {0x26, 0x01}, {0x0E, 0x11}, {0x0E, 0x21}, {0x27, 0x11},
    {0x25, 0x04}, {0x0E, 0xC5},
};
static_assert(sizeof kEffects / sizeof kEffects[0] == kChannels, "one effect per channel");

template <typename T>
T *zeroed(int count)
{
    return (T *)jgmod_calloc((long)sizeof(T) * count);
}

void give_envelopes(INSTRUMENT_INFO *ii)
{
    int ticks[] = {0, 8, 16, 24};
    int values[] = {64, 40, 56, 20};
    for (int point = 0; point < 4; point++) {
        ii->volume_env_tick[point] = ticks[point];
        ii->volume_env_value[point] = values[point];
        ii->pan_env_tick[point] = ticks[point];
        ii->pan_env_value[point] = 64 - values[point] / 2;
    }
    ii->volume_env_points = ii->pan_env_points = 4;
    ii->volume_env_flags = ii->pan_env_flags = 1 | 4;  // on, looping
    ii->volume_env_loop_start = ii->pan_env_loop_start = 1;
    ii->volume_env_loop_end = ii->pan_env_loop_end = 3;
    ii->fadeout = 256;
}

JGMOD *build_busy_module()
{
    JGMOD *j = zeroed<JGMOD>(1);
    strcpy(j->name, "tick benchmark");
    j->flags = XM_MODE | LINEAR_MODE;
    j->channel_count = kChannels;
    j->tempo = 6;
    j->bpm = 125;
    j->global_volume = 64;
    j->order_count = 1;
    j->pattern_count = 1;
    j->sample_count = 1;
    j->instrument_count = 1;
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        j->channel_pan[channel] = 128;
    j->sample_info = zeroed<SAMPLE_INFO>(1);
    j->sample_info[0] = {1024, 128, 0, 64, 128, 0, 1024, LOOP_FORWARD, 0, 0, 0, 0};
    j->samples = zeroed<SAMPLE>(1);
    j->samples[0].bits = 8;
    j->samples[0].freq = 1000;
    j->samples[0].len = 1024;
    j->samples[0].loop_end = 1024;
    j->samples[0].data = jgmod_calloc(1024);
    j->instrument_info = zeroed<INSTRUMENT_INFO>(1);
    give_envelopes(&j->instrument_info[0]);
    j->pattern_info = zeroed<PATTERN_INFO>(1);
    j->pattern_info[0].row_count = kRows;
    j->pattern_info[0].notes = zeroed<NOTE_INFO>(kRows * kChannels);
    for (int row = 0; row < kRows; row++) {
        for (int channel = 0; channel < kChannels; channel++) {
            NOTE_INFO *cell = get_note(j, 0, row, channel);
            if (row % 8 == 0) {  // a fresh note now and then keeps the slides in range
                cell->sample = 1;
                cell->note = 37 + channel % 24;
            }
            cell->command = kEffects[channel][0];
            cell->parameter = kEffects[channel][1];
        }
    }
    return j;
}

// Installs the player on 32 silent voices and plays the module, looping.
JGMOD *start_song()
{
    jgmod_voices = &silent_voices;
    jgmod_timer = &idle_timer;
    next_voice = 0;
    if (install_mod(kChannels) != 1)
        return nullptr;
    JGMOD *j = build_busy_module();
    play_mod(j, 1);
    return j;
}

void end_song(JGMOD *j)
{
    destroy_mod(j);
    remove_mod();
}

void report(benchmark::State &state)
{
    // Seconds per tick over the 20 ms a tick may take at 125 bpm.
    state.counters["share_of_20ms"] = benchmark::Counter(
        (double)state.iterations() * kTickSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Tick32Channels(benchmark::State &state)
{
    JGMOD *j = start_song();
    if (j == nullptr) {
        state.SkipWithError("install_mod failed");
        return;
    }
    for (auto _ : state)
        mod_interrupt();
    report(state);
    end_song(j);
}
BENCHMARK(BM_Tick32Channels);

// A fixed number of ticks, for counting instructions under callgrind.
void BM_Tick32ChannelsFixedCount(benchmark::State &state)
{
    JGMOD *j = start_song();
    if (j == nullptr) {
        state.SkipWithError("install_mod failed");
        return;
    }
    for (auto _ : state)
        mod_interrupt();
    report(state);
    end_song(j);
}
BENCHMARK(BM_Tick32ChannelsFixedCount)->Iterations(kFixedTicks);

}  // namespace
