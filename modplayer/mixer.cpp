// The software mixer behind the voice and timer seams.
//
// A voice's position is a fixed-point frame number. Inside a ping-pong loop
// it runs on past the loop end for the way back, so that it only ever grows
// between wraps: frame k of that unfolded run maps back into the loop by
// mirroring, and interpolating along the unfolded frames plays the way back
// exactly as the way out. Every read goes through that mapping or through a
// range check, so no frequency, position or loop reads outside the sample.
#include "mixer.h"

#include <limits.h>
#include <math.h>
#include <string.h>

#define FRACTION_BITS 20
#define ONE_FRAME (1LL << FRACTION_BITS)
#define MIX_BLOCK 1024  // frames mixed in one pass

enum LOOP_KIND { LOOP_NONE, LOOP_ONWARD, LOOP_BOUNCE };

struct MIXER_VOICE {
    const SAMPLE *sample;  // none: the voice is free
    int playing;           // 0: stopped, or a sample without loop ran out
    int fading;            // a stopped voice's fade-out, dropped when silent
    int playmode;          // PLAYMODE_* bits as last set
    int length;            // frames
    int loop_kind;         // LOOP_KIND, from the play mode and the sample's loop
    int loop_start;        // frames; the loop is at least one frame long
    int loop_end;
    long long position;    // fixed point; see the top of this file
    long long wrap_at;     // fixed point: where settle() has work to do
    long long step;        // fixed point, per output frame
    int volume;            // 0..255
    int pan;               // 0 left .. 255 right
    float gain[2];         // per output channel, now
    float target[2];       // where the ramp is heading
    float ramp_step[2];    // per frame
    int ramp_left;         // frames
};

struct MIXER_STATE {
    int rate;                 // frames per second
    int channels;             // 1 or 2
    int interpolation;        // JGMOD_INTERPOLATION
    float headroom;           // scale of every voice
    int ramp_frames;          // length of a volume change
    void (*handler)(void);    // the installed tick handler, or none
    long period;              // timer units between ticks
    long long until_tick;     // timer units x rate to the next tick; <= 0: due
    long long frames;         // mixed since jgmod_mixer_open
};

static MIXER_VOICE mixer_voice[MAX_ALLEG_VOICE];
static MIXER_VOICE fading_voice[MAX_ALLEG_VOICE];  // one fade-out per voice
static MIXER_STATE mixer = {44100, 2, JGMOD_INTERPOLATE_LINEAR, 1.0f, 88, NULL, 1, 0, 0};
static float mix_buffer[MIX_BLOCK * 2];

static MIXER_VOICE *voice_at(int voice)
{
    if (voice < 0 || voice >= MAX_ALLEG_VOICE || mixer_voice[voice].sample == NULL)
        return NULL;
    return &mixer_voice[voice];
}

// Maps frame k of the unfolded run to the frame to read; -1 reads silence.
static long long frame_index(const MIXER_VOICE *v, long long k)
{
    if (v->loop_kind == LOOP_NONE || k < v->loop_end)
        return (k < 0 || k >= v->length) ? -1 : k;
    long long length = v->loop_end - v->loop_start;
    long long offset = (k - v->loop_start) % (v->loop_kind == LOOP_BOUNCE ? 2 * length : length);
    if (offset >= length)
        offset = 2 * length - 1 - offset;  // the way back, each end frame played twice
    return v->loop_start + offset;
}

// The frame as a signed 16-bit level; a stereo sample gives the mean of its sides.
static float frame_value(const SAMPLE *s, long long index)
{
    if (index < 0)
        return 0.0f;
    if (s->bits == 16) {
        const unsigned short *d = (const unsigned short *)s->data;
        if (s->stereo)
            return (d[2 * index] + d[2 * index + 1]) * 0.5f - 32768.0f;
        return d[index] - 32768.0f;
    }
    const unsigned char *d = (const unsigned char *)s->data;
    if (s->stereo)
        return ((d[2 * index] + d[2 * index + 1]) * 0.5f - 128.0f) * 256.0f;
    return (d[index] - 128.0f) * 256.0f;
}

