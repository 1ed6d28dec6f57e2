// The XM importer where the peer comparison cannot see: defaults, cells the
// builders do not write, effects, sample maps, loop edges, envelopes, the older
// layouts, and reads bounded by what the file holds.
#include <array>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/jgm_stream.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

JGMOD *load_plain(const char *path)
{
    return load_xm(path, 0);
}

struct XmImport : ImportTest {
    JGMOD *load(const XmFile &xm) { return load_bytes(build_xm(xm), load_plain); }
};

XmSample xm_sample(const Bytes &data, int type = 0, long loop_start = 0, long loop_length = 0)
{
    return {(long)data.size(), loop_start, loop_length, 64, 0, type, 128, 0, data};
}

XmInstrument instrument_with(std::vector<XmSample> samples, int map_all = 0)
{
    XmInstrument instrument;
    instrument.samples = samples;
    instrument.map.assign(96, map_all);
    return instrument;
}

// Speeds of 0; a restart past the song; the order table keeps 256 entries.
TEST_F(XmImport, Defaults)
{
    XmFile xm;
    std::tie(xm.song_length, xm.restart, xm.tempo, xm.bpm) = std::make_tuple(300, 280, 0, 0);
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->tempo, 6);
    EXPECT_EQ(module->bpm, 125);
    EXPECT_EQ(module->restart_order, 0);
    EXPECT_EQ(module->order_count, 256);
}

TEST_F(XmImport, OlderLayoutsLoadAsTheSameSongAndOthersAreRefused)
{
    XmFile xm = generated_xm(1);
    ASSERT_NE(load(xm), nullptr);
    int result = 0;
    const Bytes current = save_jgm_bytes(module, &result);
    for (int version : {0x0102, 0x0103}) {
        xm.version = version;
        ASSERT_NE(load(xm), nullptr) << version;
        EXPECT_EQ(save_jgm_bytes(module, &result), current) << version;
    }
    xm.version = 0x0105;
    EXPECT_EQ(load(xm), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported XM version 0105");
}

TEST_F(XmImport, PackedAndUnpackedCells)
{
    XmPattern pattern;
    pattern.rows = 1;
    ByteWriter(&pattern.raw)
        .u8(97).u8(0).u8(0).u8(0).u8(0)                   // unpacked key off
        .u8(0x9F).u8(98).u8(1).u8(0x40).u8(0xE).u8(0x13)  // a note above 97
        .u8(24).u8(1).u8(0x10).u8(0).u8(0x37)             // unpacked: arpeggio stays
        .u8(0x87).u8(30).u8(3).u8(0x30);                  // instrument above the count
    XmFile xm;
    xm.patterns = {pattern};
    xm.instruments = {instrument_with({}), instrument_with({})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(cell_at(module, 0, 0, 0), Cell(0, -2, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 0, 0, 1), Cell(0, 0, 0x40, 0x0E, 0x113));
    EXPECT_EQ(cell_at(module, 0, 0, 2), Cell(1, 24, 0x10, 0, 0x37));
    EXPECT_EQ(cell_at(module, 0, 0, 3), Cell(0, 0, 0x30, 0, 0));

    ScratchFile file(Bytes{0x83, 49, 2, 0x55});  // on an open file, one cell and no more
    PACKFILE *f = jgmod_fopen(file.path(), "rb");
    NOTE_INFO cell = {};
    load_note(module, f, &cell);
    EXPECT_EQ(cell.note, 49);
    EXPECT_EQ(cell.sample, 2);
    EXPECT_EQ(jgmod_getc(f), 0x55);
    jgmod_fclose(f);
}

// Effects whose parameter passes unchanged, effects the player lacks, and E x y.
TEST(XmEffects, EffectsBecomeThePlayersCommands)
{
    const int kept[][2] = {{0, 0x00}, {1, 0x1E}, {2, 0x1F}, {3, 0x03}, {4, 0x04}, {5, 0x20},
                           {6, 0x21}, {7, 0x07}, {8, 0x08}, {9, 0x09}, {10, 0x22}, {11, 0x0B},
                           {12, 0x0C}, {13, 0x0D}, {15, 0x0F}, {16, 0x1C}, {17, 0x23}, {20, 0x24},
                           {21, 0x25}, {25, 0x26}, {27, 0x18}, {29, 0x14}, {33, 0x27}};
    const int extended[][2] = {{0x13, 0x113}, {0x2F, 0x12F}, {0xA1, 0x131}, {0xB2, 0x142},
                               {0x31, 0x31}, {0x42, 0x42}, {0x63, 0x63}, {0x74, 0x74}, {0x95, 0x95},
                               {0xC6, 0xC6}, {0xD7, 0xD7}, {0xE8, 0xE8}, {0x54, 0}, {0x01, 0},
                               {0x8F, 0}, {0xF1, 0}};
    std::vector<std::array<int, 4>> cases = {{0, 0, 0, 0}};  // arpeggio without parameter: none
    for (auto k : kept)
        cases.push_back({k[0], 0x37, k[1], 0x37});
    for (int effect : {18, 19, 22, 26, 35, 36, 255, -1})
        cases.push_back({effect, 0x11, 0, 0});
    for (auto e : extended)
        cases.push_back({14, e[0], e[1] ? 0x0E : 0, e[1]});
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << "/" << c[1]);
        int command = c[0], parameter = c[1];
        convert_xm_command(&command, &parameter);
        EXPECT_EQ(command, c[2]);
        EXPECT_EQ(parameter, c[3]);
    }
}

