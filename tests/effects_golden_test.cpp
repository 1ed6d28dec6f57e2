// A golden trace: one module that uses every effect command 0x00..0x27, every
// volume-column range and both note commands, saved as JGM and traced by
// modtool tick by tick. Any change that alters playback shows up as a change
// of tests/golden/effects_trace.tsv in review.
//
// A second, smaller period module covers what differs in period modules
// (tests/golden/effects_trace_period.tsv).
//
// To accept a deliberate change, run this test with ZQ_UPDATE_GOLDEN=1 and
// read the difference before committing it.
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/packfile_helpers.h"

namespace {

const char *const kGolden = ZQ_SOURCE_DIR "/tests/golden/effects_trace.tsv";
const char *const kPeriodGolden = ZQ_SOURCE_DIR "/tests/golden/effects_trace_period.tsv";
const char *const kModtool = ZQ_BINARY_DIR "/bin/modtool";

struct Cell {
    int pattern, row, channel;
    int instrument, note, volume, command, parameter;
};

// Instrument 1 has looping, sustaining envelopes and a fade-out; instrument 2
// has none. Notes are note numbers 1..96.
const Cell kCells[] = {
    // Pattern 0: the ProTracker family, then the S3M family, then XM.
    {0, 0, 0, 1, 49, 0, 0x00, 0x47},     // arpeggio
    {0, 0, 1, 2, 61, 0, 0x01, 0x08},     // pitch slide up
    {0, 0, 2, 1, 37, 0, 0x02, 0x04},     // pitch slide down
    {0, 0, 3, 2, 49, 0x40, 0x04, 0x46},  // vibrato; volume column sets 48
    {0, 0, 4, 1, 55, 0, 0x07, 0x48},     // tremolo
    {0, 0, 5, 2, 60, 0, 0x08, 0x40},     // set pan
    {0, 0, 6, 1, 49, 0, 0x09, 0x01},     // sample offset
    {0, 0, 7, 2, 40, 0, 0x0A, 0x20},     // volume slide up
    {0, 1, 0, 0, 0, 0, 0x00, 0x00},      // arpeggio 0: off
    {0, 1, 1, 0, 0, 0x65, 0x01, 0x00},   // repeat slide; volume column slide down
    {0, 1, 2, 0, 44, 0, 0x03, 0x10},     // tone portamento
    {0, 1, 3, 0, 0, 0, 0x06, 0x01},      // vibrato and volume slide
    {0, 1, 4, 0, 0, 0, 0x19, 0x24},      // S3M tremolo
    {0, 1, 5, 0, 0, 0, 0x1D, 0x20},      // S3M panning
    {0, 1, 6, 1, 52, 0, 0x09, 0x00},     // offset again from memory
    {0, 1, 7, 0, 0, 0, 0x0C, 0x30},      // set volume
    {0, 2, 0, 1, 49, 0, 0x15, 0x37},     // S3M arpeggio
    {0, 2, 1, 0, 0, 0, 0x02, 0x00},      // slide down from the shared memory
    {0, 2, 2, 0, 0, 0, 0x05, 0x02},      // portamento and volume slide
    {0, 2, 3, 0, 0, 0, 0x1B, 0x84},      // fine vibrato
    {0, 2, 4, 0, 0, 0, 0x0E, 0x41},      // vibrato waveform: ramp
    {0, 2, 5, 0, 0, 0, 0x0E, 0x8C},      // pan 204
    {0, 2, 6, 0, 0, 0, 0x0E, 0x92},      // retrigger every 2 ticks
    {0, 2, 7, 0, 0, 0, 0x0E, 0xA4},      // fine volume up
    {0, 3, 0, 0, 0, 0, 0x15, 0x00},      // S3M arpeggio repeated
    {0, 3, 1, 0, 0, 0, 0x0E, 0x13},      // fine slide up
    {0, 3, 2, 0, 0, 0, 0x0E, 0x23},      // fine slide down
    {0, 3, 3, 0, 0, 0, 0x0E, 0x31},      // glissando
    {0, 3, 4, 0, 0, 0, 0x0E, 0x72},      // tremolo waveform: square
    {0, 3, 5, 0, 0, 0, 0x0E, 0xB3},      // fine volume down
    {0, 3, 6, 0, 0, 0, 0x0E, 0xC3},      // note cut on tick 3
    {0, 3, 7, 2, 52, 0, 0x0E, 0xD2},     // note delay 2
    {0, 4, 0, 0, 0, 0, 0x0E, 0x60},      // loop start
    {0, 4, 1, 0, 0, 0, 0x0E, 0x10},      // fine slide up from memory
    {0, 4, 2, 0, 0, 0, 0x0E, 0x20},      // fine slide down from memory
    {0, 4, 3, 0, 0, 0, 0x04, 0x00},      // vibrato goes on
    {0, 4, 4, 1, 55, 0, 0x07, 0x00},     // square tremolo on a new note
    {0, 4, 5, 0, 0, 0x57, 0x00, 0x00},   // volume column 0x51..0x5F: nothing
    {0, 4, 6, 1, 49, 0x73, 0x00, 0x00},  // volume column slide up
    {0, 4, 7, 0, 0, 0x84, 0x00, 0x00},   // volume column fine down
    {0, 5, 5, 0, 0, 0x92, 0x00, 0x00},   // volume column fine up
    {0, 5, 6, 0, 0, 0xA4, 0x00, 0x00},   // volume column vibrato speed
    {0, 5, 7, 0, 0, 0xB6, 0x00, 0x00},   // volume column vibrato
    {0, 6, 0, 0, 0, 0, 0x0E, 0x61},      // loop end: rows 4..6 twice
    {0, 6, 5, 0, 0, 0xC5, 0x00, 0x00},   // volume column pan
    {0, 6, 6, 0, 0, 0xD3, 0x00, 0x00},   // volume column pan slide left
    {0, 6, 7, 0, 0, 0xE4, 0x00, 0x00},   // volume column pan slide right
    {0, 7, 2, 0, 50, 0xF2, 0x00, 0x00},  // volume column tone portamento
    {0, 7, 6, 0, 0, 0xD0, 0x00, 0x00},   // pan slide left from memory
    {0, 7, 7, 0, 0, 0xE0, 0x00, 0x00},   // pan slide right from memory
    {0, 8, 0, 0, 0, 0, 0x10, 0x04},      // 4 ticks per row
    {0, 8, 1, 0, 0, 0, 0x11, 0x0F},      // S3M volume slide down 15
    {0, 8, 2, 0, 0, 0, 0x12, 0xE4},      // S3M portamento down, extra fine
    {0, 8, 3, 0, 0, 0, 0x13, 0xF2},      // S3M portamento up, fine
    {0, 8, 4, 0, 0, 0, 0x14, 0x21},      // tremor
    {0, 8, 5, 0, 0, 0, 0x16, 0xF1},      // vibrato and S3M fine volume down
    {0, 8, 6, 0, 50, 0, 0x17, 0x1F},     // portamento and S3M fine volume up
    {0, 8, 7, 2, 49, 0, 0x18, 0x63},     // S3M retrigger, volume x 2/3
    {0, 9, 0, 0, 0, 0, 0x1A, 0x05},      // bpm + 5
    {0, 9, 1, 0, 0, 0, 0x11, 0x00},      // S3M volume slide repeated
    {0, 9, 2, 0, 0, 0, 0x12, 0x08},      // S3M portamento down
    {0, 9, 3, 0, 0, 0, 0x13, 0x00},      // S3M portamento up repeated
    {0, 9, 4, 0, 0, 0, 0x14, 0x00},      // tremor across rows
    {0, 9, 5, 0, 0, 0, 0x11, 0x30},      // S3M volume slide up
    {0, 9, 6, 0, 0, 0, 0x17, 0x00},      // portamento and S3M slide repeated
    {0, 9, 7, 0, 0, 0, 0x18, 0x00},      // S3M retrigger repeated
    {0, 10, 0, 0, 0, 0, 0x1C, 0x30},     // global volume 48
    {0, 10, 1, 1, 49, 0, 0x1E, 0x08},    // XM pitch slide up
    {0, 10, 2, 2, 49, 0, 0x1F, 0x08},    // XM pitch slide down
    {0, 10, 3, 1, 52, 0, 0x20, 0x31},    // portamento and XM volume slide
    {0, 10, 4, 0, 0, 0, 0x21, 0x02},     // vibrato and XM volume slide
    {0, 10, 5, 0, 0, 0, 0x22, 0x40},     // XM volume slide up
    {0, 10, 6, 0, 0, 0, 0x26, 0x30},     // XM pan slide right
    {0, 10, 7, 0, 0, 0, 0x27, 0x13},     // extra-fine portamento up
    {0, 11, 0, 0, 0, 0, 0x23, 0x02},     // global volume slide down
    {0, 11, 1, 0, 0, 0, 0x1E, 0x00},     // XM pitch slide up repeated
    {0, 11, 2, 0, 0, 0, 0x1F, 0x00},     // XM pitch slide down repeated
    {0, 11, 3, 0, 0, 0, 0x22, 0x00},     // XM volume slide repeated
    {0, 11, 4, 0, 0, 0, 0x1A, 0x13},     // bpm - 3
    {0, 11, 5, 0, 0, 0, 0x26, 0x05},     // XM pan slide left
    {0, 11, 7, 0, 0, 0, 0x27, 0x24},     // extra-fine portamento down
    {0, 12, 0, 1, 49, 0, 0x00, 0x00},    // a note with envelopes
    {0, 12, 1, 0, 0, 0, 0x23, 0x10},     // global volume slide up
    {0, 12, 7, 0, 0, 0, 0x27, 0x10},     // extra-fine up from memory
    {0, 13, 0, 0, NOTE_KEY_OFF, 0, 0x00, 0x00},  // key off: envelope and fade-out
    {0, 13, 1, 2, 49, 0, 0x00, 0x00},
    {0, 13, 2, 0, 0, 0, 0x24, 0x00},     // key-off command, no envelope: silent
    {0, 14, 0, 0, 0, 0, 0x25, 0x06},     // set envelope position
    {0, 14, 1, 0, NOTE_CUT, 0, 0x00, 0x00},
    {0, 14, 3, 0, 0, 0, 0x0F, 0x05},     // speed 5
    {0, 14, 4, 0, 0, 0, 0x0F, 0x80},     // bpm 128
    {0, 15, 0, 0, 0, 0, 0x0E, 0xE1},     // pattern delay of one row
    {0, 15, 1, 0, 0, 0, 0x0E, 0x133},    // fine volume up with memory
    {0, 15, 2, 0, 0, 0, 0x0E, 0x142},    // fine volume down with memory
    {0, 15, 5, 0, 0, 0, 0x0E, 0x103},    // pan from a swapped nibble
    {0, 15, 6, 0, 0, 0, 0x0E, 0x112},    // fine slide up with memory
    {0, 15, 7, 0, 0, 0, 0x0E, 0x124},    // fine slide down with memory

    // Pattern 1: memories, a new instrument on a playing note, waveforms,
    // and a position jump with a pattern break in one row.
    {1, 0, 0, 1, 61, 0, 0x0E, 0x130},    // fine volume up from memory
    {1, 0, 1, 2, 64, 0, 0x0E, 0x140},    // fine volume down from memory
    {1, 0, 2, 1, 25, 0, 0x0E, 0x110},    // fine slide up from its own memory
    {1, 0, 3, 2, 73, 0, 0x0E, 0x120},    // fine slide down from its own memory
    {1, 0, 4, 1, 37, 0, 0x0E, 0x45},     // vibrato waveform 5: a ramp whose phase notes keep
    {1, 0, 5, 2, 44, 0, 0x1B, 0x22},     // fine vibrato
    {1, 0, 6, 0, 0, 0, 0x30, 0x55},      // a code the player does not know
    {1, 0, 7, 1, 0, 0, 0x00, 0x00},      // instrument alone: envelopes restart
    {1, 1, 4, 0, 0, 0, 0x04, 0x8F},      // vibrato on that ramp
    {1, 3, 4, 1, 37, 0, 0x04, 0x00},     // a new note goes on from the phase reached
    {1, 2, 0, 0, 0, 0, 0x0E, 0x91},      // retrigger every tick
    {1, 2, 1, 0, 0, 0, 0x0E, 0x80},      // pan 0
    {1, 2, 2, 0, 0, 0, 0x03, 0x00},      // portamento with no target: nothing
    {1, 2, 3, 0, 0, 0, 0x0E, 0xC0},      // note cut at once
    {1, 3, 5, 0, 0, 0, 0x1D, 0x80},      // S3M panning 255
    {1, 3, 6, 0, 0, 0, 0x1D, 0xA4},      // S3M panning above 0x80: unchanged
    {1, 4, 0, 0, 0, 0, 0x0E, 0x60},      // loop start on channel 0
    {1, 4, 7, 0, 0, 0, 0x0E, 0x60},      // and on channel 7
    {1, 5, 7, 0, 0, 0, 0x0E, 0x61},      // channel 7 loops row 4..5 once
    {1, 6, 0, 0, 0, 0, 0x0E, 0x61},      // channel 0 loops row 4..6 once
    {1, 7, 0, 0, 0, 0, 0x0B, 0x02},      // position jump to order 2
    {1, 7, 1, 0, 0, 0, 0x0D, 0x04},      // and break to its row 4

    // Pattern 2: the song's end, with a tempo change and a break past it.
    {2, 4, 0, 2, 49, 0, 0x0F, 0x03},     // 3 ticks per row
    {2, 4, 1, 1, 53, 0x30, 0x00, 0x47},
    {2, 4, 2, 2, 56, 0xFF, 0x00, 0x00},  // volume column portamento, widest
    {2, 5, 3, 1, 60, 0, 0x0E, 0x54},     // extended code 5: nothing
    {2, 5, 4, 0, 0, 0x10, 0x00, 0x00},   // volume column: volume 0
    {2, 6, 0, 0, 0, 0, 0x1C, 0x80},      // global volume above 64: 64
    {2, 6, 4, 0, 0, 0x2A, 0x00, 0x00},   // volume column: volume 26
    {2, 7, 4, 0, 0, 0x50, 0x00, 0x00},   // volume column: volume 64
    {2, 8, 0, 0, 0, 0, 0x0D, 0x99},      // break on the last order: the end
};

// The golden module: 8 channels, 3 patterns of 16 rows, 2 instruments and
// 2 samples, linear periods.
JGMOD *build_golden_module()
{
    JGMOD *j = build_module(8, 3, 16, 2, XM_MODE | LINEAR_MODE, 2);
    for (int channel = 0; channel < 8; channel++)
        j->channel_pan[channel] = channel % 2 ? 192 : 64;

    SAMPLE_INFO &forward = j->sample_info[0];
    forward.volume = 48;
    forward.pan = 100;
    forward.loop_type = LOOP_FORWARD;
    forward.loop_end = 64;
    j->samples[0].loop_end = 64;
    SAMPLE_INFO &pingpong = j->sample_info[1];
    pingpong.volume = 64;
    pingpong.pan = 160;
    pingpong.tuning = 128 + 16;
    pingpong.transpose = -12;
    pingpong.loop_type = LOOP_PINGPONG;
    pingpong.loop_start = 8;
    pingpong.loop_end = 64;
    j->samples[1].loop_start = 8;
    j->samples[1].loop_end = 64;

    INSTRUMENT_INFO &enveloped = j->instrument_info[0];
    const int volume_ticks[] = {0, 4, 8, 16};
    const int volume_values[] = {64, 48, 56, 32};
    const int pan_ticks[] = {0, 8, 16};
    const int pan_values[] = {32, 16, 48};
    for (int point = 0; point < 4; point++) {
        enveloped.volume_env_tick[point] = volume_ticks[point];
        enveloped.volume_env_value[point] = volume_values[point];
    }
    for (int point = 0; point < 3; point++) {
        enveloped.pan_env_tick[point] = pan_ticks[point];
        enveloped.pan_env_value[point] = pan_values[point];
    }
    enveloped.volume_env_points = 4;
    enveloped.volume_env_flags = 1 | 2 | 4;
    enveloped.volume_env_sustain_start = 2;
    enveloped.volume_env_sustain_end = 2;
    enveloped.volume_env_loop_start = 1;
    enveloped.volume_env_loop_end = 3;
    enveloped.pan_env_points = 3;
    enveloped.pan_env_flags = 1;
    enveloped.fadeout = 2048;

    for (const Cell &c : kCells)
        set_cell(j, c.pattern, c.row, c.channel, c.instrument, c.note, c.volume, c.command,
                 c.parameter);
    return j;
}

// Frequency values of a period module's cells: 3579546 / Amiga period.
const int kC2 = 3579546 / 428;
const int kE2 = 3579546 / 339;
const int kG2 = 3579546 / 285;
const int kC1 = 3579546 / 856;

// A period module: the ProTracker family where it differs from note-number
// modules (the period-table arpeggio, samples chosen directly, a sample
// change without a note, the sample offset).
const Cell kPeriodCells[] = {
    {0, 0, 0, 1, kC2, 0, 0x00, 0x47},    // arpeggio through the period table
    {0, 0, 1, 2, kC1, 0, 0x01, 0x03},    // pitch slide up
    {0, 0, 2, 1, kE2, 0, 0x04, 0x8A},    // vibrato
    {0, 0, 3, 2, kG2, 0, 0x07, 0x6C},    // tremolo
    {0, 1, 0, 0, 0, 0, 0x00, 0x30},      // arpeggio with a 0 offset
    {0, 1, 1, 0, 0, 0, 0x02, 0x00},      // slide down from the shared memory
    {0, 1, 2, 0, kC2, 0, 0x03, 0x08},    // tone portamento
    {0, 1, 3, 0, 0, 0, 0x0E, 0x72},      // tremolo waveform: square
    {0, 2, 0, 2, 0, 0, 0x00, 0x00},      // another sample, no note: old pitch
    {0, 2, 1, 0, 0, 0, 0x0E, 0x12},      // fine slide up
    {0, 2, 2, 0, 0, 0, 0x05, 0x04},      // portamento and volume slide
    {0, 2, 3, 1, 0, 0, 0x03, 0x00},      // sample with portamento: volume only
    {0, 3, 0, 0, 0, 0, 0x09, 0x02},      // offset without note or sample: nothing
    {0, 3, 1, 1, kC2, 0, 0x09, 0x02},    // offset 512
    {0, 3, 2, 0, 0, 0, 0x06, 0x20},      // vibrato and volume slide
    {0, 3, 3, 0, 0, 0, 0x0E, 0x93},      // retrigger every 3 ticks
    {0, 4, 0, 1, kE2, 0, 0x0E, 0xD3},    // note delay 3
    {0, 4, 1, 0, 0, 0, 0x0E, 0xC2},      // note cut on tick 2
    {0, 4, 2, 0, NOTE_CUT, 0, 0x00, 0x00},
    {0, 4, 3, 0, 0, 0, 0x0A, 0x0F},      // volume slide down 15
    {0, 5, 0, 0, 0, 0, 0x0F, 0x03},      // 3 ticks per row
    {0, 5, 1, 2, kG2, 0x30, 0x0E, 0x84}, // volume column and pan 68
    {0, 5, 2, 1, kC2, 0, 0x0C, 0x50},    // set volume above 64: clamped
    {0, 5, 3, 1, kC1, 0, 0x08, 0xC0},    // set pan
    {0, 6, 0, 0, 0, 0, 0x0F, 0x50},      // bpm 80
    {0, 6, 1, 0, 0, 0, 0x09, 0x00},      // no note: the offset memory waits
    {0, 6, 2, 0, 0, 0, 0x1D, 0x40},      // S3M panning
    {0, 7, 1, 1, kC2, 0, 0x09, 0x00},    // offset 512 again from memory
    {0, 8, 0, 0, 0, 0, 0x0D, 0x00},      // break on the only order: the end
};

JGMOD *build_period_module()
{
    JGMOD *j = build_module(4, 1, 16, 2, 0);
    j->sample_info[0].volume = 40;
    j->sample_info[1].tuning = 8523;  // ProTracker finetune +2
    j->sample_info[1].loop_type = LOOP_FORWARD;
    j->sample_info[1].loop_end = 64;
    j->samples[1].loop_end = 64;
    for (const Cell &c : kPeriodCells)
        set_cell(j, c.pattern, c.row, c.channel, c.instrument, c.note, c.volume, c.command,
                 c.parameter);
    return j;
}

std::string read_text(const char *path)
{
    Bytes bytes = read_file_bytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs modtool trace on a file and returns what it printed.
std::string trace_of(const char *module_path, int *status)
{
    std::string command = std::string(kModtool) + " trace --no-loop " + module_path;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        *status = -1;
        return std::string();
    }
    std::string out;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    *status = pclose(pipe);
    return out;
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(EffectsGolden, ModuleUsesEveryCommandAndVolumeColumnRange)
{
    std::vector<bool> commands(0x28, false);
    std::vector<bool> ranges(16, false);
    bool cut = false, key_off = false;
    for (const Cell &c : kCells) {
        if (c.command < 0x28)
            commands[c.command] = true;
        if (c.volume > 15)
            ranges[c.volume >> 4] = true;
        cut = cut || c.note == NOTE_CUT;
        key_off = key_off || c.note == NOTE_KEY_OFF;
    }
    for (int code = 0; code < 0x28; code++)
        EXPECT_TRUE(commands[code]) << "command " << std::hex << code << " unused";
    for (int range = 1; range < 16; range++)
        EXPECT_TRUE(ranges[range]) << "volume column " << std::hex << range * 16 << " unused";
    EXPECT_TRUE(cut);
    EXPECT_TRUE(key_off);
}

// Saves the module, traces it with modtool and compares the trace with the
// golden file (or rewrites that when ZQ_UPDATE_GOLDEN=1).
void expect_golden_trace(JGMOD *j, const char *golden)
{
    install_allegro_for_files();
    int saved = 0;
    Bytes bytes = save_jgm_bytes(j, &saved);
    destroy_mod(j);
    ASSERT_EQ(saved, 1) << jgmod_error;
    ScratchFile module(bytes);

    int status = 0;
    std::string trace = trace_of(module.path(), &status);
    ASSERT_EQ(status, 0) << "modtool trace failed; is " << kModtool << " built?";
    ASSERT_FALSE(trace.empty());

    const char *update = getenv("ZQ_UPDATE_GOLDEN");
    if (update != nullptr && update[0] == '1') {
        write_file_bytes(golden, Bytes(trace.begin(), trace.end()));
        GTEST_SKIP() << "wrote " << golden;
    }
    std::vector<std::string> expected = lines_of(read_text(golden));
    std::vector<std::string> actual = lines_of(trace);
    ASSERT_FALSE(expected.empty()) << golden << " is missing or empty";
    for (size_t line = 0; line < expected.size() && line < actual.size(); line++)
        ASSERT_EQ(actual[line], expected[line]) << golden << ": first difference at line " << line + 1;
    EXPECT_EQ(actual.size(), expected.size());
}

TEST(EffectsGolden, TraceMatchesTheCheckedInOne)
{
    expect_golden_trace(build_golden_module(), kGolden);
}

TEST(EffectsGolden, PeriodModuleTraceMatchesTheCheckedInOne)
{
    expect_golden_trace(build_period_module(), kPeriodGolden);
}

}  // namespace
