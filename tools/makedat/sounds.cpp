// The effects are short and bright so they cut through the music: a soft
// tick for buttons, a rising shimmer for a removed row, a brass-like fanfare
// for a new high score and a dry typewriter tick for the name entry.
#include "sounds.h"

#include <math.h>

static const int effect_rate = 22050;

static Signal silence(double seconds)
{
    Signal s;
    s.rate = effect_rate;
    s.frames.assign((size_t)(seconds * effect_rate), 0.0);
    return s;
}

Signal make_button_click(void)
{
    Signal s = silence(0.035);
    Noise noise(13);
    for (size_t i = 0; i < s.frames.size(); i++) {
        double t = (double)i / s.rate;
        s.frames[i] = 0.8 * sine_at(1900.0 * t) * decay(t, 0.005) + 0.5 * noise.next() * decay(t, 0.0015);
    }
    normalise(&s, 0.9);
    return s;
}

// A band-limited square: odd harmonics below a quarter of the rate.
static double soft_square(double frequency, double t, int rate)
{
    double v = 0.0;
    for (int k = 1; k * frequency < rate / 4.0; k += 2)
        v += sine_at(k * frequency * t) / k;
    return v;
}

Signal make_row_removed(void)
{
    Signal s = silence(0.5);
    Noise noise(16);
    // Four quick notes climbing an A major arpeggio, each ringing on.
    static const double notes[4] = {880.0, 1108.7, 1318.5, 1760.0};
    for (size_t i = 0; i < s.frames.size(); i++) {
        double t = (double)i / s.rate;
        double v = 0.0;
        for (int n = 0; n < 4; n++) {
            double start = n * 0.05;
            if (t >= start)
                v += 0.35 * soft_square(notes[n], t - start, s.rate) * decay(t - start, 0.12);
        }
        v += 0.15 * noise.next() * decay(t, 0.06) * (0.5 + 0.5 * sine_at(60.0 * t));
        s.frames[i] = v;
    }
    normalise(&s, 0.9);
    return s;
}

// Saw-like brass: harmonics with 1/k amplitude and a swell at each onset.
static double brass(double frequency, double t, int rate)
{
    double v = 0.0;
    double bright = fmin(1.0, t / 0.03);
    for (int k = 1; k * frequency < rate / 4.0 && k <= 12; k++)
        v += sine_at(k * frequency * t) / k * (k == 1 ? 1.0 : bright);
    return v;
}

Signal make_high_score(void)
{
    Signal s = silence(1.4);
    struct Note {
        double start, length, frequency;
    };
    // G4 C5 E5 in triplets, then a long C5 with an E5 and G5 above it.
    static const Note notes[] = {
        {0.00, 0.14, 392.0}, {0.14, 0.14, 523.25}, {0.28, 0.14, 659.25},
        {0.42, 0.95, 523.25}, {0.42, 0.95, 659.25}, {0.42, 0.95, 783.99},
    };
    for (size_t i = 0; i < s.frames.size(); i++) {
        double t = (double)i / s.rate;
        double v = 0.0;
        for (const Note &n : notes) {
            double local = t - n.start;
            if (local < 0.0 || local > n.length)
                continue;
            double attack = fmin(1.0, local / 0.01);
            double release = fmin(1.0, (n.length - local) / 0.08);
            double vibrato = local > 0.3 ? 0.004 * sine_at(5.5 * local) : 0.0;
            v += 0.3 * brass(n.frequency * (1.0 + vibrato), local, s.rate) * attack * release;
        }
        s.frames[i] = v;
    }
    normalise(&s, 0.9);
    return s;
}

Signal make_key_click(void)
{
    Signal s = silence(0.02);
    Noise noise(36);
    double previous = 0.0;
    for (size_t i = 0; i < s.frames.size(); i++) {
        double t = (double)i / s.rate;
        double n = noise.next();
        double high = n - previous;   // a first difference: only the hiss
        previous = n;
        s.frames[i] = 0.6 * high * decay(t, 0.002) + 0.5 * sine_at(3200.0 * t) * decay(t, 0.003);
    }
    normalise(&s, 0.8);
    return s;
}

void dat_write_sample(DatWriter *w, const char *name, const Signal &signal)
{
    std::vector<unsigned char> pcm = to_unsigned_8bit(signal);
    dat_begin_object(w, DAT_SAMPLE, name);
    if (!w->in_object)
        return;
    dat_put_word(w, 8);             // bits; positive: mono
    dat_put_word(w, signal.rate);
    dat_put_long(w, (long)pcm.size());
    dat_put_bytes(w, pcm.data(), (long)pcm.size());
    dat_end_object(w);
}
