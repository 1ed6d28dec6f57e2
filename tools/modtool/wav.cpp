// The WAV writer: a 44-byte header whose sizes are filled in at the end,
// then interleaved little-endian samples.
#include "wav.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "modtool.h"
#include "output.h"

static void put_le(unsigned char *at, unsigned long value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        at[i] = (unsigned char)(value >> (8 * i));
}

static void header(const WavFile *wav, unsigned char *h)
{
    unsigned long data = (unsigned long)wav->data_bytes;
    int block = wav->channels * 2;
    memcpy(h, "RIFF", 4);
    put_le(h + 4, 36 + data, 4);
    memcpy(h + 8, "WAVEfmt ", 8);
    put_le(h + 16, 16, 4);  // size of the format chunk
    put_le(h + 20, 1, 2);   // PCM
    put_le(h + 22, wav->channels, 2);
    put_le(h + 24, wav->rate, 4);
    put_le(h + 28, (unsigned long)wav->rate * block, 4);
    put_le(h + 32, block, 2);
    put_le(h + 34, 16, 2);  // bits per sample
    memcpy(h + 36, "data", 4);
    put_le(h + 40, data, 4);
}

int wav_create(WavFile *wav, const char *path, int channels, int rate)
{
    *wav = WavFile{NULL, path, temporary_path(path), channels, rate, 0, false};
    wav->file = fopen(wav->temporary.c_str(), "wb");
    if (wav->file == NULL)
        return fail_on_file("Unable to create", path, strerror(errno));
    unsigned char h[44];
    header(wav, h);
    wav->failed = fwrite(h, 1, sizeof h, wav->file) != sizeof h;
    return 0;
}

void wav_write(WavFile *wav, const short *values, int frames)
{
    unsigned char bytes[4096];
    int count = frames * wav->channels;
    for (int done = 0; done < count;) {
        int n = count - done < (int)sizeof bytes / 2 ? count - done : (int)sizeof bytes / 2;
        for (int i = 0; i < n; i++)
            put_le(bytes + 2 * i, (unsigned short)values[done + i], 2);
        if (fwrite(bytes, 2, n, wav->file) != (size_t)n)
            wav->failed = true;
        done += n;
    }
    wav->data_bytes += 2ull * count;
}

int wav_finish(WavFile *wav)
{
    unsigned char h[44];
    header(wav, h);
    bool good = !wav->failed && fseek(wav->file, 0, SEEK_SET) == 0 &&
                fwrite(h, 1, sizeof h, wav->file) == sizeof h;
    int error = errno;
    if (fclose(wav->file) != 0) {
        good = false;
        error = errno;
    }
    wav->file = NULL;
    if (!good) {
        remove(wav->temporary.c_str());
        return fail_on_file("Unable to write", wav->path.c_str(), strerror(error));
    }
    return put_in_place(wav->temporary, wav->path.c_str());
}
