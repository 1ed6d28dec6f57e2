// The XM importer: order fix-up and the extra pattern, cells, instruments, sample
// maps, delta-coded 8- and 16-bit data, loops, envelopes, limits, older versions.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

struct XmImport : ImportTest {
    JGMOD *load(const XmFile &xm) { return load_bytes(build_xm(xm), [](const char *path) { return load_xm(path, 0); }); }
    unsigned char first_byte(int sample) const { return ((const unsigned char *)module->samples[sample].data)[0]; }
};

XmSample xm_sample(const Bytes &data, int type = 0, long loop_start = 0, long loop_length = 0)
{
    return {(long)data.size(), loop_start, loop_length, 64, 0, type, 128, 0, data};
}

XmInstrument instrument_with(std::vector<XmSample> samples, int map_all = 0)
{
    XmInstrument instrument;
    std::tie(instrument.samples, instrument.map) = std::make_tuple(samples, std::vector<int>(96, map_all));
    return instrument;
}

TEST_F(XmImport, Header)
{
    XmFile xm;
    xm.title = "twenty characters ok";

    int cases[][10] = {  // song length, restart, tempo, bpm, flags; what they become
        {2, 1, 3, 140, 1, 2, 1, 3, 140, XM_MODE | LINEAR_MODE},
        {1, 0, 0, 0, 0, 1, 0, 6, 125, 3},
        {300, 280, 6, 125, 1, 256, 0, 6, 125, 5},  // the table keeps 256; restart past the song
    };
    for (auto c : cases) {
        std::tie(xm.song_length, xm.restart, xm.tempo, xm.bpm, xm.flags) = std::make_tuple(c[0], c[1], c[2], c[3], c[4]);
        ASSERT_NE(load(xm), nullptr);
        EXPECT_STREQ(module->name, "twenty characters ok");
        EXPECT_EQ(std::make_tuple(module->channel_count, module->global_volume, module->order_count,
                                  module->restart_order, module->tempo, module->bpm, module->flags),
                  std::make_tuple(4, 64, c[5], c[6], c[7], c[8], c[9]));
    }
}

TEST_F(XmImport, OrdersNamingMissingPatternsGoToOneExtraEmptyPattern)
{
    XmFile xm;
    xm.song_length = 3;
    xm.orders = {0, 9, 3, 7};  // the 7 lies past the song
    xm.patterns.assign(4, XmPattern());
    xm.patterns[3].rows = 16;
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->pattern_count, 5);
    EXPECT_EQ(std::make_tuple(module->order_table[1], module->order_table[2], module->pattern_info[3].row_count,
                              module->pattern_info[4].row_count), std::make_tuple(4, 3, 16, 64));
    for (int cell = 0; cell < 64 * 4; cell++)
        EXPECT_EQ(module->pattern_info[4].notes[cell].note, 0);
    xm.orders = {0, 1, 3, 7};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(std::make_pair(module->pattern_count, module->order_table[3]), std::make_pair(4, 7));
}

