// The voice driver of the fuzz targets. It reads the last point of every
// sample a voice is started on, so that a sample whose data block is shorter
// than its length is caught by the sanitizer; and before a module plays, it
// must keep the rules every loaded module keeps.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "jgmod_timer.h"
#include "support/module_rules.h"

#define FUZZ_TICKS 500

struct FUZZ_VOICE {
    const SAMPLE *sample;
    int position;
    int playmode;
};

static FUZZ_VOICE voices[MAX_ALLEG_VOICE];
static volatile unsigned char sink;

static FUZZ_VOICE *voice_at(int voice)
{
    if (voice < 0 || voice >= MAX_ALLEG_VOICE)
        abort();  // the engine must only use voices it was given
    return &voices[voice];
}

// The mixer plays from 0 to len and, in a looping mode, between the loop points.
static void check_voice(int voice)
{
    const FUZZ_VOICE *v = voice_at(voice);
    const SAMPLE *s = v->sample;
    if (s == NULL || s->data == NULL)
        abort();
    if (s->len > 0)
        sink = ((const unsigned char *)s->data)[s->len * (s->bits == 16 ? 2 : 1) - 1];
    if ((v->playmode & PLAYMODE_LOOP) && s->loop_end > s->len)
        abort();
}

static int allocate(const SAMPLE *s)
{
    for (int voice = 0; voice < MAX_ALLEG_VOICE; voice++) {
        if (voices[voice].sample == NULL) {
            voices[voice] = FUZZ_VOICE{s, 0, 0};
            return voice;
        }
    }
    return -1;
}

static const JGMOD_VOICE_DRIVER fuzz_voices = {
    allocate,
    [](int voice, const SAMPLE *s) { *voice_at(voice) = FUZZ_VOICE{s, 0, 0}; },  // as the mixer: play once
    [](int voice) { *voice_at(voice) = FUZZ_VOICE{NULL, 0, 0}; },
    [](int voice) { check_voice(voice); },
    [](int voice) { voice_at(voice)->position = -1; },
    [](int voice, int) { voice_at(voice); },
    [](int voice, int) { voice_at(voice); },
    [](int voice, int) { voice_at(voice); },
    [](int voice, int position) { voice_at(voice)->position = position; },
    [](int voice, int playmode) {
        voice_at(voice)->playmode = playmode;
        check_voice(voice);
    },
    [](int voice) { return voice_at(voice)->position; },
};

static const JGMOD_TIMER_DRIVER fuzz_timer = {
    [](void (*)(void), long) { return 0; },
    [](void (*)(void)) {},
};

JGMOD_READER fuzz_reader(const unsigned char *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        jgmod_voices = &fuzz_voices;
        jgmod_timer = &fuzz_timer;
        if (install_mod(4) != 1)
            abort();
        ready = true;
    }
    JGMOD_READER r;
    reader_wrap(&r, data, (long long)size);
    return r;
}

void fuzz_play(JGMOD *j, bool imported)
{
    if (j == NULL)
        return;
    std::string fault = imported ? module_fault(j) : "";
    if (!fault.empty()) {
        fprintf(stderr, "loaded module breaks a rule: %s\n", fault.c_str());
        abort();
    }
    play_mod(j, TRUE);
    for (int tick = 0; tick < FUZZ_TICKS; tick++)
        mod_interrupt();
    stop_mod();
    destroy_mod(j);
}
