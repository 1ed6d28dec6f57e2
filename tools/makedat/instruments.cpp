// The module's instruments. Pitched ones repeat exactly every cycle (64
// frames for the lead and chords, 128 for the bass), and their loops span
// whole cycles at constant loudness, so a held note loops without a click.
#include "module.h"

#include <math.h>

static Signal blank(int frames)
{
    Signal s;
    s.rate = INSTRUMENT_RATE;
    s.frames.assign((size_t)frames, 0.0);
    return s;
}

// Loudness that falls from 1 towards `sustain` and is held from `hold_from`
// on; a short attack avoids a click at the start.
static double held_envelope(int frame, int attack, double sustain, double time_constant, int hold_from)
{
    int f = frame < hold_from ? frame : hold_from;
    double level = sustain + (1.0 - sustain) * exp(-f / time_constant);
    if (frame < attack)
        level *= (double)frame / attack;
    return level;
}

// A held note: scaled to the common peak, its sustain looping from `hold`
// to the end.
static Instrument held(Instrument ins, int volume, int hold)
{
    normalise(&ins.signal, 0.95);
    ins.volume = volume;
    ins.loop_start = hold;
    ins.looped = true;
    return ins;
}

// A pulse of 25% duty from its first twelve harmonics: hollow and bright.
static Instrument make_lead(void)
{
    const int cycle = 64, length = 4096, hold = 3072;
    Instrument ins;
    ins.signal = blank(length);
    for (int i = 0; i < length; i++) {
        double phase = (double)(i % cycle) / cycle;
        double v = 0.0;
        for (int k = 1; k <= 12; k++)
            v += sin(M_PI * k * 0.25) / k * cos(2.0 * M_PI * k * phase);
        ins.signal.frames[i] = v * held_envelope(i, 24, 0.55, 1200.0, hold);
    }
    return held(ins, 40, hold);
}

// A round saw with a sine an octave below it, plucked.
static Instrument make_bass(void)
{
    const int cycle = 128, length = 4096, hold = 3072;
    Instrument ins;
    ins.signal = blank(length);
    for (int i = 0; i < length; i++) {
        double phase = (double)(i % cycle) / cycle;
        double v = 0.0;
        for (int k = 2; k <= 20; k += 2)   // the saw sits an octave above the sub
            v += sin(2.0 * M_PI * k * phase) / pow(k / 2.0, 1.4);
        v += 0.8 * sin(2.0 * M_PI * phase);
        ins.signal.frames[i] = v * held_envelope(i, 8, 0.45, 900.0, hold);
    }
    return held(ins, 52, hold);
}

// A soft triad in just intonation: the root makes `root_cycles` turns while
// the third and fifth make `third_cycles` and `fifth_cycles` in `period`
// frames, so the chord repeats exactly every `period` frames.
static Instrument make_chord(int period, int root_cycles, int third_cycles, int fifth_cycles, int length, int hold)
{
    Instrument ins;
    ins.signal = blank(length);
    const int cycles[3] = {root_cycles, third_cycles, fifth_cycles};
    for (int i = 0; i < length; i++) {
        double phase = (double)(i % period) / period;
        double v = 0.0;
        for (int c : cycles)
            v += sin(2.0 * M_PI * c * phase) + 0.35 * sin(4.0 * M_PI * c * phase) +
                 0.12 * sin(6.0 * M_PI * c * phase);
        ins.signal.frames[i] = v * held_envelope(i, 240, 0.6, 2500.0, hold);
    }
    return held(ins, 26, hold);
}

// One-shot sounds end at silence, so a drum cut off by its own end makes
// no click.
static void fade_tail(Signal *signal, int frames)
{
    int length = (int)signal->frames.size();
    for (int i = 0; i < frames && i < length; i++)
        signal->frames[length - 1 - i] *= (double)i / frames;
}

// A drum: scaled to the common peak and faded out over its last frames.
static Instrument one_shot(Instrument ins, int volume, int fade_frames)
{
    normalise(&ins.signal, 0.95);
    fade_tail(&ins.signal, fade_frames);
    ins.volume = volume;
    return ins;
}

static Instrument make_kick(void)
{
    Instrument ins;
    ins.signal = blank(INSTRUMENT_RATE / 4);
    double phase = 0.0;
    for (size_t i = 0; i < ins.signal.frames.size(); i++) {
        double t = (double)i / INSTRUMENT_RATE;
        double frequency = 45.0 + 110.0 * exp(-t / 0.03);
        phase += frequency / INSTRUMENT_RATE;
        ins.signal.frames[i] = sine_at(phase) * decay(t, 0.09) + 0.3 * sine_at(phase * 7.0) * decay(t, 0.004);
    }
    return one_shot(ins, 64, INSTRUMENT_RATE / 50);
}

static Instrument make_snare(void)
{
    Instrument ins;
    ins.signal = blank(INSTRUMENT_RATE / 5);
    Noise noise(5);
    for (size_t i = 0; i < ins.signal.frames.size(); i++) {
        double t = (double)i / INSTRUMENT_RATE;
        ins.signal.frames[i] = 0.8 * noise.next() * decay(t, 0.06) + 0.6 * sine_at(190.0 * t) * decay(t, 0.035);
    }
    return one_shot(ins, 44, INSTRUMENT_RATE / 50);
}

static Instrument make_hat(double seconds, double time_constant, unsigned seed, int volume)
{
    Instrument ins;
    ins.signal = blank((int)(INSTRUMENT_RATE * seconds));
    Noise noise(seed);
    double previous = 0.0;
    for (size_t i = 0; i < ins.signal.frames.size(); i++) {
        double t = (double)i / INSTRUMENT_RATE;
        double n = noise.next();
        ins.signal.frames[i] = (n - previous) * decay(t, time_constant);   // only the hiss
        previous = n;
    }
    return one_shot(ins, volume, INSTRUMENT_RATE / 100);
}

Instrument make_instrument(int number)
{
    switch (number) {
    case INS_LEAD: return make_lead();
    case INS_BASS: return make_bass();
    case INS_MAJOR: return make_chord(256, 4, 5, 6, 8192, 6144);      // 4:5:6
    case INS_MINOR: return make_chord(640, 10, 12, 15, 8320, 6400);   // 10:12:15
    case INS_KICK: return make_kick();
    case INS_SNARE: return make_snare();
    case INS_HAT: return make_hat(0.06, 0.012, 7, 40);
    default: return make_hat(0.3, 0.08, 8, 34);   // INS_OPEN_HAT
    }
}
