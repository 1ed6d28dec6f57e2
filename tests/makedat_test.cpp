// The datafile builder's parts (its legible palette: see the datafile's tests). makedat is a
// program, not a library: its sources are compiled in.
#include "tools/makedat/datafile_writer.cpp"
#include "tools/makedat/instruments.cpp"
#include "tools/makedat/midi_song.cpp"
#include "tools/makedat/module_builder.cpp"
#include "tools/makedat/palette.cpp"
#include "tools/makedat/sounds.cpp"
#include "tools/makedat/synth.cpp"
#include "tools/makedat/tune.cpp"

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

typedef std::vector<unsigned char> Bytes;

// Notes are 3579546 / Amiga period; each channel's reference octave plays at
// the middle one's. Volumes go into the volume column (0x10 + volume), so a
// cell can carry an effect as well.
TEST(Tune, CellsBecomeNotesSamplesVolumesAndEffects)
{
    const int L = CH_LEAD, C = CH_CHORDS, D = CH_DRUMS;
    const struct { int channel; const char *token; int period, sample, volume, command, parameter; }
        cells[] = {
            {L, "A4", 254, INS_LEAD, 0, 0, 0}, {L, "G#4", 269, INS_LEAD, 0, 0, 0},
            {L, "Db4", 404, INS_LEAD, 0, 0, 0}, {L, "B#4", 214, INS_LEAD, 0, 0, 0},
            {L, "Cb5", 226, INS_LEAD, 0, 0, 0}, {CH_BASS, "A3", 254, INS_BASS, 0, 0, 0},
            {C, "A3m", 508, INS_MINOR, 0, 0, 0}, {C, "F3M:00", 640, INS_MAJOR, 0x10, 0, 0},
            {D, "O", 428, INS_OPEN_HAT, 0, 0, 0}, {D, "H:18", 428, INS_HAT, 0x28, 0, 0},
            {L, "-", 0, 0, 0x10, 0, 0}, {L, ".:20", 0, 0, 0x30, 0, 0},
            {L, "E5:28!434", 169, INS_LEAD, 0x38, 0x4, 0x34}, {D, ".!E61", 0, 0, 0, 0xE, 0x61},
            {L, "-!A0f", 0, 0, 0x10, 0xA, 0x0F}};
    for (const auto &c : cells) {
        SCOPED_TRACE(c.token);
        CellResult r = parse_cell(c.channel, c.token);
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.cell.note, c.period ? 3579546 / c.period : 0);
        EXPECT_EQ(r.cell.sample, c.sample);
        EXPECT_EQ(r.cell.volume, c.volume);
        EXPECT_EQ(r.cell.command, c.command);
        EXPECT_EQ(r.cell.parameter, c.parameter);
    }
    // Mistakes are reported, not guessed; the periods reach two octaves either side.
    const std::pair<int, const char *> bad[] = {
        {L, "H4"}, {L, "a4"}, {L, "A4:41"}, {L, "A4:"}, {L, "A4x"}, {L, "C1"}, {L, "C9"},
        {C, "A3"}, {D, "X"}, {D, "K:1g"}, {L, "A4!"}, {L, "A4!4345"}, {L, "!A01"}, {L, "-:20"}};
    for (const auto &b : bad)
        EXPECT_NE(parse_cell(b.first, b.second).error, "") << b.second;
    EXPECT_EQ(parse_cell(L, "C2").error, "");
    EXPECT_EQ(parse_cell(L, "B6").error, "");
}

// A held loop is seamless only over whole waveform repetitions; drums die away.
TEST(Instruments, HeldNotesLoopWithoutAClickAndDrumsEndInSilence)
{
    const int repetition[MODULE_SAMPLE_COUNT + 1] = {0, 64, 128, 256, 640}; // frames; 0: a drum
    for (int number = 1; number <= MODULE_SAMPLE_COUNT; number++) {
        Instrument ins = make_instrument(number);
        Bytes pcm = to_unsigned_8bit(ins.signal);
        int length = (int)pcm.size(), frames = repetition[number];
        ASSERT_GT(length, 100) << number;
        ASSERT_EQ(ins.looped, frames > 0) << number;
        if (!frames) {
            EXPECT_EQ(pcm.back(), 128) << number;
            continue;
        }
        EXPECT_EQ((length - ins.loop_start) % frames, 0) << number;
        for (int i = ins.loop_start; i + frames < length; i++)
            ASSERT_EQ(pcm[i], pcm[i + frames]) << number << " frame " << i;
    }
    Signal s;   // 8-bit offset binary, clamped
    s.frames = {0.0, 1.0, -1.0, 0.5, 2.0, -2.0};
    EXPECT_EQ(to_unsigned_8bit(s), (Bytes{128, 255, 1, 192, 255, 0}));
}

// What the builder writes reads back through the library: the datafile's
// reviewed listing. A count of objects short of the one announced is a failure.
TEST(DatafileWriter, AShortCountFails)
{
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    std::string path = "/tmp/zq_makedat_" + std::to_string(getpid()) + ".dat";
    DatWriter short_count;
    ASSERT_TRUE(dat_open(&short_count, path.c_str(), 3));
    dat_write_data(&short_count, "ONLY", "1");
    EXPECT_FALSE(dat_close(&short_count));
    unlink(path.c_str());
}

// The credits song lasts a minute at least: the quarters its longest track
// spans at the conductor's tempo. An event is a status and two data bytes
// (one for a program or pressure change), or a meta event with its length.
TEST(Midi, CreditsSongLastsAMinute)
{
    MidiSong song = make_credits_song();
    const Bytes meta = {0xFF, 0x51, 0x03}, &conductor = song.tracks[0];
    auto tempo = std::search(conductor.begin(), conductor.end(), meta.begin(), meta.end());
    ASSERT_NE(tempo, conductor.end());
    long quarter = tempo[3] << 16 | tempo[4] << 8 | tempo[5], longest = 0;
    for (const Bytes &track : song.tracks) {
        long now = 0, delta = 0;
        for (size_t at = 0; at < track.size(); delta = 0) {
            do
                delta = delta * 128 + (track[at] & 0x7F);
            while (track[at++] & 0x80);
            now += delta;
            int kind = track[at] & 0xF0;
            at += track[at] == 0xFF ? 3 + track[at + 2] : (kind == 0xC0 || kind == 0xD0 ? 2 : 3);
        }
        longest = std::max(longest, now);
    }
    EXPECT_GE((double)longest / song.divisions * quarter / 1e6, 60.0);
}

}  // namespace
