// Sound synthesis for the samples and the module's instruments: plain
// floating-point signals turned into the 8-bit unsigned PCM the library's
// mixer plays.
#ifndef MAKEDAT_SYNTH_H
#define MAKEDAT_SYNTH_H

#include <vector>

struct Signal {
    int rate = 22050;            // frames per second
    std::vector<double> frames;  // -1..1
};

// A fixed-seed white noise source, so every build sounds the same.
struct Noise {
    unsigned state;
    explicit Noise(unsigned seed) : state(seed) {}
    double next()
    {
        state = state * 1103515245u + 12345u;
        return ((state >> 9) & 0xFFFF) / 32767.5 - 1.0;
    }
};

double sine_at(double phase);   // phase in cycles
double decay(double seconds, double time_constant);

// Scales so the loudest frame reaches `peak`.
void normalise(Signal *signal, double peak);

// 8-bit offset-binary PCM.
std::vector<unsigned char> to_unsigned_8bit(const Signal &signal);

#endif
