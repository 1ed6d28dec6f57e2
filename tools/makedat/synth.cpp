#include "synth.h"

#include <math.h>

double sine_at(double phase)
{
    return sin(2.0 * M_PI * phase);
}

double decay(double seconds, double time_constant)
{
    return exp(-seconds / time_constant);
}

void normalise(Signal *signal, double peak)
{
    double loudest = 0.0;
    for (double v : signal->frames)
        loudest = fmax(loudest, fabs(v));
    if (loudest <= 0.0)
        return;
    for (double &v : signal->frames)
        v *= peak / loudest;
}

std::vector<unsigned char> to_unsigned_8bit(const Signal &signal)
{
    std::vector<unsigned char> pcm(signal.frames.size());
    for (size_t i = 0; i < pcm.size(); i++) {
        long v = lround(signal.frames[i] * 127.0) + 128;
        pcm[i] = (unsigned char)(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
    return pcm;
}
