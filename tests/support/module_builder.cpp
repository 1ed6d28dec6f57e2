// Small modules built in code for the player's tests.
#include <stdlib.h>
#include <string.h>

#include "support/module_builder.h"

#define BUILT_SAMPLE_FRAMES 64

static void build_samples(JGMOD *j, int flags)
{
    j->sample_info = (SAMPLE_INFO *)jgmod_calloc((long)sizeof(SAMPLE_INFO) * j->sample_count);
    j->samples = (SAMPLE *)jgmod_calloc((long)sizeof(SAMPLE) * j->sample_count);
    for (int index = 0; index < j->sample_count; index++) {
        SAMPLE_INFO &info = j->sample_info[index];
        info.length = BUILT_SAMPLE_FRAMES;
        info.tuning = (flags & XM_MODE) ? 128 : 8363;
        info.volume = 64;
        info.pan = 128;
        SAMPLE &spl = j->samples[index];
        spl.bits = 8;
        spl.stereo = 0;
        spl.freq = 1000;
        spl.priority = 192;
        spl.len = BUILT_SAMPLE_FRAMES;
        spl.param = -1;
        spl.data = jgmod_calloc(BUILT_SAMPLE_FRAMES);
        memset(spl.data, 0x80, BUILT_SAMPLE_FRAMES);
    }
}

static void build_instruments(JGMOD *j)
{
    j->instrument_info =
        (INSTRUMENT_INFO *)jgmod_calloc((long)sizeof(INSTRUMENT_INFO) * j->instrument_count);
    for (int index = 0; index < j->instrument_count; index++) {
        int sample = index < j->sample_count ? index : j->sample_count - 1;
        for (int note = 0; note < NOTES_PER_INSTRUMENT; note++)
            j->instrument_info[index].note_sample[note] = sample;
    }
}

JGMOD *build_module(int channels, int patterns, int rows, int samples, int flags, int instruments)
{
    JGMOD *j = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    strcpy(j->name, "built in a test");
    j->channel_count = channels;
    j->pattern_count = patterns;
    j->sample_count = samples;
    j->instrument_count = instruments;
    j->flags = flags;
    j->tempo = 6;
    j->bpm = 125;
    j->global_volume = 64;
    j->order_count = patterns;
    for (int order = 0; order < patterns && order < MAX_ORDER; order++)
        j->order_table[order] = order;
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        j->channel_pan[channel] = 128;
    j->pattern_info = (PATTERN_INFO *)jgmod_calloc((long)sizeof(PATTERN_INFO) * patterns);
    for (int pattern = 0; pattern < patterns; pattern++)
        resize_pattern(j, pattern, rows);
    build_samples(j, flags);
    if (instruments > 0)
        build_instruments(j);
    return j;
}

void resize_pattern(JGMOD *j, int pattern, int rows)
{
    PATTERN_INFO &info = j->pattern_info[pattern];
    free(info.notes);
    info.row_count = rows;
    info.notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * rows * j->channel_count);
}

void set_cell(JGMOD *j, int pattern, int row, int channel, int sample, int note, int volume,
              int command, int parameter)
{
    NOTE_INFO *cell = get_note(j, pattern, row, channel);
    cell->sample = sample;
    cell->note = note;
    cell->volume = volume;
    cell->command = command;
    cell->parameter = parameter;
}

void set_command(JGMOD *j, int pattern, int row, int channel, int command, int parameter)
{
    NOTE_INFO *cell = get_note(j, pattern, row, channel);
    cell->command = command;
    cell->parameter = parameter;
}

void set_orders(JGMOD *j, const int *orders, int count)
{
    for (int order = 0; order < count && order < MAX_ORDER; order++)
        j->order_table[order] = orders[order];
    j->order_count = count;
}