// Frame k of the unfolded run; the common case reads straight through.
static inline float frame_at(const MIXER_VOICE *v, long long k, long long limit)
{
    return frame_value(v->sample, (k >= 0 && k < limit) ? k : frame_index(v, k));
}

static float level_at(const MIXER_VOICE *v)
{
    long long k = v->position >> FRACTION_BITS;
    long long limit = v->loop_kind == LOOP_NONE ? v->length : v->loop_end;
    float t = (float)(v->position & (ONE_FRAME - 1)) * (1.0f / ONE_FRAME);
    switch (mixer.interpolation) {
    case JGMOD_INTERPOLATE_NONE:
        return frame_at(v, k, limit);
    case JGMOD_INTERPOLATE_CUBIC: {
        float y0 = frame_at(v, k - 1, limit), y1 = frame_at(v, k, limit);
        float y2 = frame_at(v, k + 1, limit), y3 = frame_at(v, k + 2, limit);
        float a = -0.5f * y0 + 1.5f * y1 - 1.5f * y2 + 0.5f * y3;
        float b = y0 - 2.5f * y1 + 2.0f * y2 - 0.5f * y3;
        float c = 0.5f * (y2 - y0);
        return ((a * t + b) * t + c) * t + y1;
    }
    default: {
        float y1 = frame_at(v, k, limit);
        return y1 + (frame_at(v, k + 1, limit) - y1) * t;
    }
    }
}

// Brings a position that ran past the loop back into it, or ends a voice
// whose sample ran out.
static void settle(MIXER_VOICE *v)
{
    if (v->position < v->wrap_at)
        return;
    if (v->loop_kind == LOOP_NONE) {
        v->playing = 0;
        return;
    }
    long long start = (long long)v->loop_start << FRACTION_BITS;
    v->position = start + (v->position - start) % (v->wrap_at - start);
}

static void shape_loop(MIXER_VOICE *v)
{
    const SAMPLE *s = v->sample;
    unsigned long end = s->loop_end < (unsigned long)v->length ? s->loop_end : v->length;
    unsigned long start = s->loop_start < end ? s->loop_start : end;
    v->loop_kind = LOOP_NONE;
    v->wrap_at = (long long)v->length << FRACTION_BITS;
    if ((v->playmode & PLAYMODE_LOOP) == 0 || end - start < 1)
        return;
    v->loop_kind = (v->playmode & PLAYMODE_BIDIR) ? LOOP_BOUNCE : LOOP_ONWARD;
    v->loop_start = (int)start;
    v->loop_end = (int)end;
    long long span = (long long)(end - start) * (v->loop_kind == LOOP_BOUNCE ? 2 : 1);
    v->wrap_at = (long long)(start + span) << FRACTION_BITS;
}

// Heads the gains for the voice's volume and pan over one ramp.
static void aim_gain(MIXER_VOICE *v)
{
    float level = v->volume / 255.0f * mixer.headroom;
    if (mixer.channels == 1) {
        v->target[0] = level;
        v->target[1] = 0.0f;
    } else {
        v->target[0] = level * (255 - v->pan) / 255.0f;
        v->target[1] = level * v->pan / 255.0f;
    }
    v->ramp_left = mixer.ramp_frames;
    for (int c = 0; c < 2; c++)
        v->ramp_step[c] = (v->target[c] - v->gain[c]) / mixer.ramp_frames;
}

// A sounding voice that stops hands its sound to a fade-out, so that it ends
// without a click however abruptly the player cuts it.
static void fade_out(MIXER_VOICE *v)
{
    if (!v->playing || (v->gain[0] == 0.0f && v->gain[1] == 0.0f))
        return;
    MIXER_VOICE *fade = &fading_voice[v - mixer_voice];
    *fade = *v;
    fade->fading = 1;
    fade->volume = 0;
    aim_gain(fade);
}

