#include "support/jgm_stream.h"

JgmStream &JgmStream::header(const JgmHeader &h)
{
    for (const char *c = "JGMOD 01 module : "; *c != '\0'; c++)
        byte(*c);
    for (size_t index = 0; index < 28; index++)
        byte(index < h.name.size() ? h.name[index] : 0);
    byte(h.unused[0]).byte(h.unused[1]).word(h.orders).word(h.patterns).word(h.channels);
    word(h.instruments).word(h.samples).word(h.tempo).word(h.bpm).word(h.global_volume);
    return word(h.restart_order).word(h.flags);
}

JgmStream &JgmStream::sample(long length, long loop_start, long loop_end, int volume, int pan,
                             int transpose, int tuning, int bits, int loop_type, const Bytes &data)
{
    dword(length).dword(loop_start).dword(loop_end).repeat(0, 4);
    byte(volume).byte(pan).byte(transpose).word(tuning).byte(bits).byte(loop_type);
    return append(data);
}

JGMOD *load_jgm_bytes(const Bytes &bytes)
{
    install_allegro_for_files();
    ScratchFile file(bytes);
    PACKFILE *f = pack_fopen(file.path(), F_READ);
    JGMOD *j = f ? load_jgm(f) : NULL;
    if (f)
        pack_fclose(f);
    return j;
}

Bytes save_jgm_bytes(const JGMOD *j, int *result)
{
    install_allegro_for_files();
    ScratchFile file;
    PACKFILE *f = pack_fopen(file.path(), F_WRITE);
    *result = save_jgm(f, j);  // refuses a file that did not open
    if (f)
        pack_fclose(f);
    return file.read();
}
