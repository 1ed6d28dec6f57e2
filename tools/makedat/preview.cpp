#include "preview.h"

#include <stdio.h>

#include <string>


static std::string path_in(const char *dir, const char *file)
{
    return std::string(dir) + "/" + file;
}

void preview_bitmap(const char *dir, int index, const char *name, BITMAP *bmp, const PALETTE pal)
{
    char file[64];
    snprintf(file, sizeof file, "%02d_%s.pcx", index, name);
    save_pcx(path_in(dir, file).c_str(), bmp, pal);
}

static void put_le(FILE *f, unsigned long value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        fputc((int)((value >> (8 * i)) & 0xFF), f);
}

void preview_sound(const char *dir, const char *name, const Signal &signal)
{
    std::vector<unsigned char> pcm = to_unsigned_8bit(signal);
    FILE *f = fopen(path_in(dir, (std::string(name) + ".wav").c_str()).c_str(), "wb");
    if (!f)
        return;
    fputs("RIFF", f);
    put_le(f, 36 + pcm.size(), 4);
    fputs("WAVEfmt ", f);
    put_le(f, 16, 4);
    put_le(f, 1, 2);   // PCM
    put_le(f, 1, 2);   // mono
    put_le(f, (unsigned long)signal.rate, 4);
    put_le(f, (unsigned long)signal.rate, 4);
    put_le(f, 1, 2);
    put_le(f, 8, 2);
    fputs("data", f);
    put_le(f, pcm.size(), 4);
    fwrite(pcm.data(), 1, pcm.size(), f);
    fclose(f);
}

void preview_midi(const char *dir, const char *name, const MidiSong &song)
{
    save_midi_file(path_in(dir, (std::string(name) + ".mid").c_str()).c_str(), song);
}
