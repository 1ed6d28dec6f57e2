// A small software mixer behind the player's voice and timer seams: the
// engine runs exactly as in the game, tick by tick, and every tick's worth
// of sound is mixed from the voices' current settings.
#include "module_render.h"

#include <jgmod_internal.h>
#include <jgmod_timer.h>

#include <math.h>
#include <stdio.h>

#include <vector>

enum { RENDER_VOICES = 8, OUTPUT_RATE = 44100 };

struct MixVoice {
    bool allocated = false;
    const SAMPLE *sample = nullptr;
    bool playing = false;
    double position = 0.0;   // frames into the sample
    int frequency = 1000;    // frames per second
    int volume = 255;
    int pan = 128;
    bool looped = false;
};

static MixVoice voices[RENDER_VOICES];
static long tick_period = 0;   // timer units of the installed handler; 0 = none

static int mix_allocate(const SAMPLE *spl)
{
    for (int v = 0; v < RENDER_VOICES; v++)
        if (!voices[v].allocated) {
            voices[v] = MixVoice();
            voices[v].allocated = true;
            voices[v].sample = spl;
            return v;
        }
    return -1;
}

static void mix_reallocate(int v, const SAMPLE *spl)
{
    voices[v].sample = spl;
    voices[v].playing = false;
    voices[v].position = 0.0;
    voices[v].looped = false;
}

static void mix_deallocate(int v) { voices[v] = MixVoice(); }
static void mix_start(int v) { voices[v].playing = true; }
static void mix_stop(int v) { voices[v].playing = false; }
static void mix_frequency(int v, int f) { voices[v].frequency = f; }
static void mix_volume(int v, int volume) { voices[v].volume = volume; }
static void mix_pan(int v, int pan) { voices[v].pan = pan; }
static void mix_position(int v, int position) { voices[v].position = position; }
static void mix_playmode(int v, int mode) { voices[v].looped = (mode & PLAYMODE_LOOP) != 0; }
static int mix_get_position(int v) { return voices[v].playing ? (int)voices[v].position : -1; }

static const JGMOD_VOICE_DRIVER mixer_voices = {
    mix_allocate, mix_reallocate, mix_deallocate, mix_start, mix_stop, mix_frequency,
    mix_volume, mix_pan, mix_position, mix_playmode, mix_get_position,
};

static int capture_install(void (*)(void), long speed)
{
    tick_period = speed;
    return 0;
}

static void capture_remove(void (*)(void))
{
    tick_period = 0;
}

static const JGMOD_TIMER_DRIVER captured_timer = {capture_install, capture_remove};

// One output frame of one voice, linearly interpolated, -1..1.
static double voice_frame(MixVoice *v)
{
    const SAMPLE *s = v->sample;
    if (!v->playing || !s || !s->data || s->len == 0)
        return 0.0;
    double end = v->looped ? (double)s->loop_end : (double)s->len;
    if (v->position >= end) {
        if (!v->looped || s->loop_end <= s->loop_start) {
            v->playing = false;
            return 0.0;
        }
        v->position -= (double)(s->loop_end - s->loop_start);
    }
    const unsigned char *pcm = (const unsigned char *)s->data;
    long i = (long)v->position;
    double t = v->position - i;
    long next = i + 1 < (long)s->len ? i + 1 : i;
    double value = ((pcm[i] - 128) * (1.0 - t) + (pcm[next] - 128) * t) / 128.0;
    v->position += (double)v->frequency / OUTPUT_RATE;
    return value * v->volume / 255.0;
}

static void mix_frames(long count, std::vector<short> *out)
{
    for (long f = 0; f < count; f++) {
        double left = 0.0, right = 0.0;
        for (MixVoice &v : voices) {
            double value = voice_frame(&v);
            left += value * (255 - v.pan) / 255.0;
            right += value * v.pan / 255.0;
        }
        // Half scale per voice at centre, as the library's mixer does.
        out->push_back((short)lround(fmax(-1.0, fmin(1.0, left * 0.5)) * 32767));
        out->push_back((short)lround(fmax(-1.0, fmin(1.0, right * 0.5)) * 32767));
    }
}

static void put_le(FILE *f, unsigned long value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        fputc((int)((value >> (8 * i)) & 0xFF), f);
}

static bool write_wav(const char *path, const std::vector<short> &frames)
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return false;
    unsigned long bytes = frames.size() * 2;
    fputs("RIFF", f);
    put_le(f, 36 + bytes, 4);
    fputs("WAVEfmt ", f);
    put_le(f, 16, 4);
    put_le(f, 1, 2);
    put_le(f, 2, 2);
    put_le(f, OUTPUT_RATE, 4);
    put_le(f, OUTPUT_RATE * 4, 4);
    put_le(f, 4, 2);
    put_le(f, 16, 2);
    fputs("data", f);
    put_le(f, bytes, 4);
    for (short s : frames)
        put_le(f, (unsigned short)s, 2);
    bool ok = !ferror(f);
    return fclose(f) == 0 && ok;
}

bool render_module(JGMOD *module, double seconds, const char *wav_path)
{
    // The seams stay on the mixer for the rest of the run: the player's exit
    // hook must not hand these voice numbers to the library.
    jgmod_voices = &mixer_voices;
    jgmod_timer = &captured_timer;
    if (install_mod(4) != 1)
        return false;
    play_mod(module, 1);
    std::vector<short> frames;
    long total = (long)(seconds * OUTPUT_RATE);
    double owed = 0.0;   // output frames not yet mixed, carried between ticks
    while ((long)frames.size() / 2 < total && tick_period > 0) {
        mod_interrupt();
        owed += (double)tick_period * OUTPUT_RATE / TIMERS_PER_SECOND;
        long now = (long)owed;
        owed -= now;
        mix_frames(now, &frames);
    }
    stop_mod();
    remove_mod();
    return write_wav(wav_path, frames);
}
