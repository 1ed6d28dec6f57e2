// Small modules built in code for the player's tests.
#include <stdlib.h>
#include <string.h>

#include "support/module_builder.h"

template <typename T> static T *zeroed(long count)
{
    return (T *)jgmod_calloc((long)sizeof(T) * count);
}

JGMOD *build_module(int channels, int patterns, int rows, int samples, int flags, int instruments)
{
    JGMOD *j = zeroed<JGMOD>(1);
    j->channel_count = channels;
    j->pattern_count = j->order_count = patterns;
    j->sample_count = samples;
    j->instrument_count = instruments;
    j->flags = flags;
    j->tempo = 6;
    j->bpm = 125;
    j->global_volume = 64;
    for (int order = 0; order < patterns && order < MAX_ORDER; order++)
        j->order_table[order] = order;
    for (int &pan : j->channel_pan)
        pan = 128;
    j->pattern_info = zeroed<PATTERN_INFO>(patterns);
    for (int pattern = 0; pattern < patterns; pattern++)
        resize_pattern(j, pattern, rows);
    j->sample_info = zeroed<SAMPLE_INFO>(samples);
    j->samples = zeroed<SAMPLE>(samples);
    for (int index = 0; index < samples; index++) {
        int tuning = (flags & XM_MODE) ? 128 : 8363;
        j->sample_info[index] = SAMPLE_INFO{64, tuning, 0, 64, 128, 0, 0, 0, 0, 0, 0, 0};
        j->samples[index] = SAMPLE{8, 0, 1000, 192, 64, 0, 0, (unsigned long)-1, jgmod_calloc(64)};
        memset(j->samples[index].data, 0x80, 64);
    }
    j->instrument_info = instruments > 0 ? zeroed<INSTRUMENT_INFO>(instruments) : nullptr;
    for (int index = 0; index < instruments; index++) {
        for (int &sample : j->instrument_info[index].note_sample)
            sample = index < samples ? index : samples - 1;
    }
    return j;
}

void resize_pattern(JGMOD *j, int pattern, int rows)
{
    free(j->pattern_info[pattern].notes);
    j->pattern_info[pattern].row_count = rows;
    j->pattern_info[pattern].notes = zeroed<NOTE_INFO>((long)rows * j->channel_count);
}

void set_cell(JGMOD *j, int pattern, int row, int channel, int sample, int note, int volume,
              int command, int parameter)
{
    *get_note(j, pattern, row, channel) = NOTE_INFO{sample, note, volume, command, parameter};
}

void set_command(JGMOD *j, int pattern, int row, int channel, int command, int parameter)
{
    NOTE_INFO *cell = get_note(j, pattern, row, channel);
    *cell = NOTE_INFO{cell->sample, cell->note, cell->volume, command, parameter};
}
