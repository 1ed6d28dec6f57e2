// The fuzz targets, one per reader; each build of this file is one target,
// chosen by ZQ_FUZZ_TARGET (see CMakeLists.txt). Every loaded module plays
// for 500 ticks on a voice driver that reads the last point of every sample
// a voice is started on, so that a sample whose data block is shorter than
// its length is caught by the sanitizer; an imported module must first keep
// the rules every loaded module keeps.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "import/import.h"
#include "jgmod_timer.h"
#include "support/module_rules.h"
#include "support/packfile_helpers.h"

struct FUZZ_VOICE { const SAMPLE *sample; int position, playmode, frequency, playing; };

#define FUZZ_MIXER_HZ 44100

static FUZZ_VOICE voices[MAX_ALLEG_VOICE];
static volatile unsigned char sink;

static FUZZ_VOICE *voice_at(int voice)
{
    if (voice < 0 || voice >= MAX_ALLEG_VOICE)
        abort();  // the engine must only use voices it was given
    return &voices[voice];
}

// The mixer plays from 0 to len and, in a looping mode, between the loop
// points, at what the library's mixer can play.
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
    std::string fault = voice_fault(s, v->playing, v->playmode, v->frequency, FUZZ_MIXER_HZ);
    if (!fault.empty()) {
        fprintf(stderr, "voice %d: %s\n", voice, fault.c_str());
        abort();
    }
}

static void start(int voice)
{
    voice_at(voice)->playing = 1;
    check_voice(voice);
}

static int allocate(const SAMPLE *s)
{
    for (int voice = 0; voice < MAX_ALLEG_VOICE; voice++) {
        if (voices[voice].sample == NULL) {
            voices[voice] = FUZZ_VOICE{s, 0, 0, s != NULL ? s->freq : 0, 0};
            return voice;
        }
    }
    return -1;
}

static void set_playmode(int voice, int playmode)
{
    voice_at(voice)->playmode = playmode;
    check_voice(voice);
}

// A stopped voice keeps its sample and settings and reports position -1.
static void stop(int voice)
{
    voice_at(voice)->position = -1;
    voice_at(voice)->playing = 0;
}

// A stopped voice may still name the sample of a song since freed, as in the
// library: only a playing one is checked.
static void set_frequency(int voice, int frequency)
{
    voice_at(voice)->frequency = frequency;
    if (voice_at(voice)->playing)
        check_voice(voice);
}

static void set_nothing(int voice, int) { voice_at(voice); }

static const JGMOD_VOICE_DRIVER fuzz_voices = {
    allocate,
    [](int voice, const SAMPLE *s) { *voice_at(voice) = FUZZ_VOICE{s, 0, 0, s->freq, 0}; },
    [](int voice) { *voice_at(voice) = FUZZ_VOICE{NULL, 0, 0, 0, 0}; },
    start,
    stop,
    set_frequency,
    set_nothing,
    set_nothing,
    [](int voice, int position) { voice_at(voice)->position = position; },
    set_playmode,
    [](int voice) { return voice_at(voice)->position; },
};

static const JGMOD_TIMER_DRIVER fuzz_timer = {[](void (*)(void), long) { return 0; },
                                               [](void (*)(void)) {}};

// A JGM stream is the player's own, and its reader leaves cell and map
// indices to the engine: only imported modules are held to the rules.
static void fuzz_play(JGMOD *j, bool imported = true)
{
    if (j == NULL)
        return;
    std::string fault = imported ? module_fault(j) : "";
    if (!fault.empty()) {
        fprintf(stderr, "loaded module breaks a rule: %s\n", fault.c_str());
        abort();
    }
    play_mod(j, TRUE);
    for (int tick = 0; tick < 500; tick++)
        mod_interrupt();
    stop_mod();
    destroy_mod(j);
}

// The JGM reader, and its writer on what it read: a module that loads, once
// saved, must load again and save to the same bytes; a refusal says why.
[[maybe_unused]] static void fuzz_jgm(JGMOD_READER *r)
{
    jgmod_error[0] = 0;
    JGMOD *j = load_jgm_from(r);
    if (j == NULL && jgmod_error[0] == 0)
        abort();
    MemoryPackfile first, second;
    auto save = [](JGMOD *module, MemoryPackfile *out) {
        PACKFILE *f = out->open();
        int result = save_jgm(f, module);
        pack_fclose(f);
        return result == 1;
    };
    if (j != NULL && save(j, &first)) {
        JGMOD_READER again_reader;
        reader_wrap(&again_reader, first.bytes().data(), (long long)first.bytes().size());
        JGMOD *again = load_jgm_from(&again_reader);
        if (again == NULL || !save(again, &second) || second.bytes() != first.bytes())
            abort();
        destroy_mod(again);
    }
    fuzz_play(j, false);
}

[[maybe_unused]] static void fuzz_mod(JGMOD_READER *r)
{
    for (int samples : {31, 15}) {
        JGMOD_READER fresh = *r;
        fuzz_play(load_m_from(&fresh, samples));
    }
}

// Every enabled channel kept, then only the used ones.
[[maybe_unused]] static void fuzz_s3m(JGMOD_READER *r)
{
    for (int fast : {-1, 0}) {
        fast_loading = fast;
        JGMOD_READER fresh = *r;
        fuzz_play(load_s3m_from(&fresh, 0));
    }
    fast_loading = -1;
}

[[maybe_unused]] static void fuzz_xm(JGMOD_READER *r)
{
    fuzz_play(load_xm_from(r, 0));
}

// IT recognition and the package searches, with the information each gives.
[[maybe_unused]] static void fuzz_detect(JGMOD_READER *r)
{
    const struct { const char *tag; int type; } searches[] = {
        {"IMPM", UNREAL_IT_TYPE}, {"Extended Module: ", UNREAL_XM_TYPE}, {"SCRM", UNREAL_S3M_TYPE}};
    MODULE_INFO info;
    for (const auto &search : searches) {
        int offset = find_in_package(r, search.tag, (int)strlen(search.tag));
        if (offset > r->size)
            abort();
        if (offset > 0)
            import_info_from(r, module_format(search.type), offset, &info);
    }
    if (find_it(r) == 0)
        import_info_from(r, module_format(IT_TYPE), 0, &info);
}

// The dispatcher's choice, then that format's information and reader (IT
// is left out: it only prints its name and refuses).
[[maybe_unused]] static void fuzz_dispatch(JGMOD_READER *r)
{
    enable_m15 = -1;
    int offset = 0;
    const MODULE_FORMAT *format = find_module_format(r, &offset);
    if (format == NULL || format->type == IT_TYPE || format->type == UNREAL_IT_TYPE)
        return;
    MODULE_INFO info;
    import_info_from(r, format, offset, &info);
    fuzz_play(format->load(r, offset), format->type != JGM_TYPE);
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        jgmod_voices = &fuzz_voices;
        jgmod_timer = &fuzz_timer;
        jgmod_mixer_frequency = [] { return FUZZ_MIXER_HZ; };
        if (install_mod(4) != 1)
            abort();
        ready = true;
    }
    JGMOD_READER r;
    reader_wrap(&r, data, (long long)size);
    ZQ_FUZZ_TARGET(&r);
    return 0;
}
