// The player's own software mixer behind its voice and timer seams: the
// engine runs exactly as in the game, tick by tick.
#include "module_render.h"

#include "mixer.h"

#include <stdio.h>

#include <vector>

enum { RENDER_VOICES = 4, OUTPUT_RATE = 44100 };

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
    jgmod_voices = &jgmod_mixer_voices;
    jgmod_timer = &jgmod_mixer_timer;
    jgmod_mixer_frequency = jgmod_mixer_rate;
    jgmod_mixer_open(OUTPUT_RATE, 2, JGMOD_INTERPOLATE_LINEAR, RENDER_VOICES);
    if (install_mod(RENDER_VOICES) != 1)
        return false;
    play_mod(module, 1);
    std::vector<short> frames((size_t)(seconds * OUTPUT_RATE) * 2);
    for (size_t done = 0; done < frames.size() / 2;)
        done += (size_t)jgmod_mixer_mix(&frames[2 * done], (int)(frames.size() / 2 - done));
    stop_mod();
    remove_mod();
    return write_wav(wav_path, frames);
}
