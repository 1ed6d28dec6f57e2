// A standard RIFF WAV file of 16-bit PCM, written beside its final name and
// put in place only when complete.
#ifndef MODTOOL_WAV_H
#define MODTOOL_WAV_H

#include <stdio.h>

#include <string>

// What a WAV file's 32-bit sizes can hold, in bytes of sample data.
#define WAV_MAX_DATA_BYTES (0xFFFFFFFFu - 36u)

struct WavFile {
    FILE *file;
    std::string path;       // the final name
    std::string temporary;  // where the data goes until it is complete
    int channels, rate;
    unsigned long long data_bytes;
    bool failed;
};

// Returns the exit status: 0, or 1 with the message printed.
int wav_create(WavFile *wav, const char *path, int channels, int rate);
void wav_write(WavFile *wav, const short *values, int frames);
// Completes the header and puts the file in place; on failure removes it.
int wav_finish(WavFile *wav);

#endif
