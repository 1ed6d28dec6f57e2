// JGM streams built byte by byte in tests.
#include "support/jgm_stream.h"

JgmStream &JgmStream::byte(int value)
{
    bytes_.push_back((unsigned char)value);
    return *this;
}

JgmStream &JgmStream::word(int value)
{
    return byte(value & 0xFF).byte((value >> 8) & 0xFF);
}

JgmStream &JgmStream::dword(long value)
{
    return word((int)(value & 0xFFFF)).word((int)((value >> 16) & 0xFFFF));
}

JgmStream &JgmStream::repeat(int value, int count)
{
    for (int index = 0; index < count; index++)
        byte(value);
    return *this;
}

JgmStream &JgmStream::append(const Bytes &bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

JgmStream &JgmStream::header(const JgmHeader &h)
{
    for (const char *c = "JGMOD 01 module : "; *c != '\0'; c++)
        byte(*c);
    for (size_t index = 0; index < 28; index++)
        byte(index < h.name.size() ? h.name[index] : 0);
    byte(h.unused[0]).byte(h.unused[1]);
    return word(h.orders)
        .word(h.patterns)
        .word(h.channels)
        .word(h.instruments)
        .word(h.samples)
        .word(h.tempo)
        .word(h.bpm)
        .word(h.global_volume)
        .word(h.restart_order)
        .word(h.flags);
}

JgmStream &JgmStream::sample(long length, long loop_start, long loop_end, int volume, int pan,
                             int transpose, int tuning, int bits, int loop_type, const Bytes &data)
{
    dword(length).dword(loop_start).dword(loop_end);
    repeat(0, 4);  // automatic vibrato: type, sweep, depth, rate
    byte(volume).byte(pan).byte(transpose).word(tuning).byte(bits).byte(loop_type);
    return append(data);
}

JGMOD *load_jgm_bytes(const Bytes &bytes)
{
    install_allegro_for_files();
    ScratchFile file(bytes);
    PACKFILE *f = pack_fopen(file.path(), F_READ);
    if (f == NULL)
        return NULL;
    JGMOD *j = load_jgm(f);
    pack_fclose(f);
    return j;
}

Bytes save_jgm_bytes(const JGMOD *j, int *result)
{
    install_allegro_for_files();
    ScratchFile file;
    PACKFILE *f = pack_fopen(file.path(), F_WRITE);
    if (f == NULL) {
        *result = -2;
        return Bytes();
    }
    *result = save_jgm(f, j);
    pack_fclose(f);
    return file.read();
}