TEST_F(XmImport, PackedAndUnpackedCells)
{
    XmFile xm;
    XmPattern pattern;
    pattern.rows = 3;
    ByteWriter(&pattern.raw)
        .u8(0x83).u8(49).u8(2)                               // note and instrument only
        .u8(97).u8(0).u8(0).u8(0).u8(0)                      // unpacked key off
        .u8(0x9F).u8(98).u8(1).u8(0x40).u8(0xE).u8(0x13)     // a note above 97
        .u8(0x9C).u8(0x20).u8(0xF).u8(0x06)                  // volume, effect, parameter
        .u8(24).u8(1).u8(0x10).u8(0).u8(0x37)                // unpacked: arpeggio stays
        .u8(0x87).u8(30).u8(3).u8(0x30)                      // instrument above the count
        .fill(0x80, 6);
    xm.patterns = {pattern};
    xm.instruments = {instrument_with({}), instrument_with({})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(cell_at(module, 0, 0, 0), Cell(2, 49, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 0, 0, 1), Cell(0, -2, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 0, 0, 2), Cell(0, 0, 0x40, 0x0E, 0x113));
    EXPECT_EQ(cell_at(module, 0, 0, 3), Cell(0, 0, 0x20, 0x0F, 6));
    EXPECT_EQ(cell_at(module, 0, 1, 0), Cell(1, 24, 0x10, 0, 0x37));
    EXPECT_EQ(cell_at(module, 0, 1, 1), Cell(0, 0, 0x30, 0, 0));

    ScratchFile file(Bytes{0x83, 49, 2, 0x55});  // on an open file, one cell and no more
    PACKFILE *f = jgmod_fopen(file.path(), "rb");
    NOTE_INFO cell = {};
    load_note(module, f, &cell);
    EXPECT_EQ(std::make_pair(cell.note, cell.sample), std::make_pair(49, 2));
    EXPECT_EQ(jgmod_getc(f), 0x55);
    jgmod_fclose(f);
}

TEST(XmEffects, EffectsBecomeThePlayersCommands)
{
    int cases[][4] = {
        {0, 0x37, 0x00, 0x37},  {0, 0x00, 0, 0},        {1, 0x05, 0x1E, 0x05},  {2, 0x05, 0x1F, 0x05},
        {3, 0x20, 0x03, 0x20},  {4, 0x44, 0x04, 0x44},  {5, 0x02, 0x20, 0x02},  {6, 0x20, 0x21, 0x20},
        {7, 0x44, 0x07, 0x44},  {8, 0x80, 0x08, 0x80},  {9, 0x10, 0x09, 0x10},  {10, 0x0F, 0x22, 0x0F},
        {11, 0x02, 0x0B, 0x02}, {12, 0x40, 0x0C, 0x40}, {13, 0x16, 0x0D, 0x16}, {15, 0x7D, 0x0F, 0x7D},
        {16, 0x20, 0x1C, 0x20}, {17, 0x0F, 0x23, 0x0F}, {20, 0x03, 0x24, 0x03}, {21, 0x10, 0x25, 0x10},
        {25, 0x0F, 0x26, 0x0F}, {27, 0x43, 0x18, 0x43}, {29, 0x31, 0x14, 0x31}, {33, 0x15, 0x27, 0x15},
        {18, 0x11, 0, 0},       {19, 0x11, 0, 0},       {22, 0x11, 0, 0},       {26, 0x11, 0, 0},
        {35, 0x11, 0, 0},       {36, 0x11, 0, 0},       {255, 0x11, 0, 0},      {-1, 0x11, 0, 0},
        {14, 0x13, 0x0E, 0x113}, {14, 0x2F, 0x0E, 0x12F}, {14, 0xA1, 0x0E, 0x131}, {14, 0xB2, 0x0E, 0x142},
        {14, 0x54, 0, 0},       {14, 0x01, 0, 0},       {14, 0x8F, 0, 0},       {14, 0xF1, 0, 0},
        {14, 0x31, 0x0E, 0x31}, {14, 0x42, 0x0E, 0x42}, {14, 0x63, 0x0E, 0x63}, {14, 0x74, 0x0E, 0x74},
        {14, 0x95, 0x0E, 0x95}, {14, 0xC6, 0x0E, 0xC6}, {14, 0xD7, 0x0E, 0xD7}, {14, 0xE8, 0x0E, 0xE8},
    };
    for (auto c : cases) {
        int command = c[0], parameter = c[1];
        convert_xm_command(&command, &parameter);
        EXPECT_EQ(std::make_pair(command, parameter), std::make_pair(c[2], c[3])) << c[0] << "/" << c[1];
    }
}

TEST_F(XmImport, SampleMapsAcrossInstrumentsAndTheBlankSample)
{
    XmInstrument first = instrument_with({xm_sample({1}), xm_sample({2})}, 1);
    XmInstrument second = instrument_with({xm_sample({3}), xm_sample({4}), xm_sample({5})});
    second.map[10] = 1;
    second.map[11] = 2;
    second.map[12] = 3;  // names no sample of this instrument
    second.map[13] = 200;
    XmInstrument short_header;  // a sample said, but a 29-byte header has no room for samples
    std::tie(short_header.header_size, short_header.sample_count) = std::make_tuple(29, 1);
    XmFile xm;
    xm.instruments = {first, instrument_with({}), second, short_header};
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 6);  // five and the blank one, last
    int expected[][3] = {{0, 0, 1}, {1, 0, 5}, {2, 0, 2}, {2, 10, 3}, {2, 11, 4}, {2, 12, 5}, {2, 13, 5}, {3, 50, 5}};
    for (auto e : expected)
        EXPECT_EQ(module->instrument_info[e[0]].note_sample[e[1]], e[2]) << e[0] << "/" << e[1];
    // Each sample's data was found after its own instrument's headers.
    for (int index = 0; index < 5; index++)
        EXPECT_EQ(first_byte(index), (index + 1) ^ 0x80) << index;
    const SAMPLE *blank = &module->samples[5];
    EXPECT_EQ(std::make_tuple(blank->len, blank->bits, blank->freq, module->sample_info[5].tuning),
              std::make_tuple(0ul, 8, 1000, 0));
    EXPECT_NE(blank->data, nullptr);
}

