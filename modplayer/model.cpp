// The module records' own operations and the player's globals.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "jgmod_guard.h"
#include "jgmod_internal.h"

JGMOD *of = NULL;
SONG_STATE mi;
CHANNEL_STATE ci[MAX_ALLEG_VOICE];
int voice_table[MAX_ALLEG_VOICE] = {
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
};
int mod_volume = 255;
char jgmod_error[JGMOD_ERROR_SIZE] = "\n";
SAMPLE *fake_sample = NULL;
int mod_init = 0;
int enable_lasttrk_loop = -1;
int enable_m15 = 0;
int fast_loading = -1;

void jgmod_set_error(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(jgmod_error, sizeof jgmod_error, format, arguments);
    va_end(arguments);
}

void *jgmod_calloc(long size)
{
    if (size < 0)
        return NULL;
    // calloc(0) may legally return NULL; callers treat NULL as failure.
    return calloc(1, size > 0 ? (size_t)size : 1);
}

void jgmod_init_sample(SAMPLE *sample, int bits, long length)
{
    sample->bits = bits;
    sample->stereo = 0;
    sample->freq = 1000;
    sample->priority = 192;
    sample->len = (unsigned long)length;
    sample->loop_start = 0;
    sample->loop_end = 0;
    sample->param = (unsigned long)-1;
}

static void free_patterns(JGMOD *j)
{
    if (j->pattern_info == NULL)
        return;
    for (int index = 0; index < j->pattern_count; index++)
        free(j->pattern_info[index].notes);
    free(j->pattern_info);
}

static void free_samples(JGMOD *j)
{
    if (j->samples == NULL)
        return;
    for (int index = 0; index < j->sample_count; index++)
        free(j->samples[index].data);
    free(j->samples);
}

void destroy_mod(JGMOD *j)
{
    if (j == NULL)
        return;
    // Asked under the player's guard: a tick in progress may be restarting
    // this very module on the timer thread.
    stop_mod_if_current(j);
    free(j->sample_info);
    free(j->instrument_info);
    free_patterns(j);
    free_samples(j);
    free(j);
}

void lock_mod(JGMOD *j)
{
    if (j == NULL || j->samples == NULL)
        return;
    for (int index = 0; index < j->sample_count; index++)
        lock_sample(&j->samples[index]);
}

NOTE_INFO *get_note(JGMOD *j, int pattern, int row, int channel)
{
    return &j->pattern_info[pattern].notes[row * j->channel_count + channel];
}