// Each instrument maps onto its own samples; a map byte naming none of them, or
// an instrument without samples, plays the blank sample, added last.
TEST_F(XmImport, SampleMapsAcrossInstrumentsAndTheBlankSample)
{
    XmInstrument first = instrument_with({xm_sample({1}), xm_sample({2})}, 1);
    XmInstrument second = instrument_with({xm_sample({3}), xm_sample({4}), xm_sample({5})});
    const int map[] = {1, 2, 3, 200};
    std::copy(map, map + 4, &second.map[10]);
    XmInstrument short_header;  // a sample said, but a 29-byte header has no room for samples
    std::tie(short_header.header_size, short_header.sample_count) = std::make_tuple(29, 1);
    XmFile xm;
    xm.instruments = {first, instrument_with({}), second, short_header};
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 6);
    const int expected[][3] = {{0, 0, 1}, {1, 0, 5}, {2, 0, 2}, {2, 10, 3}, {2, 11, 4}, {2, 12, 5},
                               {2, 13, 5}, {3, 50, 5}};  // instrument, note, sample
    for (auto e : expected)
        EXPECT_EQ(module->instrument_info[e[0]].note_sample[e[1]], e[2]) << e[0] << "/" << e[1];
    EXPECT_EQ(module->samples[5].len, 0ul);
}

// A loop past the end is cut; one after the end, or of no length, is none.
TEST_F(XmImport, LoopEdges)
{
    XmFile xm;
    Bytes ten(10, 0);
    XmInstrument in = instrument_with({xm_sample(ten, 1, 4, 100), xm_sample(ten, 1, 20, 100)});
    in.samples.push_back(xm_sample(ten, 1, 4, 0));
    xm.instruments = {in};
    ASSERT_NE(load(xm), nullptr);
    const struct { int loop_type; unsigned long start, end; } loops[] = {
        {LOOP_FORWARD, 4, 10}, {0, 0, 10}, {0, 0, 4}};
    for (int index = 0; index < 3; index++) {
        SCOPED_TRACE(index);
        EXPECT_EQ(module->sample_info[index].loop_type, loops[index].loop_type);
        EXPECT_EQ(module->samples[index].loop_start, loops[index].start);
        EXPECT_EQ(module->samples[index].loop_end, loops[index].end);
    }
}