// The library's defaults for a newly given sample: stopped at frame 0,
// volume 255, centre pan, the sample's own frequency, no loop.
static void give_sample(MIXER_VOICE *v, const SAMPLE *spl)
{
    fade_out(v);
    *v = MIXER_VOICE{};
    v->sample = spl;
    v->length = spl->len < (unsigned long)INT_MAX ? (int)spl->len : INT_MAX;
    v->volume = 255;
    v->pan = 128;
    v->step = spl->freq > 0 ? ((long long)spl->freq << FRACTION_BITS) / mixer.rate : 0;
    shape_loop(v);
    aim_gain(v);
}

static int mixer_allocate_voice(const SAMPLE *spl)
{
    if (spl == NULL)
        return -1;
    for (int voice = 0; voice < MAX_ALLEG_VOICE; voice++) {
        if (mixer_voice[voice].sample == NULL) {
            give_sample(&mixer_voice[voice], spl);
            return voice;
        }
    }
    return -1;
}

static void mixer_reallocate_voice(int voice, const SAMPLE *spl)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL && spl != NULL)
        give_sample(v, spl);
}

static void mixer_deallocate_voice(int voice)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL) {
        fade_out(v);
        *v = MIXER_VOICE{};
    }
}

static void mixer_voice_start(int voice)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v == NULL || v->playing)
        return;
    if (v->position >= v->wrap_at)
        v->position = 0;  // a sample that ran out plays again from its start
    v->playing = 1;
    v->gain[0] = v->gain[1] = 0.0f;
    aim_gain(v);
}

static void mixer_voice_stop(int voice)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL) {
        fade_out(v);
        v->playing = 0;
    }
}

static void mixer_voice_set_frequency(int voice, int frequency)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL)
        v->step = frequency > 0 ? ((long long)frequency << FRACTION_BITS) / mixer.rate : 0;
}

static void mixer_voice_set_volume(int voice, int volume)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL) {
        v->volume = jgmod_clamp(volume, 0, 255);
        aim_gain(v);
    }
}

static void mixer_voice_set_pan(int voice, int pan)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL) {
        v->pan = jgmod_clamp(pan, 0, 255);
        aim_gain(v);
    }
}

static void mixer_voice_set_position(int voice, int position)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v != NULL) {
        v->position = (long long)(position > 0 ? position : 0) << FRACTION_BITS;
        settle(v);
    }
}

// The position stays on the frame it plays, also when a ping-pong loop on
// its way back is switched off.
static void mixer_voice_set_playmode(int voice, int playmode)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v == NULL)
        return;
    long long frame = frame_index(v, v->position >> FRACTION_BITS);
    long long fraction = v->position & (ONE_FRAME - 1);
    v->playmode = playmode;
    shape_loop(v);
    if (frame >= 0)
        v->position = (frame << FRACTION_BITS) | fraction;
    settle(v);
}

static int mixer_voice_get_position(int voice)
{
    MIXER_VOICE *v = voice_at(voice);
    if (v == NULL || !v->playing)
        return -1;
    return (int)frame_index(v, v->position >> FRACTION_BITS);
}

const JGMOD_VOICE_DRIVER jgmod_mixer_voices = {
    mixer_allocate_voice,      mixer_reallocate_voice,   mixer_deallocate_voice,
    mixer_voice_start,         mixer_voice_stop,         mixer_voice_set_frequency,
    mixer_voice_set_volume,    mixer_voice_set_pan,      mixer_voice_set_position,
    mixer_voice_set_playmode,  mixer_voice_get_position,
};

// A new handler starts at once; installing the one already running only
// changes the period, from its next tick on.
static int mixer_install_int_ex(void (*proc)(void), long speed)
{
    if (mixer.handler != proc) {
        mixer.handler = proc;
        mixer.until_tick = 0;
    }
    mixer.period = speed > 0 ? speed : 1;
    return 0;
}

