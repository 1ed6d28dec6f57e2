// Golden traces: a module that uses every effect command 0x00..0x27, every
// volume-column range and both note commands, a period module, and three
// edge modules (the row walk, clamps and floors, zero parameters without a
// memory), saved as JGM and traced by modtool; any change in playback shows
// as a changed tests/golden/*.tsv. To accept one, run with ZQ_UPDATE_GOLDEN=1
// and review it. The edge traces were written while the hand-written tests
// they replaced still passed on the same player, so their values are the ones
// those tests reasoned out; keep it so when a trace is rewritten.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/golden.h"
#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/module_checks.h"
#include "support/packfile_helpers.h"

namespace {

struct Cell { int row, channel, instrument, note, volume, command, parameter; };
typedef std::vector<std::vector<Cell>> Patterns;

const int kOff = NOTE_KEY_OFF, kCut = NOTE_CUT;

// Instrument 1 has looping, sustaining envelopes and a fade-out; instrument 2
// has none. Notes are note numbers 1..96.
const Patterns kPatterns = {
    // ProTracker (rows 0-7, looping over 4-6), S3M (8-9), then XM, envelopes,
    // key-off, note cut and the importers' extended codes (10-15).
    {
        {0, 0, 1, 49, 0, 0x00, 0x47}, {0, 1, 2, 61, 0, 0x01, 0x08}, {0, 2, 1, 37, 0, 0x02, 0x04},
        {0, 3, 2, 49, 0x40, 0x04, 0x46}, {0, 4, 1, 55, 0, 0x07, 0x48}, {0, 5, 2, 60, 0, 0x08, 0x40},
        {0, 6, 1, 49, 0, 0x09, 0x01}, {0, 7, 2, 40, 0, 0x0A, 0x20}, {1, 0, 0, 0, 0, 0x00, 0x00},
        {1, 1, 0, 0, 0x65, 0x01, 0x00}, {1, 2, 0, 44, 0, 0x03, 0x10}, {1, 3, 0, 0, 0, 0x06, 0x01},
        {1, 4, 0, 0, 0, 0x19, 0x24}, {1, 5, 0, 0, 0, 0x1D, 0x20}, {1, 6, 1, 52, 0, 0x09, 0x00},
        {1, 7, 0, 0, 0, 0x0C, 0x30}, {2, 0, 1, 49, 0, 0x15, 0x37}, {2, 1, 0, 0, 0, 0x02, 0x00},
        {2, 2, 0, 0, 0, 0x05, 0x02}, {2, 3, 0, 0, 0, 0x1B, 0x84}, {2, 4, 0, 0, 0, 0x0E, 0x41},
        {2, 5, 0, 0, 0, 0x0E, 0x8C}, {2, 6, 0, 0, 0, 0x0E, 0x92}, {2, 7, 0, 0, 0, 0x0E, 0xA4},
        {3, 0, 0, 0, 0, 0x15, 0x00}, {3, 1, 0, 0, 0, 0x0E, 0x13}, {3, 2, 0, 0, 0, 0x0E, 0x23},
        {3, 3, 0, 0, 0, 0x0E, 0x31}, {3, 4, 0, 0, 0, 0x0E, 0x72}, {3, 5, 0, 0, 0, 0x0E, 0xB3},
        {3, 6, 0, 0, 0, 0x0E, 0xC3}, {3, 7, 2, 52, 0, 0x0E, 0xD2}, {4, 0, 0, 0, 0, 0x0E, 0x60},
        {4, 1, 0, 0, 0, 0x0E, 0x10}, {4, 2, 0, 0, 0, 0x0E, 0x20}, {4, 3, 0, 0, 0, 0x04, 0x00},
        {4, 4, 1, 55, 0, 0x07, 0x00}, {4, 5, 0, 0, 0x57, 0x00, 0x00},
        {4, 6, 1, 49, 0x73, 0x00, 0x00}, {4, 7, 0, 0, 0x84, 0x00, 0x00},
        {5, 5, 0, 0, 0x92, 0x00, 0x00}, {5, 6, 0, 0, 0xA4, 0x00, 0x00},
        {5, 7, 0, 0, 0xB6, 0x00, 0x00}, {6, 0, 0, 0, 0, 0x0E, 0x61}, {6, 5, 0, 0, 0xC5, 0x00, 0x00},
        {6, 6, 0, 0, 0xD3, 0x00, 0x00}, {6, 7, 0, 0, 0xE4, 0x00, 0x00},
        {7, 2, 0, 50, 0xF2, 0x00, 0x00}, {7, 6, 0, 0, 0xD0, 0x00, 0x00},
        {7, 7, 0, 0, 0xE0, 0x00, 0x00}, {8, 0, 0, 0, 0, 0x10, 0x04}, {8, 1, 0, 0, 0, 0x11, 0x0F},
        {8, 2, 0, 0, 0, 0x12, 0xE4}, {8, 3, 0, 0, 0, 0x13, 0xF2}, {8, 4, 0, 0, 0, 0x14, 0x21},
        {8, 5, 0, 0, 0, 0x16, 0xF1}, {8, 6, 0, 50, 0, 0x17, 0x1F}, {8, 7, 2, 49, 0, 0x18, 0x63},
        {9, 0, 0, 0, 0, 0x1A, 0x05}, {9, 1, 0, 0, 0, 0x11, 0x00}, {9, 2, 0, 0, 0, 0x12, 0x08},
        {9, 3, 0, 0, 0, 0x13, 0x00}, {9, 4, 0, 0, 0, 0x14, 0x00}, {9, 5, 0, 0, 0, 0x11, 0x30},
        {9, 6, 0, 0, 0, 0x17, 0x00}, {9, 7, 0, 0, 0, 0x18, 0x00}, {10, 0, 0, 0, 0, 0x1C, 0x30},
        {10, 1, 1, 49, 0, 0x1E, 0x08}, {10, 2, 2, 49, 0, 0x1F, 0x08}, {10, 3, 1, 52, 0, 0x20, 0x31},
        {10, 4, 0, 0, 0, 0x21, 0x02}, {10, 5, 0, 0, 0, 0x22, 0x40}, {10, 6, 0, 0, 0, 0x26, 0x30},
        {10, 7, 0, 0, 0, 0x27, 0x13}, {11, 0, 0, 0, 0, 0x23, 0x02}, {11, 1, 0, 0, 0, 0x1E, 0x00},
        {11, 2, 0, 0, 0, 0x1F, 0x00}, {11, 3, 0, 0, 0, 0x22, 0x00}, {11, 4, 0, 0, 0, 0x1A, 0x13},
        {11, 5, 0, 0, 0, 0x26, 0x05}, {11, 7, 0, 0, 0, 0x27, 0x24}, {12, 0, 1, 49, 0, 0x00, 0x00},
        {12, 1, 0, 0, 0, 0x23, 0x10}, {12, 7, 0, 0, 0, 0x27, 0x10}, {13, 0, 0, kOff, 0, 0x00, 0x00},
        {13, 1, 2, 49, 0, 0x00, 0x00}, {13, 2, 0, 0, 0, 0x24, 0x00}, {14, 0, 0, 0, 0, 0x25, 0x06},
        {14, 1, 0, kCut, 0, 0x00, 0x00}, {14, 3, 0, 0, 0, 0x0F, 0x05}, {14, 4, 0, 0, 0, 0x0F, 0x80},
        {15, 0, 0, 0, 0, 0x0E, 0xE1}, {15, 1, 0, 0, 0, 0x0E, 0x133}, {15, 2, 0, 0, 0, 0x0E, 0x142},
        {15, 5, 0, 0, 0, 0x0E, 0x103}, {15, 6, 0, 0, 0, 0x0E, 0x112}, {15, 7, 0, 0, 0, 0x0E, 0x124},
    },
    // Memories, an instrument alone, vibrato waveform 5, an unknown code,
    // loops on two channels, a jump with a break in one row.
    {
        {0, 0, 1, 61, 0, 0x0E, 0x130}, {0, 1, 2, 64, 0, 0x0E, 0x140}, {0, 2, 1, 25, 0, 0x0E, 0x110},
        {0, 3, 2, 73, 0, 0x0E, 0x120}, {0, 4, 1, 37, 0, 0x0E, 0x45}, {0, 5, 2, 44, 0, 0x1B, 0x22},
        {0, 6, 0, 0, 0, 0x30, 0x55}, {0, 7, 1, 0, 0, 0x00, 0x00}, {1, 4, 0, 0, 0, 0x04, 0x8F},
        {3, 4, 1, 37, 0, 0x04, 0x00}, {2, 0, 0, 0, 0, 0x0E, 0x91}, {2, 1, 0, 0, 0, 0x0E, 0x80},
        {2, 2, 0, 0, 0, 0x03, 0x00}, {2, 3, 0, 0, 0, 0x0E, 0xC0}, {3, 5, 0, 0, 0, 0x1D, 0x80},
        {3, 6, 0, 0, 0, 0x1D, 0xA4}, {4, 0, 0, 0, 0, 0x0E, 0x60}, {4, 7, 0, 0, 0, 0x0E, 0x60},
        {5, 7, 0, 0, 0, 0x0E, 0x61}, {6, 0, 0, 0, 0, 0x0E, 0x61}, {7, 0, 0, 0, 0, 0x0B, 0x02},
        {7, 1, 0, 0, 0, 0x0D, 0x04},
    },
    // The end: speed, the widest column portamento, a break on the last order.
    {
        {4, 0, 2, 49, 0, 0x0F, 0x03}, {4, 1, 1, 53, 0x30, 0x00, 0x47},
        {4, 2, 2, 56, 0xFF, 0x00, 0x00}, {5, 3, 1, 60, 0, 0x0E, 0x54},
        {5, 4, 0, 0, 0x10, 0x00, 0x00}, {6, 0, 0, 0, 0, 0x1C, 0x80}, {6, 4, 0, 0, 0x2A, 0x00, 0x00},
        {7, 4, 0, 0, 0x50, 0x00, 0x00}, {8, 0, 0, 0, 0, 0x0D, 0x99},
    },
};

void set_cells(JGMOD *j, const Patterns &patterns)
{
    for (size_t pattern = 0; pattern < patterns.size(); pattern++)
        for (const Cell &c : patterns[pattern])
            set_cell(j, (int)pattern, c.row, c.channel, c.instrument, c.note, c.volume,
                     c.command, c.parameter);
}

// 8 channels, 3 patterns of 16 rows, 2 instruments and 2 samples, linear
// periods: a forward loop and a transposed ping-pong loop.
JGMOD *build_golden_module()
{
    JGMOD *j = build_module(8, 3, 16, 2, XM_MODE | LINEAR_MODE, 2);
    for (int channel = 0; channel < 8; channel++)
        j->channel_pan[channel] = channel % 2 ? 192 : 64;
    j->sample_info[0] = {64, 128, 0, 48, 100, 0, 64, LOOP_FORWARD, 0, 0, 0, 0};
    j->sample_info[1] = {64, 128 + 16, -12, 64, 160, 8, 64, LOOP_PINGPONG, 0, 0, 0, 0};
    j->samples[0].loop_end = j->samples[1].loop_end = 64;
    j->samples[1].loop_start = 8;

    INSTRUMENT_INFO &ii = j->instrument_info[0];
    const int volume_ticks[] = {0, 4, 8, 16}, volume_values[] = {64, 48, 56, 32};
    const int pan_ticks[] = {0, 8, 16, 0}, pan_values[] = {32, 16, 48, 0};
    memcpy(ii.volume_env_tick, volume_ticks, sizeof volume_ticks);
    memcpy(ii.volume_env_value, volume_values, sizeof volume_values);
    memcpy(ii.pan_env_tick, pan_ticks, sizeof pan_ticks);
    memcpy(ii.pan_env_value, pan_values, sizeof pan_values);
    ii.volume_env_points = 4;
    ii.volume_env_flags = 1 | 2 | 4;  // on, sustain, loop
    ii.volume_env_sustain_start = ii.volume_env_sustain_end = 2;
    ii.volume_env_loop_start = 1;
    ii.volume_env_loop_end = 3;
    ii.pan_env_points = 3;
    ii.pan_env_flags = 1;
    ii.fadeout = 2048;
    set_cells(j, kPatterns);
    return j;
}

// Frequency values of a period module's cells: 3579546 / Amiga period.
const int kC2 = 3579546 / 428, kE2 = 3579546 / 339, kG2 = 3579546 / 285, kC1 = 3579546 / 856;

// The ProTracker family where period modules differ: the period-table
// arpeggio, samples chosen directly, a sample change without a note, the
// sample offset and its memory.
const Patterns kPeriodPatterns = {{
    {0, 0, 1, kC2, 0, 0x00, 0x47}, {0, 1, 2, kC1, 0, 0x01, 0x03}, {0, 2, 1, kE2, 0, 0x04, 0x8A},
    {0, 3, 2, kG2, 0, 0x07, 0x6C}, {1, 0, 0, 0, 0, 0x00, 0x30}, {1, 1, 0, 0, 0, 0x02, 0x00},
    {1, 2, 0, kC2, 0, 0x03, 0x08}, {1, 3, 0, 0, 0, 0x0E, 0x72}, {2, 0, 2, 0, 0, 0x00, 0x00},
    {2, 1, 0, 0, 0, 0x0E, 0x12}, {2, 2, 0, 0, 0, 0x05, 0x04}, {2, 3, 1, 0, 0, 0x03, 0x00},
    {3, 0, 0, 0, 0, 0x09, 0x02}, {3, 1, 1, kC2, 0, 0x09, 0x02}, {3, 2, 0, 0, 0, 0x06, 0x20},
    {3, 3, 0, 0, 0, 0x0E, 0x93}, {4, 0, 1, kE2, 0, 0x0E, 0xD3}, {4, 1, 0, 0, 0, 0x0E, 0xC2},
    {4, 2, 0, kCut, 0, 0x00, 0x00}, {4, 3, 0, 0, 0, 0x0A, 0x0F}, {5, 0, 0, 0, 0, 0x0F, 0x03},
    {5, 1, 2, kG2, 0x30, 0x0E, 0x84}, {5, 2, 1, kC2, 0, 0x0C, 0x50}, {5, 3, 1, kC1, 0, 0x08, 0xC0},
    {6, 0, 0, 0, 0, 0x0F, 0x50}, {6, 1, 0, 0, 0, 0x09, 0x00}, {6, 2, 0, 0, 0, 0x1D, 0x40},
    {7, 1, 1, kC2, 0, 0x09, 0x00}, {8, 0, 0, 0, 0, 0x0D, 0x00},
}};

JGMOD *build_period_module()
{
    JGMOD *j = build_module(4, 1, 16, 2, 0);
    j->sample_info[0].volume = 40;
    j->sample_info[1] = {64, 8523, 0, 64, 128, 0, 64, LOOP_FORWARD, 0, 0, 0, 0};  // finetune +2
    j->samples[1].loop_end = 64;
    set_cells(j, kPeriodPatterns);
    return j;
}

// The row walk on one tick a row, played with the song's loop on: loops per
// channel, nested and forgotten on the next order, a jump and a break in one
// row, breaks read as decimal, past a pattern's end by one and by far, 32
// ticks a row, a jump to the last order and one past the end that wraps.
const Patterns kWalkPatterns = {
    {{1, 0, 0, 0, 0, 0x0E, 0x60}, {2, 0, 0, 0, 0, 0x0E, 0x62}},
    {{1, 0, 0, 0, 0, 0x0E, 0x61}, {3, 0, 0, 0, 0, 0x0E, 0x61}},
    {{0, 0, 0, 0, 0, 0x0E, 0x60}, {1, 1, 0, 0, 0, 0x0E, 0x60}, {2, 1, 0, 0, 0, 0x0E, 0x61},
     {3, 0, 0, 0, 0, 0x0E, 0x61}},
    {{1, 0, 0, 0, 0, 0x0E, 0x61}},
    {{2, 0, 0, 0, 0, 0x0E, 0x61}, {3, 0, 0, 0, 0, 0x0D, 0x12}},
    {{12, 0, 0, 0, 0, 0x0D, 0x16}, {12, 1, 0, 0, 0, 0x0B, 7}},
    {},
    {{17, 0, 0, 0, 0, 0x0D, 0x32}},
    {{31, 1, 0, 0, 0, 0x0D, 0x99}},
    {{1, 0, 0, 0, 0, 0x0F, 0x20}, {2, 0, 0, 0, 0, 0x0F, 0x01}, {2, 1, 0, 0, 0, 0x0B, 10}},
    {{1, 1, 0, 0, 0, 0x0B, 11}},
};

JGMOD *build_walk_module()
{
    const int rows[] = {5, 6, 6, 3, 20, 20, 20, 20, 32, 4, 2};
    JGMOD *j = build_module(2, 11, 20, 1);
    for (int pattern = 0; pattern < 11; pattern++)
        resize_pattern(j, pattern, rows[pattern]);
    j->tempo = 1;
    set_cells(j, kWalkPatterns);
    return j;
}

// The clamps and floors of an XM module, a channel a column: a volume slid
// below 0 and fine past 64; a pan past both ends, and the pan slide's memory
// apart from the column's; the frequency ceiling, then the column
// portamento's transposed target; a tremolo below its volume, a key-off
// without envelope; the XM slide's floor under a vibrato; the global volume's
// memory and clamps; S3M retriggers (interval 0 too), an envelope sustained on
// its first point; S3M fine forms and a set position at the envelope's end.
const Patterns kEdgePatterns = {{
    {0, 0, 1, 49, 0x6F, 0, 0}, {1, 0, 0, 0, 0x50, 0, 0}, {2, 0, 0, 0, 0x9F, 0, 0},
    {3, 0, 0, 0, 0x8F, 0, 0},
    {0, 1, 0, 0, 0, 0x26, 0xF0}, {1, 1, 0, 0, 0, 0x26, 0x0F}, {2, 1, 0, 0, 0xE4, 0, 0},
    {3, 1, 0, 0, 0, 0x26, 0x00},
    {0, 2, 2, 119, 0, 0, 0}, {2, 2, 2, 37, 0, 0, 0}, {3, 2, 0, 49, 0xF4, 0, 0},
    {0, 3, 1, 49, 0x30, 0x07, 0xF8}, {1, 3, 1, 49, 0, 0, 0}, {2, 3, 0, kOff, 0, 0, 0},
    {0, 4, 1, 117, 0xAF, 0, 0}, {1, 4, 0, 0, 0xBF, 0x1E, 0x10}, {2, 4, 1, 96, 0xAF, 0x1E, 0xFF},
    {3, 4, 0, 0, 0xBF, 0x1E, 0x01},
    {0, 5, 0, 0, 0, 0x23, 0x01}, {1, 5, 0, 0, 0, 0x23, 0x00}, {2, 5, 0, 0, 0, 0x23, 0xF0},
    {3, 5, 0, 0, 0, 0x23, 0x00}, {3, 6, 3, 49, 0, 0, 0},
    {0, 6, 1, 49, 0x30, 0x18, 0xE3}, {1, 6, 0, 0, 0, 0x18, 0x90}, {2, 6, 1, 49, 0x30, 0x18, 0x63},
    {0, 7, 1, 49, 0, 0x13, 0xE0}, {1, 7, 0, 0, 0x30, 0x11, 0xF0}, {2, 7, 0, 0, 0, 0x11, 0x0F},
    {3, 7, 3, 49, 0, 0x25, 0x0A},
}};

JGMOD *build_edge_module()
{
    JGMOD *j = build_module(8, 1, 4, 3, XM_MODE | LINEAR_MODE, 3);
    j->channel_pan[1] = 240;
    j->sample_info[1].transpose = 12;
    j->sample_info[2].tuning = 380;  // the last sample: what notes past the map play
    INSTRUMENT_INFO &ii = j->instrument_info[2];  // falls, sustained on its first point
    ii.volume_env_value[0] = 64;
    ii.volume_env_tick[1] = 10;
    ii.volume_env_points = 2;
    ii.volume_env_flags = 1 | 2;
    set_cells(j, kEdgePatterns);
    return j;
}

// Every command that repeats its last parameter, given 0 on a fresh channel
// before it ever had one: the note plays on as it started.
JGMOD *build_zero_memory_module()
{
    const int commands[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0A, 0x11, 0x12,
                            0x13, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B, 0x1E, 0x1F, 0x20, 0x21,
                            0x22, 0x23, 0x26, 0x27};
    const int channels = (int)(sizeof commands / sizeof commands[0]);
    JGMOD *j = build_module(channels, 1, 2, 1, XM_MODE | LINEAR_MODE, 1);
    for (int channel = 0; channel < channels; channel++) {
        set_cell(j, 0, 0, channel, 1, 49, 0, 0, 0);
        set_cell(j, 0, 1, channel, 0, 0, 0, commands[channel], 0);
    }
    return j;
}

TEST(EffectsGolden, ModuleUsesEveryCommandAndVolumeColumnRange)
{
    std::set<int> commands, ranges, notes;  // volume-column ranges by their high nibble
    for (const std::vector<Cell> &pattern : kPatterns)
        for (const Cell &c : pattern) {
            commands.insert(c.command);
            ranges.insert(c.volume >> 4);
            notes.insert(c.note);
        }
    for (int code = 0; code < 0x28; code++)
        EXPECT_EQ(commands.count(code), 1u) << "command " << std::hex << code << " unused";
    for (int range = 1; range < 16; range++)
        EXPECT_EQ(ranges.count(range), 1u) << "volume column " << std::hex << range * 16;
    EXPECT_EQ(notes.count(NOTE_CUT), 1u);
    EXPECT_EQ(notes.count(NOTE_KEY_OFF), 1u);
}

// Saves the module, traces it with modtool and compares the trace with the
// golden file (or rewrites that when ZQ_UPDATE_GOLDEN=1).
void expect_golden_trace(JGMOD *j, const std::string &golden, const char *options)
{
    install_allegro_for_files();
    int saved = 0;
    Bytes bytes = save_jgm_bytes(j, &saved);
    destroy_mod(j);
    ASSERT_EQ(saved, 1) << jgmod_error;
    EXPECT_TRUE(matches_golden(golden, modtool_output(std::string("trace ") + options, bytes)));
}

TEST(EffectsGolden, TracesMatchTheCheckedInOnes)
{
    const std::string dir = ZQ_SOURCE_DIR "/tests/golden/";
    expect_golden_trace(build_golden_module(), dir + "effects_trace.tsv", "--no-loop");
    expect_golden_trace(build_period_module(), dir + "effects_trace_period.tsv", "--no-loop");
    expect_golden_trace(build_walk_module(), dir + "effects_trace_walk.tsv", "--ticks 90");
    expect_golden_trace(build_edge_module(), dir + "effects_trace_edges.tsv", "--no-loop");
    expect_golden_trace(build_zero_memory_module(), dir + "effects_trace_zero_memory.tsv",
                        "--no-loop");
}

}  // namespace
