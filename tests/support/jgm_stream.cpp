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

JgmStream example_note_number_stream()
{
    JgmHeader h;
    h.name = "round trip";
    h.orders = 3, h.patterns = 2, h.channels = 3, h.instruments = 1, h.samples = 3;
    h.tempo = 3, h.bpm = 140, h.global_volume = 50, h.restart_order = 1, h.flags = XM_MODE | LINEAR_MODE;
    JgmStream s;
    s.header(h).byte(0).byte(128).byte(255).byte(1).byte(0).byte(1).repeat(1, 48).repeat(2, 48);
    for (int envelope = 0; envelope < 2; envelope++) {
        for (int point = 0; point < 12; point++)
            s.word(point * 7 + envelope).word(point < 3 ? 64 - point : 0);
        s.byte(3).byte(envelope ? 1 : 7).byte(1).byte(0).byte(2);
    }
    s.word(0x0400).dword(0);
    s.sample(5, 1, 4, 64, 32, 0xF4, 140, 8, LOOP_FORWARD, {0x80, 0xFF, 0x00, 0x7F, 0x81});
    s.sample(2, 0, 2, 10, 250, 5, 128, 16, LOOP_PINGPONG, {0x00, 0x80, 0xFF, 0x7F});
    // Pattern 0, 2 rows: notes, samples, volumes, commands, parameters.
    s.word(2).byte(0x81).byte(49).byte(0x02).byte(0x83).byte(0xFE).byte(0xFF).byte(12);
    s.byte(0x81).byte(1).byte(0x04).byte(0x81).byte(2).byte(0x06);
    s.byte(0x02).byte(0x81).byte(0x0C).byte(0x03);
    s.byte(0x02).byte(0x82).word(0xFFFF).word(0x0100).byte(0x02);
    // Pattern 1: 64 rows of which only the last cell has a value.
    s.word(64);
    for (int plane = 0; plane < 5; plane++)
        plane == 2 ? s.byte(0x7F).byte(0x40).byte(0x81).byte(80) : s.byte(0x7F).byte(0x41);
    return s;
}

JgmStream example_period_stream()
{
    JgmHeader h;
    h.name = "periods";
    h.orders = 1, h.patterns = 1, h.channels = 4, h.samples = 1;
    JgmStream s;
    s.header(h).byte(0).byte(255).byte(255).byte(0).byte(0);
    s.sample(3, 0, 0, 64, 128, 0, 8363, 8, 0, {1, 2, 3}).word(1);
    s.byte(0x84).word(428).word(0xFFFF).word(0xFFFE).word(113);
    return s.byte(0x81).byte(1).byte(0x03).byte(0x04).byte(0x04).byte(0x04);
}