static void mixer_remove_int(void (*proc)(void))
{
    if (mixer.handler == proc)
        mixer.handler = NULL;
}

const JGMOD_TIMER_DRIVER jgmod_mixer_timer = {mixer_install_int_ex, mixer_remove_int};

int jgmod_mixer_rate(void)
{
    return mixer.rate;
}

void jgmod_mixer_open(int rate, int channels, int interpolation, int voices)
{
    memset(mixer_voice, 0, sizeof mixer_voice);
    memset(fading_voice, 0, sizeof fading_voice);
    mixer.rate = rate > 0 ? rate : 1;
    mixer.channels = channels == 1 ? 1 : 2;
    mixer.interpolation = interpolation;
    mixer.headroom = 1.0f / sqrtf((float)(voices > 1 ? voices : 1));
    mixer.ramp_frames = mixer.rate / 500 > 1 ? mixer.rate / 500 : 1;  // 2 ms
    mixer.handler = NULL;
    mixer.period = 1;
    mixer.until_tick = 0;
    mixer.frames = 0;
}

int jgmod_mixer_run_ticks(void)
{
    int ran = 0;
    while (mixer.handler != NULL && mixer.until_tick <= 0) {
        mixer.handler();
        ran++;
        mixer.until_tick += (long long)mixer.period * mixer.rate;
    }
    return ran;
}

// Moves a voice that cannot be heard without reading its sample.
static void skip_voice(MIXER_VOICE *v, int frames)
{
    v->position += v->step * frames;
    settle(v);
}

static void mix_voice(MIXER_VOICE *v, float *out, int frames)
{
    if (v->ramp_left == 0 && v->gain[0] == 0.0f && v->gain[1] == 0.0f) {
        if (v->fading)
            v->playing = 0;
        else
            skip_voice(v, frames);
        return;
    }
    int stride = mixer.channels;
    for (int f = 0; f < frames && v->playing; f++) {
        float level = level_at(v);
        if (v->ramp_left > 0) {
            v->gain[0] += v->ramp_step[0];
            v->gain[1] += v->ramp_step[1];
            if (--v->ramp_left == 0) {
                v->gain[0] = v->target[0];
                v->gain[1] = v->target[1];
                if (v->fading)
                    v->playing = 0;
            }
        }
        out[f * stride] += level * v->gain[0];
        if (stride == 2)
            out[f * stride + 1] += level * v->gain[1];
        v->position += v->step;
        settle(v);
    }
}

int jgmod_mixer_mix(short *out, int frames)
{
    jgmod_mixer_run_ticks();
    if (frames <= 0)
        return 0;
    int count = frames < MIX_BLOCK ? frames : MIX_BLOCK;
    if (mixer.handler != NULL) {
        long long due = (mixer.until_tick + TIMERS_PER_SECOND - 1) / TIMERS_PER_SECOND;
        if (due < count)
            count = (int)due;
    }
    int values = count * mixer.channels;
    memset(mix_buffer, 0, sizeof(float) * values);
    for (int voice = 0; voice < MAX_ALLEG_VOICE; voice++) {
        if (mixer_voice[voice].playing)
            mix_voice(&mixer_voice[voice], mix_buffer, count);
        if (fading_voice[voice].playing)
            mix_voice(&fading_voice[voice], mix_buffer, count);
    }
    for (int i = 0; i < values; i++) {
        float value = mix_buffer[i];
        value = value < -32768.0f ? -32768.0f : (value > 32767.0f ? 32767.0f : value);
        out[i] = (short)lrintf(value);
    }
    mixer.until_tick -= (long long)count * TIMERS_PER_SECOND;
    mixer.frames += count;
    return count;
}

long long jgmod_mixer_frames(void)
{
    return mixer.frames;
}

void jgmod_mixer_forget_samples(void)
{
    for (int voice = 0; voice < MAX_ALLEG_VOICE; voice++) {
        mixer_voice[voice].playing = 0;
        fading_voice[voice].playing = 0;
    }
}
