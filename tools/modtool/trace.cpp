// modtool trace: plays a module headless, calling the tick handler itself,
// and prints what every tick did to every channel's voice.
//
// The player runs on a recording voice driver and on a timer that is never
// started, so neither a sound device nor a display is needed.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <allegro.h>

#include "jgmod_internal.h"
#include "jgmod_timer.h"
#include "modtool.h"
#include "output.h"
#include "session.h"

#define DEFAULT_TICKS 3000

struct TraceOptions {
    const char *file;
    int ticks;
    int voices;  // 0: the module's channel count, at most 64
    int speed;
    int pitch;
    int volume;
    bool ticks_given, voices_given, speed_given, pitch_given, volume_given;
    int loop;    // the loop argument of play_mod
};

struct TracedVoice {
    int sample;     // module sample index last given to the voice; -1 none yet
    int frequency;  // last values set; 0 when never
    int volume;
    int pan;
    int started;    // voice_start during the current call
    int position;   // what voice_get_position reports
};

static TracedVoice traced[MAX_ALLEG_VOICE];
static int voices_handed_out = 0;
static const JGMOD *traced_module = NULL;

static bool valid_voice(int voice)
{
    return voice >= 0 && voice < MAX_ALLEG_VOICE;
}

static int module_sample_index(const SAMPLE *spl)
{
    if (traced_module == NULL || spl < traced_module->samples ||
        spl >= traced_module->samples + traced_module->sample_count)
        return -1;
    return (int)(spl - traced_module->samples);
}

static int trace_allocate(const SAMPLE *spl)
{
    if (voices_handed_out >= MAX_ALLEG_VOICE)
        return -1;
    int voice = voices_handed_out++;
    traced[voice].sample = module_sample_index(spl);
    return voice;
}

static void trace_reallocate(int voice, const SAMPLE *spl)
{
    if (valid_voice(voice))
        traced[voice].sample = module_sample_index(spl);
}

static void trace_ignore(int)
{
}

static void trace_ignore_value(int, int)
{
}

static void trace_start(int voice)
{
    if (valid_voice(voice)) {
        traced[voice].started = 1;
        if (traced[voice].position < 0)
            traced[voice].position = 0;
    }
}

static void trace_frequency(int voice, int frequency)
{
    if (valid_voice(voice))
        traced[voice].frequency = frequency;
}

static void trace_volume(int voice, int volume)
{
    if (valid_voice(voice))
        traced[voice].volume = volume;
}

static void trace_pan(int voice, int pan)
{
    if (valid_voice(voice))
        traced[voice].pan = pan;
}

static void trace_position(int voice, int position)
{
    if (valid_voice(voice))
        traced[voice].position = position;
}

static int trace_get_position(int voice)
{
    return valid_voice(voice) ? traced[voice].position : -1;
}

static const JGMOD_VOICE_DRIVER trace_voices = {
    trace_allocate,  trace_reallocate,   trace_ignore,   trace_start,
    trace_ignore,    trace_frequency,    trace_volume,   trace_pan,
    trace_position,  trace_ignore_value, trace_get_position,
};

// The trace calls mod_interrupt itself: the timer is never started.
static int idle_install_int_ex(void (*)(void), long)
{
    return 0;
}

static void idle_remove_int(void (*)(void))
{
}

static const JGMOD_TIMER_DRIVER idle_timer = {idle_install_int_ex, idle_remove_int};

struct NumberOption {
    const char *name;
    int low;
    int high;
    int TraceOptions::*field;
    bool TraceOptions::*given;
};

static const NumberOption number_options[] = {
    {"--ticks", 0, INT_MAX, &TraceOptions::ticks, &TraceOptions::ticks_given},
    {"--voices", 1, MAX_ALLEG_VOICE, &TraceOptions::voices, &TraceOptions::voices_given},
    // The player clamps these itself.
    {"--speed", INT_MIN, INT_MAX, &TraceOptions::speed, &TraceOptions::speed_given},
    {"--pitch", INT_MIN, INT_MAX, &TraceOptions::pitch, &TraceOptions::pitch_given},
    {"--volume", INT_MIN, INT_MAX, &TraceOptions::volume, &TraceOptions::volume_given},
};

// Returns -1 when the options are good, else the exit status.
static int parse_options(int argc, char **argv, TraceOptions *options)
{
    *options = TraceOptions{};
    options->ticks = DEFAULT_TICKS;
    options->loop = 1;
    for (int index = 0; index < argc; index++) {
        const char *arg = argv[index];
        if (strcmp(arg, "--no-loop") == 0) {
            options->loop = 0;
            continue;
        }
        const NumberOption *option = NULL;
        for (const NumberOption &candidate : number_options) {
            if (strcmp(arg, candidate.name) == 0)
                option = &candidate;
        }
        if (option != NULL) {
            if (index + 1 >= argc)
                return fail_with("trace: %s needs a number", arg);
            if (!read_int(argv[++index], option->low, option->high, &(options->*option->field)))
                return fail_with("trace: bad value for %s", arg);
            options->*option->given = true;
            continue;
        }
        if (arg[0] == '-' && arg[1] != '\0')
            return fail_with("trace: unknown option %s", arg);
        if (options->file != NULL)
            return fail_with("trace: more than one module file given (%s)", arg);
        options->file = arg;
    }
    if (options->file == NULL)
        return modtool_fail("trace: no module file given");
    return -1;
}

static void print_call(int call, int channels)
{
    for (int channel = 0; channel < channels; channel++) {
        int voice = voice_table[channel];
        TracedVoice none = {-1, 0, 0, 0, 0, -1};
        const TracedVoice &v = valid_voice(voice) ? traced[voice] : none;
        printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", call, mi.order, mi.row, mi.tick,
               channel, v.sample, v.frequency, v.volume, v.pan, v.started);
    }
}

static void run_trace(const TraceOptions &options, int channels)
{
    printf("n\torder\trow\ttick\tchannel\tsample\tfrequency\tvolume\tpan\tstart\n");
    for (int call = 0; call < options.ticks; call++) {
        for (TracedVoice &v : traced)
            v.started = 0;
        mod_interrupt();
        print_call(call, channels);
        if (of == NULL)
            break;
    }
}

int modtool_trace(int argc, char **argv)
{
    TraceOptions options;
    int status = parse_options(argc, argv, &options);
    if (status >= 0)
        return status;
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return modtool_fail("Unable to initialise the game library");

    JGMOD *j = load_mod(options.file);
    if (j == NULL)
        return fail_with("trace: %s", jgmod_error);
    int voices = options.voices;
    if (!options.voices_given)
        voices = j->channel_count < MAX_ALLEG_VOICE ? j->channel_count : MAX_ALLEG_VOICE;
    if (voices < 1)
        voices = 1;

    for (TracedVoice &v : traced)
        v = TracedVoice{-1, 0, 0, 0, 0, -1};
    traced_module = j;
    jgmod_voices = &trace_voices;
    jgmod_timer = &idle_timer;
    if (install_mod(voices) < 0) {
        destroy_mod(j);
        return fail_with("trace: %s", jgmod_error);
    }
    if (options.speed_given)
        set_mod_speed(options.speed);
    if (options.pitch_given)
        set_mod_pitch(options.pitch);
    if (options.volume_given)
        set_mod_volume(options.volume);
    play_mod(j, options.loop);

    int channels = j->channel_count < voices ? j->channel_count : voices;
    run_trace(options, channels);
    remove_mod();
    destroy_mod(j);
    traced_module = NULL;
    return finish_stdout();
}
