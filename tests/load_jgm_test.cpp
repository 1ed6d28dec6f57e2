// The JGM reader, detector and information reader on streams built byte by
// byte, including short and hostile streams.
#include <gtest/gtest.h>
#include <string.h>

#include "jgmod.h"
#include "support/jgm_stream.h"

namespace {

class LoadJgmTest : public testing::Test {
protected:
    void SetUp() override
    {
        install_allegro_for_files();
        strcpy(jgmod_error, "\n");
    }
    void TearDown() override { destroy_mod(j); }
    JGMOD *load(const JgmStream &s)
    {
        destroy_mod(j);
        j = load_jgm_bytes(s.data());
        return j;
    }
    JGMOD *j = nullptr;
};

// One pattern of `rows` rows, every plane empty.
JgmStream &empty_planes(JgmStream &s, int cells)
{
    for (int plane = 0; plane < 5; plane++) {
        for (int left = cells; left > 0; left -= 127)
            s.byte(left < 127 ? left : 127);
    }
    return s;
}

TEST_F(LoadJgmTest, HeaderFieldsPansAndOrders)
{
    JgmHeader h;
    h.name = "Quibble Theme";
    h.unused[0] = 'X';
    h.unused[1] = 'Y';
    h.orders = 3;
    h.channels = 4;
    h.tempo = 0x1234;
    h.bpm = 0xFFFF;
    h.global_volume = 48;
    h.restart_order = 2;
    h.flags = 5;
    JgmStream s;
    s.header(h).byte(0).byte(64).byte(191).byte(255).byte(7).byte(0).byte(200);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    EXPECT_STREQ(j->name, "Quibble Theme");
    EXPECT_EQ(j->order_count, 3);
    EXPECT_EQ(j->pattern_count, 0);
    EXPECT_EQ(j->channel_count, 4);
    EXPECT_EQ(j->tempo, 0x1234);
    EXPECT_EQ(j->bpm, 65535);  // words are not sign-extended
    EXPECT_EQ(j->global_volume, 48);
    EXPECT_EQ(j->restart_order, 2);
    EXPECT_EQ(j->flags, 5);
    const int pans[] = {0, 64, 191, 255};
    for (int channel = 0; channel < 4; channel++)
        EXPECT_EQ(j->channel_pan[channel], pans[channel]);
    EXPECT_EQ(j->channel_pan[4], 0);
    EXPECT_EQ(j->order_table[0], 7);
    EXPECT_EQ(j->order_table[2], 200);
    EXPECT_EQ(j->order_table[3], 0);
}

TEST_F(LoadJgmTest, NameKeepsAllTwentyEightBytesAndStaysTerminated)
{
    JgmHeader h;
    h.name = std::string(28, 'N');
    h.unused[0] = 'Z';
    JgmStream s;
    s.header(h).byte(128);
    ASSERT_NE(load(s), nullptr);
    EXPECT_EQ(std::string(j->name), std::string(28, 'N'));
    for (int index = 28; index < 32; index++)
        EXPECT_EQ(j->name[index], 0);
}

TEST_F(LoadJgmTest, NoInstrumentsGiveAnEmptyButPresentArray)
{
    JgmStream s;
    s.header(JgmHeader()).byte(128);
    ASSERT_NE(load(s), nullptr);
    EXPECT_EQ(j->instrument_count, 0);
    EXPECT_NE(j->instrument_info, nullptr);
    EXPECT_NE(j->sample_info, nullptr);
    EXPECT_NE(j->pattern_info, nullptr);
}

TEST_F(LoadJgmTest, InstrumentRecordFieldsAndSustainPoints)
{
    JgmHeader h;
    h.instruments = 2;
    JgmStream s;
    s.header(h).byte(128);
    for (int instrument = 0; instrument < 2; instrument++) {
        for (int note = 0; note < 96; note++)
            s.byte((note + instrument) & 0xFF);
        for (int envelope = 0; envelope < 2; envelope++) {
            for (int point = 0; point < 12; point++)
                s.word(1000 * envelope + 10 * point).word(64 - point - envelope);
            s.byte(12).byte(envelope ? 3 : 7).byte(4 + envelope).byte(1).byte(9);
        }
        s.word(instrument ? 0xFFFF : 0x0800);
    }
    ASSERT_EQ(s.size(), 68u + 1 + 2 * 204);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    const INSTRUMENT_INFO &i0 = j->instrument_info[0];
    EXPECT_EQ(i0.note_sample[0], 0);
    EXPECT_EQ(i0.note_sample[95], 95);
    EXPECT_EQ(i0.volume_env_tick[3], 30);
    EXPECT_EQ(i0.volume_env_value[3], 61);
    EXPECT_EQ(i0.volume_env_points, 12);
    EXPECT_EQ(i0.volume_env_flags, 7);
    EXPECT_EQ(i0.volume_env_sustain_start, 4);
    EXPECT_EQ(i0.volume_env_sustain_end, 4);
    EXPECT_EQ(i0.volume_env_loop_start, 1);
    EXPECT_EQ(i0.volume_env_loop_end, 9);
    EXPECT_EQ(i0.pan_env_tick[11], 1110);
    EXPECT_EQ(i0.pan_env_value[11], 52);
    EXPECT_EQ(i0.pan_env_flags, 3);
    EXPECT_EQ(i0.pan_env_sustain_start, 5);
    EXPECT_EQ(i0.pan_env_sustain_end, 5);
    EXPECT_EQ(i0.fadeout, 0x0800);
    EXPECT_EQ(j->instrument_info[1].note_sample[0], 1);
    EXPECT_EQ(j->instrument_info[1].fadeout, 65535);
}

TEST_F(LoadJgmTest, EmptySampleIsFourBytesAndTheNextFollows)
{
    JgmHeader h;
    h.samples = 3;
    JgmStream s;
    s.header(h).byte(128).dword(0);
    s.sample(4, 1, 3, 40, 200, 0xF4, 8363, 8, 1, {0x80, 0x90, 0xA0, 0xB0});
    s.dword(0);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    for (int index = 0; index < 3; index++) {
        SCOPED_TRACE(index);
        const SAMPLE &spl = j->samples[index];
        EXPECT_EQ(spl.stereo, 0);
        EXPECT_EQ(spl.freq, 1000);
        EXPECT_EQ(spl.priority, 192);
        EXPECT_EQ(spl.param, (unsigned long)-1);
        EXPECT_NE(spl.data, nullptr);
    }
    const SAMPLE_INFO &empty = j->sample_info[0];
    EXPECT_EQ(empty.length, 0);
    EXPECT_EQ(empty.volume, 0);
    EXPECT_EQ(empty.tuning, 0);
    EXPECT_EQ(j->samples[0].bits, 0);
    EXPECT_EQ(j->samples[0].len, 0u);
    const SAMPLE_INFO &si = j->sample_info[1];
    EXPECT_EQ(si.length, 4);
    EXPECT_EQ(si.loop_start, 1);
    EXPECT_EQ(si.loop_end, 3);
    EXPECT_EQ(si.volume, 40);
    EXPECT_EQ(si.pan, 200);
    EXPECT_EQ(si.transpose, -12);
    EXPECT_EQ(si.tuning, 8363);
    EXPECT_EQ(si.loop_type, 1);
    EXPECT_EQ(j->samples[1].bits, 8);
    EXPECT_EQ(j->samples[1].len, 4u);
    EXPECT_EQ(j->samples[1].loop_start, 1u);
    EXPECT_EQ(j->samples[1].loop_end, 3u);
    EXPECT_EQ(memcmp(j->samples[1].data, "\x80\x90\xA0\xB0", 4), 0);
    EXPECT_EQ(j->sample_info[2].length, 0);
}

TEST_F(LoadJgmTest, SixteenBitSampleDataKeepsItsByteOrderAndVibrato)
{
    JgmHeader h;
    h.samples = 1;
    JgmStream s;
    s.header(h).byte(128);
    s.dword(2).dword(0).dword(0).byte(1).byte(2).byte(3).byte(4);
    s.byte(64).byte(128).byte(0x7F).word(0xFFFF).byte(16).byte(2);
    s.byte(0x34).byte(0x12).byte(0x00).byte(0x80);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    const SAMPLE_INFO &si = j->sample_info[0];
    EXPECT_EQ(si.vibrato_type, 1);
    EXPECT_EQ(si.vibrato_sweep, 2);
    EXPECT_EQ(si.vibrato_depth, 3);
    EXPECT_EQ(si.vibrato_rate, 4);
    EXPECT_EQ(si.transpose, 127);
    EXPECT_EQ(si.tuning, 65535);
    EXPECT_EQ(si.loop_type, 2);
    EXPECT_EQ(j->samples[0].bits, 16);
    EXPECT_EQ(memcmp(j->samples[0].data, "\x34\x12\x00\x80", 4), 0);
}

// A pattern of 2 rows x 4 channels with runs that cross rows.
TEST_F(LoadJgmTest, PlanesFillCellsRunByRunAcrossRows)
{
    JgmHeader h;
    h.patterns = 1;
    h.channels = 4;
    h.flags = 0;
    JgmStream s;
    s.header(h).repeat(128, 4).word(2);
    s.byte(0x02).byte(0x83).word(428).word(0).word(0xFFFF).byte(0x80).byte(0x83).word(0xFFFE)
        .word(1).word(0x7FFF);                         // notes
    s.byte(0x00).byte(0x85).repeat(9, 5).byte(0x03);   // samples: 0x00 covers nothing
    s.byte(0x08);                                      // volumes: all empty
    s.byte(0x07).byte(0x81).byte(0x0F);                // commands: only the last cell
    s.byte(0x81).word(0xFFFF).byte(0x07);              // parameters: only the first cell
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    const NOTE_INFO *n = j->pattern_info[0].notes;
    EXPECT_EQ(j->pattern_info[0].row_count, 2);
    const int notes[8] = {0, 0, 8363, 0, -1, -2, 3579546, 109};
    for (int cell = 0; cell < 8; cell++) {
        SCOPED_TRACE(cell);
        EXPECT_EQ(n[cell].note, notes[cell]);
        EXPECT_EQ(n[cell].sample, cell < 5 ? 9 : 0);
        EXPECT_EQ(n[cell].volume, 0);
        EXPECT_EQ(n[cell].command, cell == 7 ? 15 : 0);
        EXPECT_EQ(n[cell].parameter, cell == 0 ? 65535 : 0);
    }
}

TEST_F(LoadJgmTest, NoteNumberModulesReadSignedNoteBytes)
{
    JgmHeader h;
    h.patterns = 1;
    h.channels = 3;
    h.flags = XM_MODE | LINEAR_MODE;
    JgmStream s;
    s.header(h).repeat(128, 3).word(1);
    s.byte(0x83).byte(0xFE).byte(1).byte(96);
    s.byte(3).byte(0x81).byte(0xFF).byte(2).byte(3).byte(3);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    const NOTE_INFO *n = j->pattern_info[0].notes;
    EXPECT_EQ(n[0].note, -2);
    EXPECT_EQ(n[1].note, 1);
    EXPECT_EQ(n[2].note, 96);
    EXPECT_EQ(n[0].volume, 255);
}

TEST_F(LoadJgmTest, PatternsFollowEachOtherAndMayHaveNoRows)
{
    JgmHeader h;
    h.patterns = 3;
    h.channels = 2;
    JgmStream s;
    s.header(h).repeat(128, 2);
    s.word(0);                                     // no rows, no planes
    s.word(1).byte(0x81).word(428).byte(1).repeat(2, 4);
    s.word(64);
    empty_planes(s, 128);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    EXPECT_EQ(j->pattern_info[0].row_count, 0);
    EXPECT_NE(j->pattern_info[0].notes, nullptr);
    EXPECT_EQ(j->pattern_info[1].notes[0].note, 8363);
    EXPECT_EQ(j->pattern_info[2].row_count, 64);
    EXPECT_EQ(j->pattern_info[2].notes[127].note, 0);
}

// A run reaching past the last cell: its extra values are read and dropped,
// and the next plane starts right after them.
TEST_F(LoadJgmTest, RunPastTheLastCellIsCutWithoutLosingStep)
{
    JgmHeader h;
    h.patterns = 1;
    h.channels = 2;
    h.flags = XM_MODE;
    JgmStream s;
    s.header(h).repeat(128, 2).word(1);
    s.byte(0x84).byte(10).byte(20).byte(30).byte(40);  // four notes for two cells
    s.byte(0x82).byte(5).byte(6);
    s.byte(0x7F);                                      // skipping past the end is harmless
    s.byte(0x02).byte(0x81).word(0x1234).byte(0x0A);
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    const NOTE_INFO *n = j->pattern_info[0].notes;
    EXPECT_EQ(n[0].note, 10);
    EXPECT_EQ(n[1].note, 20);
    EXPECT_EQ(n[0].sample, 5);
    EXPECT_EQ(n[1].sample, 6);
    EXPECT_EQ(n[0].parameter, 0x1234);
}

TEST_F(LoadJgmTest, LoopReachingPastTheDataIsCutForLoopingSamplesOnly)
{
    JgmHeader h;
    h.samples = 3;
    JgmStream s;
    s.header(h).byte(128);
    s.sample(4, 2, 9, 64, 128, 0, 8363, 8, LOOP_FORWARD, Bytes(4, 0x80));
    s.sample(4, 6, 9, 64, 128, 0, 8363, 8, LOOP_PINGPONG, Bytes(4, 0x80));
    s.sample(4, 2, 9, 64, 128, 0, 8363, 8, 0, Bytes(4, 0x80));
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    EXPECT_EQ(j->sample_info[0].loop_start, 2);
    EXPECT_EQ(j->sample_info[0].loop_end, 4);
    EXPECT_EQ(j->samples[0].loop_end, 4u);
    EXPECT_EQ(j->sample_info[1].loop_start, 4);
    EXPECT_EQ(j->samples[1].loop_start, 4u);
    EXPECT_EQ(j->sample_info[2].loop_end, 9);  // never looped, kept as stored
}

TEST_F(LoadJgmTest, ReadsFromADatafileChunk)
{
    JgmHeader h;
    h.name = "in a chunk";
    JgmStream s;
    s.header(h).byte(99);
    ScratchFile file;
    PACKFILE *out = pack_fopen(file.path(), F_WRITE);
    pack_mputl(0x12345678, out);
    out = pack_fopen_chunk(out, 1);
    pack_fwrite(s.data().data(), (long)s.size(), out);
    out = pack_fclose_chunk(out);
    pack_fclose(out);
    PACKFILE *in = pack_fopen(file.path(), F_READ);
    pack_mgetl(in);
    in = pack_fopen_chunk(in, 0);
    j = (JGMOD *)load_jgm_datafile(in, 0);
    in = pack_fclose_chunk(in);
    pack_fclose(in);
    ASSERT_NE(j, nullptr) << jgmod_error;
    EXPECT_STREQ(j->name, "in a chunk");
    EXPECT_EQ(j->channel_pan[0], 99);
}

// Values after the end of a short stream load as -1, as the format has
// always done, while every count is still checked.
TEST_F(LoadJgmTest, ShortStreamLoadsMissingCellValuesAsEndOfFile)
{
    JgmHeader h;
    h.patterns = 1;
    h.channels = 2;
    JgmStream s;
    s.header(h).byte(10).byte(20);
    s.word(2).byte(0x82).word(428);  // the second note and everything after it are missing
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    const NOTE_INFO *n = j->pattern_info[0].notes;
    EXPECT_EQ(n[0].note, 8363);
    EXPECT_EQ(n[1].note, -1);
    EXPECT_EQ(n[3].sample, -1);
    EXPECT_EQ(n[3].parameter, -1);
}

TEST_F(LoadJgmTest, ShortStreamLeavesMissingSampleDataZero)
{
    JgmHeader h;
    h.samples = 1;
    JgmStream s;
    s.header(h).byte(10);
    s.sample(6, 0, 0, 64, 128, 0, 8363, 8, 0, {1, 2, 3});
    ASSERT_NE(load(s), nullptr) << jgmod_error;
    EXPECT_EQ(memcmp(j->samples[0].data, "\x01\x02\x03\x00\x00\x00", 6), 0);
}

struct Refusal {
    const char *name;
    JgmStream stream;
    const char *message;
};

// Header with the given counts, then channel pans.
JgmStream with_header(int channels, int orders, int instruments, int samples, int patterns)
{
    JgmHeader h;
    h.channels = channels;
    h.orders = orders;
    h.instruments = instruments;
    h.samples = samples;
    h.patterns = patterns;
    JgmStream s;
    s.header(h).repeat(128, channels > 64 ? 0 : channels).repeat(0, orders > 256 ? 0 : orders);
    return s;
}

TEST_F(LoadJgmTest, RefusesCountsAndSizesOutsideTheFormat)
{
    std::vector<Refusal> cases = {
        {"no channels", with_header(0, 0, 0, 0, 0),
         "Bad JGM stream: channel count 0 (allowed 1 to 64)"},
        {"65 channels", with_header(65, 0, 0, 0, 0),
         "Bad JGM stream: channel count 65 (allowed 1 to 64)"},
        {"0xFFFF channels", with_header(0xFFFF, 0, 0, 0, 0),
         "Bad JGM stream: channel count 65535 (allowed 1 to 64)"},
        {"257 orders", with_header(4, 257, 0, 0, 0),
         "Bad JGM stream: order count 257 (allowed 0 to 256)"},
        {"negative sample length", with_header(1, 0, 0, 1, 0).dword(0x80000000L),
         "Bad JGM stream: sample length -2147483648 (allowed 0 to 134217728)"},
        {"huge sample", with_header(1, 0, 0, 1, 0).dword(0x08000001L),
         "Bad JGM stream: sample length 134217729 (allowed 0 to 134217728)"},
        {"12-bit sample",
         with_header(1, 0, 0, 1, 0).sample(2, 0, 0, 64, 128, 0, 8363, 12, 0, Bytes(3, 0)),
         "Bad JGM stream: 12 bits per sample point (8 or 16)"},
        {"sample length missing", with_header(1, 0, 0, 2, 0).dword(0),
         "JGM stream ends before its sample length"},
        {"sample bits missing", with_header(1, 0, 0, 1, 0).dword(5).dword(0).dword(0),
         "JGM stream ends before its sample bits"},
        {"row count missing", with_header(2, 0, 0, 0, 2).word(1).repeat(2, 5),
         "JGM stream ends before its row count"},
    };
    for (const Refusal &c : cases) {
        SCOPED_TRACE(c.name);
        strcpy(jgmod_error, "\n");
        EXPECT_EQ(load(c.stream), nullptr);
        EXPECT_STREQ(jgmod_error, c.message);
    }
}

// Every prefix of a complete stream either loads or is refused with a
// message; none may make the reader write outside what it allocated (the
// sanitizer build checks that).
TEST_F(LoadJgmTest, EveryTruncationLoadsOrIsRefusedCleanly)
{
    JgmHeader h;
    h.orders = 2;
    h.patterns = 2;
    h.channels = 3;
    h.instruments = 1;
    h.samples = 2;
    h.flags = XM_MODE;
    JgmStream full;
    full.header(h).repeat(128, 3).byte(0).byte(1);
    full.repeat(0, 96);
    for (int envelope = 0; envelope < 2; envelope++)
        full.repeat(0, 48).byte(2).byte(1).byte(0).byte(0).byte(1);
    full.word(256);
    full.dword(0).sample(3, 0, 3, 64, 128, 0, 128, 16, 1, Bytes(6, 0x80));
    full.word(2).byte(0x86).repeat(49, 6).byte(6).byte(6).byte(6).byte(0x86).repeat(0xFF, 12);
    full.word(1).byte(3).byte(3).byte(3).byte(3).byte(3);
    ASSERT_NE(load(full), nullptr) << jgmod_error;
    for (size_t size = 0; size < full.size(); size++) {
        SCOPED_TRACE(size);
        JgmStream prefix;
        prefix.append(Bytes(full.data().begin(), full.data().begin() + size));
        strcpy(jgmod_error, "");
        if (load(prefix) == nullptr)
            EXPECT_STRNE(jgmod_error, "");
        else if (size < 68)
            ADD_FAILURE() << "a stream without its header loaded";
    }
}

TEST_F(LoadJgmTest, HeaderCutShortIsRefused)
{
    JgmStream s;
    s.header(JgmHeader());
    JgmStream prefix;
    prefix.append(Bytes(s.data().begin(), s.data().end() - 1));
    EXPECT_EQ(load(prefix), nullptr);
    EXPECT_STREQ(jgmod_error, "JGM stream ends inside its header");
}

class JgmFileTest : public LoadJgmTest {};

TEST_F(JgmFileTest, DetectAcceptsOnlyTheExactSignature)
{
    JgmStream s;
    s.header(JgmHeader()).byte(128);
    ScratchFile good(s.data());
    EXPECT_EQ(detect_jgm(good.path()), 1);
    for (size_t position = 0; position < 18; position++) {
        Bytes changed = s.data();
        changed[position] ^= 0x20;
        ScratchFile bad(changed);
        EXPECT_EQ(detect_jgm(bad.path()), -1) << position;
    }
    Bytes version = s.data();
    version[7] = '2';  // "JGMOD 02"
    ScratchFile other_version(version);
    EXPECT_EQ(detect_jgm(other_version.path()), -1);
    ScratchFile short_file(Bytes(s.data().begin(), s.data().begin() + 17));
    EXPECT_EQ(detect_jgm(short_file.path()), -1);
    EXPECT_EQ(detect_jgm("/nonexistent/zq/module.jgm"), -1);
}

TEST_F(JgmFileTest, InfoGivesTypeAndTheNameWithTheFollowingByte)
{
    JgmHeader h;
    h.name = std::string(28, 'a');
    h.unused[0] = '!';
    h.unused[1] = '?';
    JgmStream s;
    s.header(h).byte(128);
    ScratchFile file(s.data());
    MODULE_INFO info;
    memset(&info, 0x55, sizeof info);
    PACKFILE *f = jgmod_fopen(file.path(), "rb");
    EXPECT_EQ(get_jgm_info(f, &info), 1);
    jgmod_fclose(f);
    EXPECT_EQ(info.type, 6);
    EXPECT_STREQ(info.type_name, "JGM");
    EXPECT_EQ(memcmp(info.name, (std::string(28, 'a') + "!").data(), 29), 0);
    EXPECT_EQ((unsigned char)info.name[29], 0x55);  // the reader adds no terminator
}

TEST_F(JgmFileTest, LoadModAndGetModInfoTakeJgmFilesByName)
{
    JgmHeader h;
    h.name = "by name";
    JgmStream s;
    s.header(h).byte(128);
    ScratchFile file(s.data());
    j = load_mod(file.path());
    ASSERT_NE(j, nullptr) << jgmod_error;
    EXPECT_STREQ(j->name, "by name");
    MODULE_INFO info;
    memset(&info, 0x55, sizeof info);
    EXPECT_EQ(get_mod_info(file.path(), &info), 1);
    EXPECT_EQ(info.type, JGM_TYPE);
    EXPECT_STREQ(info.name, "by name");  // the record is cleared first
    EXPECT_EQ(get_mod_info(file.path(), nullptr), -1);
}

TEST_F(JgmFileTest, UnknownOrMissingFilesAreUnsupported)
{
    ScratchFile text({'h', 'e', 'l', 'l', 'o'});
    MODULE_INFO info;
    for (const char *path : {text.path(), "/nonexistent/zq/module.jgm"}) {
        SCOPED_TRACE(path);
        strcpy(jgmod_error, "\n");
        EXPECT_EQ(load_mod(path), nullptr);
        EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
        strcpy(jgmod_error, "\n");
        EXPECT_EQ(get_mod_info(path, &info), -1);
        EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
    }
}

}  // namespace