TEST_F(XmImport, SampleHeadersDeltaDataAndLoops)
{
    Bytes sixteen;
    ByteWriter(&sixteen).le16(0x1234).le16(0x1000).le16(0xF000);  // points 0x1234, 0x2234, 0x1234
    XmSample wide = xm_sample(sixteen, 0x11, 200, 400);
    wide.length = 1000;
    XmSample fields = {10, 2, 6, 50, -16, 2, 200, -12, Bytes(10, 0)};
    XmInstrument instrument = instrument_with({xm_sample({0x10, 0x10, 0xF0}), wide, fields,
                                               xm_sample(Bytes(10, 0), 1, 4, 100),  // past the end: cut
                                               xm_sample(Bytes(10, 0), 1, 20, 100), // after the end: none
                                               xm_sample(Bytes(10, 0), 1, 4, 0)});  // no length: none
    XmFile xm;
    xm.instruments = {instrument};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x90\xA0\x90", 3), 0);
    const SAMPLE *s = &module->samples[1];  // 16-bit: 8-bit points, the loop halved
    EXPECT_EQ(std::make_tuple(s->bits, s->len, s->loop_start, s->loop_end), std::make_tuple(8, 500ul, 100ul, 300ul));
    EXPECT_EQ(memcmp(s->data, "\x92\xA2\x92\x92", 4), 0);
    const SAMPLE_INFO *info = &module->sample_info[1];
    EXPECT_EQ(std::make_tuple(info->length, info->loop_start, info->loop_end), std::make_tuple(1000, 200, 600));
    info = &module->sample_info[2];
    EXPECT_EQ(std::make_tuple(info->volume, info->tuning, info->transpose, info->pan, info->loop_end),
              std::make_tuple(50, 112, -12, 200, 8));
    struct {
        int sample, loop_type;
        unsigned long start, end;
    } loops[] = {{2, LOOP_PINGPONG, 2, 8}, {3, LOOP_FORWARD, 4, 10}, {4, 0, 0, 10}};
    for (auto l : loops) {
        const SAMPLE *s = &module->samples[l.sample];
        EXPECT_EQ(std::make_tuple(module->sample_info[l.sample].loop_type, s->loop_start, s->loop_end),
                  std::make_tuple(l.loop_type, l.start, l.end)) << l.sample;
    }
    EXPECT_EQ(module->sample_info[5].loop_type, 0);
}

TEST_F(XmImport, EnvelopesAndTheirFixUps)
{
    XmInstrument instrument = instrument_with({xm_sample({1})});
    instrument.volume_envelope = {{5, 64}, {10, 32}, {20, 0}};
    instrument.pan_envelope = {{3, 32}, {6, 200}};
    std::tie(instrument.volume_sustain, instrument.volume_loop_end, instrument.volume_flags) = std::make_tuple(1, 2, 7);
    std::tie(instrument.pan_points, instrument.pan_sustain, instrument.pan_flags) = std::make_tuple(14, 30, 1);
    instrument.fadeout = 0x0400;
    XmInstrument on_without_points = instrument_with({xm_sample({1})});
    on_without_points.volume_flags = 1;
    XmFile xm;
    xm.instruments = {instrument, on_without_points};
    ASSERT_NE(load(xm), nullptr);
    const INSTRUMENT_INFO *i = &module->instrument_info[0];
    // The first point always starts at tick 0.
    EXPECT_EQ(std::make_tuple(i->volume_env_points, i->volume_env_tick[0], i->volume_env_tick[1], i->volume_env_value[0]),
              std::make_tuple(3, 0, 10, 64));
    EXPECT_EQ(std::make_tuple(i->volume_env_sustain_start, i->volume_env_sustain_end, i->volume_env_loop_end,
                              i->volume_env_flags, i->fadeout), std::make_tuple(1, 1, 2, 7, 0x0400));
    // Points stop at 12, values at 64; indices past the points are pulled back.
    EXPECT_EQ(std::make_tuple(i->pan_env_points, i->pan_env_tick[0], i->pan_env_value[1], i->pan_env_sustain_start),
              std::make_tuple(12, 0, 64, 11));
    i = &module->instrument_info[1];  // switched on without points
    EXPECT_EQ(std::make_pair(i->volume_env_points, i->volume_env_value[0]), std::make_pair(1, 0));
}

