// Turns the text score into the player's in-memory module: a period module
// (flags 0) whose notes are frequency values, 3579546 / Amiga period.
#include "module.h"

#include <jgmod_internal.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sstream>
#include <vector>

// Octave (scientific pitch) that each channel's instrument plays at the
// Amiga period 428, the middle octave of the player's period table.
static const int reference_octave[TUNE_CHANNELS] = {4, 3, 4, 4};
static const int channel_pan[TUNE_CHANNELS] = {96, 128, 168, 136};

struct CellResult {
    NOTE_INFO cell{};
    std::string error;
};

static int semitone_of(char letter)
{
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7};   // A..G
    return semitones[letter - 'A'];
}

// Frequency value of a note `octaves_up` octaves above the reference
// octave's period table (which may be negative down to one octave below).
static int note_value(int semitone, int octaves_up, std::string *error)
{
    int shift = octaves_up + 2;   // noteperiod holds the octave two below the reference
    if (shift < 0 || shift > 4) {
        *error = "note out of range";
        return 0;
    }
    int period = (noteperiod[semitone] >> shift) / 4;
    return AMIGA_CLOCK / period;
}

// ":NN" goes into the volume column, which leaves the command free for an
// effect on the same cell.
static bool parse_volume(const char *text, NOTE_INFO *cell, std::string *error)
{
    if (!*text)
        return true;
    char *end = nullptr;
    long volume = (text[0] == ':') ? strtol(text + 1, &end, 16) : -1;
    if (volume < 0 || volume > 64 || !end || *end || end == text + 1) {
        *error = "bad volume";
        return false;
    }
    cell->volume = VOLUME_COLUMN_SET + (int)volume;
    return true;
}

// "!XPP": command X (one hex digit, numbered as the player numbers them,
// which for 0..F are the effect letters of MOD files) with parameter PP.
static bool parse_effect(const std::string &text, NOTE_INFO *cell, std::string *error)
{
    if (text.size() != 3 || !isxdigit((unsigned char)text[0]) || !isxdigit((unsigned char)text[1]) ||
        !isxdigit((unsigned char)text[2])) {
        *error = "bad effect";
        return false;
    }
    unsigned long value = strtoul(text.c_str(), nullptr, 16);
    cell->command = (int)(value >> 8);
    cell->parameter = (int)(value & 0xFF);
    return true;
}

static const char *parse_drum(const char *token, NOTE_INFO *cell, std::string *error)
{
    static const char drums[] = "KSHO";
    const char *which = strchr(drums, token[0]);
    if (!token[0] || !which) {
        *error = "unknown drum";
        return token;
    }
    cell->sample = INS_KICK + (int)(which - drums);
    cell->note = note_value(0, 0, error);   // the drums sound as rendered
    return token + 1;
}

static const char *parse_pitched(int channel, const char *token, NOTE_INFO *cell, std::string *error)
{
    if (token[0] < 'A' || token[0] > 'G') {
        *error = "expected a note";
        return token;
    }
    int semitone = semitone_of(token[0]);
    const char *p = token + 1;
    if (*p == '#') {
        semitone++;
        p++;
    } else if (*p == 'b') {
        semitone--;
        p++;
    }
    if (!isdigit((unsigned char)*p)) {
        *error = "expected an octave";
        return p;
    }
    int octave = *p++ - '0';
    // B# and Cb cross into the neighbouring octave.
    if (semitone > 11) {
        semitone -= 12;
        octave++;
    } else if (semitone < 0) {
        semitone += 12;
        octave--;
    }
    cell->note = note_value(semitone, octave - reference_octave[channel], error);
    if (channel == CH_CHORDS) {
        if (*p != 'm' && *p != 'M') {
            *error = "a chord needs m or M";
            return p;
        }
        cell->sample = *p == 'm' ? INS_MINOR : INS_MAJOR;
        p++;
    } else {
        cell->sample = channel == CH_LEAD ? INS_LEAD : INS_BASS;
    }
    return p;
}

static CellResult parse_cell(int channel, const std::string &token)
{
    CellResult result;
    size_t bang = token.find('!');
    std::string body = token.substr(0, bang);
    if (bang != std::string::npos && !parse_effect(token.substr(bang + 1), &result.cell, &result.error))
        return result;
    if (body == "-") {
        result.cell.volume = VOLUME_COLUMN_SET;   // volume 0 silences the channel
        return result;
    }
    const char *rest = body.c_str();
    if (body.empty())
        result.error = "an effect needs a cell before it";
    else if (body[0] == '.')
        rest++;
    else if (channel == CH_DRUMS)
        rest = parse_drum(rest, &result.cell, &result.error);
    else
        rest = parse_pitched(channel, rest, &result.cell, &result.error);
    if (result.error.empty())
        parse_volume(rest, &result.cell, &result.error);
    return result;
}