TEST_F(XmImport, EnvelopesAndTheirFixUps)
{
    XmInstrument in = instrument_with({xm_sample({1})});
    in.volume_envelope = {{5, 64}, {10, 32}, {20, 0}};
    in.pan_envelope = {{3, 32}, {6, 200}};
    std::tie(in.volume_sustain, in.volume_loop_end, in.volume_flags) = std::make_tuple(1, 2, 7);
    std::tie(in.pan_points, in.pan_sustain, in.fadeout) = std::make_tuple(14, 30, 1024);
    XmInstrument on_without_points = instrument_with({xm_sample({1})});
    on_without_points.volume_flags = 1;
    XmFile xm;
    xm.instruments = {in, on_without_points};
    ASSERT_NE(load(xm), nullptr);
    const INSTRUMENT_INFO *i = &module->instrument_info[0];
    EXPECT_EQ(i->volume_env_points, 3);
    EXPECT_EQ(i->volume_env_tick[0], 0);  // the first point always starts at tick 0
    EXPECT_EQ(i->volume_env_tick[1], 10);
    EXPECT_EQ(i->volume_env_value[1], 32);
    EXPECT_EQ(i->volume_env_sustain_end, 1);
    EXPECT_EQ(i->volume_env_loop_end, 2);
    EXPECT_EQ(i->volume_env_flags, 7);
    EXPECT_EQ(i->fadeout, 1024);
    EXPECT_EQ(i->pan_env_points, 12);  // points stop at 12, values at 64
    EXPECT_EQ(i->pan_env_value[1], 64);
    EXPECT_EQ(i->pan_env_sustain_start, 11);  // indices past the points are pulled back
    EXPECT_EQ(module->instrument_info[1].volume_env_points, 1);  // switched on without points
}

// Cells stop at the pattern's packed data, not at the next pattern's header.
TEST_F(XmImport, CellsStopAtThePatternsPackedData)
{
    XmFile xm;
    xm.patterns.assign(2, XmPattern());
    xm.patterns[0].raw = {0x81, 5};  // one cell of 256
    xm.patterns[1].raw = {0x81, 7};
    xm.orders = {0, 1};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->note, 5);
    EXPECT_EQ(cell_at(module, 0, 0, 1), Cell(0, 0, 0, 0, 0));
    EXPECT_EQ(get_note(module, 1, 0, 0)->note, 7);
}

// Channels past 64 are read and dropped, patterns past 256 stepped over, rows stop
// at 256, samples past 256 all kept, a short instrument header ends where it says.
TEST_F(XmImport, CountsPastTheLimits)
{
    XmFile xm;
    xm.channels = 70;
    xm.patterns.assign(258, XmPattern());
    xm.patterns[0].rows = 300;
    xm.patterns[0].cells.resize(300 * 70);
    for (int cell : {63, 64, 70, 255 * 70 + 63})  // channel 63, 64, then row 1's channel 0
        xm.patterns[0].cells[cell].volume = 1 + cell % 64;
    XmInstrument cut = instrument_with({xm_sample({7, 1})});
    cut.header_size = 200;
    xm.instruments = {cut};
    for (int index = 0; index < 20; index++) {
        std::vector<XmSample> samples;
        for (int sample = 0; sample < 16; sample++)
            samples.push_back(xm_sample({(unsigned char)(index * 16 + sample)}));
        xm.instruments.push_back(instrument_with(samples, 15));
    }
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->channel_count, 64);
    EXPECT_EQ(get_note(module, 0, 0, 63)->volume, 64);
    EXPECT_EQ(get_note(module, 0, 1, 0)->volume, 7);
    EXPECT_EQ(module->pattern_count, 256);
    EXPECT_EQ(module->pattern_info[0].row_count, 256);
    EXPECT_EQ(get_note(module, 0, 255, 63)->volume, 58);
    EXPECT_EQ(data_of(module, 0), Bytes({0x87, 0x88}));
    ASSERT_EQ(module->sample_count, 322);
    EXPECT_EQ(module->instrument_info[20].note_sample[0], 320);
    EXPECT_EQ(data_of(module, 320), Bytes({(unsigned char)((319 & 0xFF) ^ 0x80)}));
}

}  // namespace
