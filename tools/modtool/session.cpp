// Options, song start and end, and the song watch of render and play.
#include "session.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "mixer.h"
#include "modtool.h"

int fail_with(const char *format, const char *detail)
{
    char message[512];
    snprintf(message, sizeof message, format, detail);
    return modtool_fail(message);
}

bool read_int(const char *text, int low, int high, int *value)
{
    char *end = NULL;
    errno = 0;
    long number = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || number < low || number > high)
        return false;
    *value = (int)number;
    return true;
}

static bool read_seconds(const char *text, double *value)
{
    char *end = NULL;
    errno = 0;
    double number = strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(number > 0.0) || number > 1e6)
        return false;
    *value = number;
    return true;
}

static const char *const interpolation_names[] = {"none", "linear", "cubic"};

static bool read_interpolation(const char *text, int *value)
{
    for (int i = 0; i < 3; i++) {
        if (strcmp(text, interpolation_names[i]) == 0) {
            *value = i;
            return true;
        }
    }
    return false;
}

// Returns true when arg is an option of the verb that takes a value; *bad
// says the value is missing or wrong.
static bool read_valued(const char *arg, const char *value, int accepted, ListenOptions *options,
                        bool *bad)
{
    bool render = accepted & LISTEN_RENDER_OPTIONS;
    if (strcmp(arg, "--seconds") == 0)
        *bad = value == NULL || !read_seconds(value, &options->seconds);
    else if (render && strcmp(arg, "--rate") == 0)
        *bad = value == NULL || !read_int(value, 8000, 192000, &options->rate);
    else if (render && strcmp(arg, "--interpolation") == 0)
        *bad = value == NULL || !read_interpolation(value, &options->interpolation);
    else if ((accepted & LISTEN_DEVICE_OPTION) && strcmp(arg, "--device") == 0)
        *bad = value == NULL || (options->device = value).empty();
    else
        return false;
    return true;
}

int parse_listen_options(const char *verb, int argc, char **argv, int accepted,
                         ListenOptions *options)
{
    *options = ListenOptions{{}, 0.0, false, 44100, 2, JGMOD_INTERPOLATE_LINEAR, "default"};
    char message[512];
    for (int index = 0; index < argc; index++) {
        const char *arg = argv[index];
        const char *value = index + 1 < argc ? argv[index + 1] : NULL;
        bool bad = false;
        if (strcmp(arg, "--loop") == 0) {
            options->loop = true;
        } else if ((accepted & LISTEN_RENDER_OPTIONS) && strcmp(arg, "--mono") == 0) {
            options->channels = 1;
        } else if (read_valued(arg, value, accepted, options, &bad)) {
            index++;
            if (bad) {
                snprintf(message, sizeof message, "%s: bad value for %s", verb, arg);
                return modtool_fail(message);
            }
        } else if (arg[0] == '-' && arg[1] != '\0') {
            snprintf(message, sizeof message, "%s: unknown option %s", verb, arg);
            return modtool_fail(message);
        } else {
            options->files.push_back(arg);
        }
    }
    return -1;
}

JGMOD *start_song(const char *file, const ListenOptions &options, bool loop)
{
    JGMOD *j = load_mod(file);
    if (j == NULL)
        return NULL;
    int voices = j->channel_count < 1 ? 1 : j->channel_count > MAX_ALLEG_VOICE ? MAX_ALLEG_VOICE
                                                                             : j->channel_count;
    jgmod_voices = &jgmod_mixer_voices;
    jgmod_timer = &jgmod_mixer_timer;
    jgmod_mixer_frequency = jgmod_mixer_rate;
    jgmod_mixer_open(options.rate, options.channels, options.interpolation, voices);
    if (install_mod(voices) < 0) {
        destroy_mod(j);
        return NULL;
    }
    play_mod(j, loop ? 1 : 0);
    return j;
}

void end_song(JGMOD *j)
{
    remove_mod();
    jgmod_mixer_forget_samples();
    destroy_mod(j);
}

void watch_song(SongWatch *watch)
{
    memset(watch->seen, 0, sizeof watch->seen);
    watch->order = mi.order;
    watch->pattern = mi.pattern;
    watch->row = mi.row;
    if (mi.order >= 0 && mi.order < MAX_ORDER)
        watch->seen[mi.order] = 1;
}

static bool row_loops_pattern(JGMOD *j, int pattern, int row)
{
    if (pattern < 0 || pattern >= j->pattern_count || row < 0 ||
        row >= j->pattern_info[pattern].row_count)
        return false;
    for (int channel = 0; channel < j->channel_count; channel++) {
        const NOTE_INFO *cell = get_note(j, pattern, row, channel);
        if (cell->command == CMD_EXTENDED && jgmod_high_nibble(cell->parameter) == EXT_PATTERN_LOOP)
            return true;
    }
    return false;
}

bool song_came_back(SongWatch *watch, JGMOD *j)
{
    bool back = false;
    if (mi.order != watch->order) {
        back = mi.order >= 0 && mi.order < MAX_ORDER && watch->seen[mi.order];
        if (mi.order >= 0 && mi.order < MAX_ORDER)
            watch->seen[mi.order] = 1;
    } else if (mi.row < watch->row) {
        back = !row_loops_pattern(j, watch->pattern, watch->row);
    }
    watch->order = mi.order;
    watch->pattern = mi.pattern;
    watch->row = mi.row;
    return back;
}

double wall_seconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}