// Fills one channel of a pattern from its text.
static bool parse_channel(const char *text, int channel, NOTE_INFO *notes, std::string *error)
{
    std::string spaced(text);
    for (char &c : spaced)
        if (c == '|')   // bar lines are for the reader only
            c = ' ';
    std::istringstream words(spaced);
    std::string token;
    int row = 0;
    while (words >> token) {
        if (row >= TUNE_ROWS) {
            *error = "more than 64 rows";
            return false;
        }
        CellResult result = parse_cell(channel, token);
        if (!result.error.empty()) {
            *error = result.error + " in \"" + token + "\"";
            return false;
        }
        notes[row * TUNE_CHANNELS + channel] = result.cell;
        row++;
    }
    if (row != TUNE_ROWS) {
        *error = "fewer than 64 rows";
        return false;
    }
    return true;
}

static bool fill_samples(JGMOD *module)
{
    for (int i = 0; i < module->sample_count; i++) {
        Instrument ins = make_instrument(i + 1);
        std::vector<unsigned char> pcm = to_unsigned_8bit(ins.signal);
        SAMPLE_INFO &info = module->sample_info[i];
        SAMPLE &sample = module->samples[i];
        info.length = (int)pcm.size();
        info.tuning = INSTRUMENT_RATE;
        info.volume = ins.volume;
        info.pan = 128;
        info.loop_start = ins.looped ? ins.loop_start : 0;
        info.loop_end = ins.looped ? info.length : 0;
        info.loop_type = ins.looped ? LOOP_FORWARD : 0;
        jgmod_init_sample(&sample, 8, info.length);
        sample.loop_start = (unsigned long)info.loop_start;
        sample.loop_end = (unsigned long)info.loop_end;
        sample.data = jgmod_calloc((long)pcm.size());
        if (!sample.data)
            return false;
        memcpy(sample.data, pcm.data(), pcm.size());
    }
    return true;
}

static bool fill_patterns(JGMOD *module, std::string *error)
{
    for (int p = 0; p < module->pattern_count; p++) {
        PATTERN_INFO &pattern = module->pattern_info[p];
        pattern.row_count = TUNE_ROWS;
        pattern.notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * TUNE_ROWS * TUNE_CHANNELS);
        if (!pattern.notes) {
            *error = "out of memory";
            return false;
        }
        for (int c = 0; c < TUNE_CHANNELS; c++) {
            if (!parse_channel(tune_patterns[p].channel[c], c, pattern.notes, error)) {
                char where[64];
                snprintf(where, sizeof where, "pattern %d, channel %d: ", p, c);
                *error = where + *error;
                return false;
            }
        }
    }
    return true;
}

static void fill_header(JGMOD *module)
{
    snprintf(module->name, sizeof module->name, "%s", tune_name);
    module->flags = 0;
    module->tempo = tune_tempo;
    module->bpm = tune_bpm;
    module->global_volume = 64;
    module->channel_count = TUNE_CHANNELS;
    module->order_count = tune_order_count;
    module->restart_order = tune_restart_order;
    for (int i = 0; i < tune_order_count; i++)
        module->order_table[i] = tune_order[i];
    for (int c = 0; c < TUNE_CHANNELS; c++)
        module->channel_pan[c] = channel_pan[c];
}

JGMOD *build_module(std::string *error)
{
    JGMOD *module = (JGMOD *)jgmod_calloc((long)sizeof(JGMOD));
    if (!module) {
        *error = "out of memory";
        return nullptr;
    }
    fill_header(module);
    module->pattern_count = tune_pattern_count;
    module->sample_count = MODULE_SAMPLE_COUNT;
    module->instrument_count = 0;
    module->instrument_info = (INSTRUMENT_INFO *)jgmod_calloc(0);
    module->pattern_info = (PATTERN_INFO *)jgmod_calloc((long)sizeof(PATTERN_INFO) * module->pattern_count);
    module->sample_info = (SAMPLE_INFO *)jgmod_calloc((long)sizeof(SAMPLE_INFO) * module->sample_count);
    module->samples = (SAMPLE *)jgmod_calloc((long)sizeof(SAMPLE) * module->sample_count);
    bool ok = module->instrument_info && module->pattern_info && module->sample_info && module->samples;
    if (!ok)
        *error = "out of memory";
    ok = ok && fill_patterns(module, error);
    if (ok && !fill_samples(module)) {
        *error = "out of memory";
        ok = false;
    }
    for (int i = 0; ok && i < tune_order_count; i++)
        if (tune_order[i] < 0 || tune_order[i] >= tune_pattern_count) {
            *error = "order list names a missing pattern";
            ok = false;
        }
    if (!ok) {
        destroy_mod(module);
        return nullptr;
    }
    return module;
}

void dat_write_module(DatWriter *w, const char *name, const JGMOD *module)
{
    dat_begin_object(w, DAT_JGM, name);
    if (!w->in_object)
        return;
    if (save_jgm(w->file, module) != 1) {
        fprintf(stderr, "makedat: the module could not be written: %s\n", jgmod_error);
        w->failed = true;
    }
    dat_end_object(w);
}