TEST_F(XmImport, HeadersThatSayLessOrMoreThanFits)
{
    // An instrument header cut before its envelope settings ends where it says.
    XmInstrument cut = instrument_with({xm_sample({7, 1})});
    cut.header_size = 200;
    XmFile xm;
    xm.instruments = {cut, instrument_with({xm_sample({9})})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x87\x88", 2), 0);
    EXPECT_EQ(first_byte(1), 0x89);

    // More than 256 samples are all kept.
    xm.instruments.clear();
    for (int index = 0; index < 20; index++) {
        std::vector<XmSample> samples;
        for (int sample = 0; sample < 16; sample++)
            samples.push_back(xm_sample({(unsigned char)(index * 16 + sample)}));
        xm.instruments.push_back(instrument_with(samples, 15));
    }
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 321);
    EXPECT_EQ(module->instrument_info[19].note_sample[0], 319);
    EXPECT_EQ(first_byte(319), (319 & 0xFF) ^ 0x80);

    // More than 64 channels keep the first 64.
    xm = XmFile();
    xm.channels = 70;
    xm.patterns[0].rows = 2;
    xm.patterns[0].cells.resize(2 * 70);
    for (int cell : {63, 64, 70})  // channel 63, channel 64, then row 1's channel 0
        xm.patterns[0].cells[cell].volume = cell;
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(std::make_tuple(module->channel_count, get_note(module, 0, 0, 63)->volume,
                              get_note(module, 0, 1, 0)->volume), std::make_tuple(64, 63, 70));

    // Patterns past 256 are stepped over to reach the instruments; rows stop
    // at 256; packed size 0 is an empty pattern.
    xm = XmFile();
    xm.patterns.assign(258, XmPattern());
    for (XmPattern &pattern : xm.patterns) {
        pattern.rows = 1;
        pattern.cells = {XmCell{5, 1}};
    }
    xm.patterns[0].empty = true;
    xm.patterns[0].rows = 32;
    xm.patterns[1].rows = 300;
    xm.patterns[1].cells.assign(300 * 4, XmCell{1});
    xm.orders = {0, 1, 255};
    xm.instruments = {instrument_with({xm_sample({0x21, 0x01})})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(std::make_tuple(module->pattern_count, module->pattern_info[0].row_count, module->pattern_info[1].row_count),
              std::make_tuple(256, 32, 256));
    EXPECT_EQ(std::make_tuple(get_note(module, 0, 0, 0)->note, get_note(module, 1, 255, 3)->note,
                              get_note(module, 255, 0, 0)->note), std::make_tuple(0, 1, 5));
    EXPECT_EQ(memcmp(module->samples[0].data, "\xA1\xA2", 2), 0);
}

// Every cell and sample point, to compare two loads of one song.
std::pair<std::vector<Cell>, std::vector<Bytes>> contents(const JGMOD *j)
{
    std::pair<std::vector<Cell>, std::vector<Bytes>> all;
    for (int pattern = 0; pattern < j->pattern_count; pattern++) {
        for (int row = 0; row < j->pattern_info[pattern].row_count; row++) {
            for (int channel = 0; channel < j->channel_count; channel++)
                all.first.push_back(cell_at(j, pattern, row, channel));
        }
    }
    for (int index = 0; index < j->sample_count; index++) {
        const unsigned char *data = (const unsigned char *)j->samples[index].data;
        all.second.emplace_back(data, data + j->samples[index].len);
    }
    return all;
}

TEST_F(XmImport, OlderVersionsLoadAsTheSameSongAndOthersAreRefused)
{
    XmFile xm = generated_xm(1);
    ASSERT_NE(load(xm), nullptr);
    auto current = contents(module);
    for (int version : {0x0102, 0x0103}) {
        xm.version = version;
        ASSERT_NE(load(xm), nullptr) << jgmod_error;
        EXPECT_EQ(contents(module), current) << std::hex << version;
    }
    for (int version : {0x0101, 0x0105}) {
        xm.version = version;
        EXPECT_EQ(load(xm), nullptr) << std::hex << version;
        EXPECT_STREQ(jgmod_error, version == 0x0101 ? "Unsupported XM version 0101" : "Unsupported XM version 0105");
    }
}

TEST_F(XmImport, CellsStopAtThePatternsPackedData)
{
    XmFile xm;
    xm.patterns.assign(2, XmPattern());
    xm.patterns[0].raw = {0x81, 5};  // one cell of 256
    xm.patterns[1].raw = {0x81, 7};
    xm.orders = {0, 1};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->note, 5);
    EXPECT_EQ(cell_at(module, 0, 0, 1), Cell(0, 0, 0, 0, 0));  // not the next pattern's header
    EXPECT_EQ(get_note(module, 1, 0, 0)->note, 7);

    xm.channels = 65535;  // rows the data cannot hold are empty, without reading them
    xm.patterns.assign(256, XmPattern());
    for (XmPattern &pattern : xm.patterns)
        std::tie(pattern.rows, pattern.raw) = std::make_tuple(256, Bytes{0x80});
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->channel_count, 64);
}

}  // namespace
