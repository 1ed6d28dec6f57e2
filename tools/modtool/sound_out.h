// The sound device of modtool play: 16-bit interleaved frames to ALSA.
#ifndef MODTOOL_SOUND_OUT_H
#define MODTOOL_SOUND_OUT_H

#include <string>

struct SoundOut {
    void *pcm;           // the device handle, none when closed
    std::string device;  // its ALSA name
    int channels;        // values per frame
};

// Return the exit status: 0, or 1 with the message printed.
int sound_open(SoundOut *out, const char *device, int rate, int channels);
int sound_write(SoundOut *out, const short *values, int frames);
// Plays out what is queued first when `drain` is set.
void sound_close(SoundOut *out, bool drain);

#endif
