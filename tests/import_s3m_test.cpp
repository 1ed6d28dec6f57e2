// The S3M importer: channel maps with and without fast loading, pans, orders,
// missing patterns, cell conversion, sample data forms, shared pointers.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

struct S3mImport : ImportTest {
    void TearDown() override
    {
        ImportTest::TearDown();
        fast_loading = -1;
    }
    JGMOD *load(const S3mFile &s3m) { return load_bytes(build_s3m(s3m), [](const char *path) { return load_s3m(path, 0); }); }
};

S3mCell cell(int row, int channel, int volume = -1, int note = -1, int instrument = 0)
{
    return {row, channel, note, instrument, volume, -1, 0};
}

S3mSample sample_of(const Bytes &data, int flags = 0, long loop_start = 0, long loop_end = 0, int type = 1)
{
    return {type, 64, flags, (long)data.size(), loop_start, loop_end, 8363, "SCRS", data, false};
}

TEST_F(S3mImport, HeaderAndChannelMapsWithPans)
{
    S3mFile s3m;
    s3m.title = "A title of twenty-eight ch..";
    s3m.global_volume = 48;
    s3m.speed = s3m.tempo = 0;  // 6 and 125
    std::fill(s3m.channel_settings, s3m.channel_settings + 32, 255);
    int settings[][2] = {{0, 0}, {1, 1}, {8, 8}, {9, 9}, {10, 16}, {11, 128}};  // 16: not a sample channel
    for (auto s : settings)
        s3m.channel_settings[s[0]] = s[1];
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_STREQ(module->name, "A title of twenty-eight ch..");
    EXPECT_EQ(std::make_tuple(module->global_volume, module->tempo, module->bpm, module->flags, module->channel_count),
              std::make_tuple(48, 6, 125, 0, 5));
    EXPECT_EQ(std::vector<int>(remap, remap + 12), (std::vector<int>{0, 1, -1, -1, -1, -1, -1, -1, 2, 3, 4, -1}));
    EXPECT_EQ(std::vector<int>(module->channel_pan, module->channel_pan + 5), (std::vector<int>{64, 64, 192, 192, 0}));

    s3m = S3mFile();  // the pan table overrides channels whose byte has bit 5
    s3m.default_pan = 252;
    const int pans[] = {0x23, 0x0F, 0, 0x2F};
    std::copy(pans, pans + 4, s3m.pan_table);
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(std::make_tuple(module->channel_pan[0], module->channel_pan[1], module->channel_pan[3]),
              std::make_tuple(51, 192, 255));
    s3m.default_pan = 0;  // no table: its bytes are not in the file
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_pan[0], 64);
}

TEST_F(S3mImport, WithoutFastLoadingOnlyUsedChannelsAreKeptWithoutGaps)
{
    S3mFile s3m;  // channels 0..3 enabled
    s3m.patterns = {{cell(0, 0, 10)}, {cell(5, 2, 30), cell(6, 7, 40)}};  // 7 is disabled
    s3m.orders = {0, 1};
    fast_loading = 0;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_count, 2);
    EXPECT_EQ(std::make_tuple(remap[1], remap[2], remap[3]), std::make_tuple(-1, 1, -1));
    EXPECT_EQ(module->channel_pan[1], 64);
    EXPECT_EQ(get_note(module, 0, 0, 0)->volume, 26);
    EXPECT_EQ(get_note(module, 1, 5, 1)->volume, 46);
    fast_loading = -1;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_count, 4);
    EXPECT_EQ(get_note(module, 1, 5, 2)->volume, 46);
    EXPECT_EQ(get_note(module, 1, 6, 3)->volume, 0);  // nothing of the disabled channel lands anywhere

    // On an open file, the pattern steps take one pattern and leave the file after it.
    Bytes bytes = {0x41, 20, 0x00, 0x23, 0x40, 0x00};  // row 0: channel 1; row 1: channel 3
    bytes.resize(bytes.size() + 63, 0x00);
    bytes.push_back(0x55);
    ScratchFile packed(bytes);
    PACKFILE *f = jgmod_fopen(packed.path(), "rb");
    NOTE_INFO cells[64 * 4] = {};
    S3M_load_pat(f, module, cells, 4);
    EXPECT_EQ(std::make_pair(cells[1].volume, cells[4 + 3].note), std::make_pair(36, 8363));
    EXPECT_EQ(jgmod_getc(f), 0x55);
    jgmod_fclose(f);
}

TEST_F(S3mImport, OrderCompactionAndMissingPatterns)
{
    struct {
        std::vector<int> orders, table;
        int patterns, pattern_count;
        std::vector<bool> empty_pointer;
    } cases[] = {
        {{0, 254, 1, 255, 2}, {0, 1, 2}, 3, 3, {}},  // markers dropped
        {{0, 5}, {0, 5}, 3, 6, {}},                  // missing patterns are built empty
        {{1}, {1}, 4, 2, {}},                        // patterns no order reaches are not
        {{0, 1}, {0, 1}, 2, 2, {true, false}},       // parapointer 0: empty
    };
    for (auto &c : cases) {
        S3mFile s3m;
        s3m.orders = c.orders;
        s3m.patterns.assign(c.patterns, {cell(0, 0, 3)});
        s3m.empty_pointer = c.empty_pointer;
        ASSERT_NE(load(s3m), nullptr);
        EXPECT_EQ(std::vector<int>(module->order_table, module->order_table + module->order_count), c.table);
        ASSERT_EQ(module->pattern_count, c.pattern_count);
        for (int pattern = 0; pattern < c.pattern_count; pattern++) {
            bool data = pattern < c.patterns && !(pattern < (int)c.empty_pointer.size() && c.empty_pointer[pattern]);
            EXPECT_EQ(module->pattern_info[pattern].row_count, 64);
            EXPECT_EQ(get_note(module, pattern, 0, 0)->volume, data ? 19 : 0) << pattern;
        }
    }
    S3mFile s3m;
    s3m.orders.assign(300, 0);  // the table keeps the first 256
    s3m.orders[255] = 1;
    s3m.orders[256] = 2;
    s3m.patterns.resize(3);
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(std::make_tuple(module->order_count, module->order_table[255], module->pattern_count),
              std::make_tuple(256, 1, 2));
}

TEST_F(S3mImport, NotesInstrumentsVolumesAndEffectsInCells)
{
    S3mFile s3m;
    s3m.samples.resize(3);
    s3m.patterns = {{cell(0, 0, -1, 0x40, 3), cell(0, 3, -1, 255, 2),
                     cell(1, 0, -1, 0x4C, 4),  // semitone 12 does not exist; instrument 4 of 3
                     cell(2, 1, 200), cell(2, 4, 30, 0x40, 1), {3, 1, -1, 0, -1, 19, 0xB2}}};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(cell_at(module, 0, 0, 0), Cell(3, 8363, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 0, 0, 3), Cell(2, 0, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 0, 1, 0), Cell(0, 0, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 0, 2, 1), Cell(0, 0, 80, 0, 0));  // volumes stop at 64, plus 16
    EXPECT_EQ(cell_at(module, 0, 3, 1), Cell(0, 0, 0, 0x0E, 0x62));
}

TEST(S3mConversion, PitchesAndEffectLetters)
{
    int pitches[][2] = {{0x40, 8363}, {0x50, 16726}, {0x41, 3579546 / (6464 >> 4)}, {0x00, 3579546 / 6848},
                        {0x9B, 3579546 / (3628 >> 9)}, {254, -1}, {255, 0}, {0x4C, 0}, {0x3F, 0},
                        {-1, 0}, {300, 0}, {0xF0, 0}};  // octave 15: the period shifts to nothing
    for (auto p : pitches) {
        int note = p[0];
        convert_s3m_pitch(&note);
        EXPECT_EQ(note, p[1]) << p[0];
    }
    int effects[][4] = {
        {1, 0x05, 0x10, 0x05},  {2, 0x03, 0x0B, 0x03},  {3, 0x10, 0x0D, 0x10},  {4, 0x0F, 0x11, 0x0F},
        {5, 0xF2, 0x12, 0xF2},  {6, 0xE1, 0x13, 0xE1},  {7, 0x20, 0x03, 0x20},  {8, 0x44, 0x04, 0x44},
        {9, 0x31, 0x14, 0x31},  {10, 0x37, 0x15, 0x37}, {11, 0x02, 0x16, 0x02}, {12, 0x20, 0x17, 0x20},
        {13, 0x20, 0, 0},       {14, 0x20, 0, 0},       {15, 0x80, 0x09, 0x80}, {16, 0x20, 0, 0},
        {17, 0x43, 0x18, 0x43}, {18, 0x44, 0x19, 0x44}, {20, 0x80, 0x1A, 0x80}, {21, 0x44, 0x1B, 0x44},
        {22, 0x30, 0x1C, 0x30}, {23, 0x30, 0, 0},       {24, 0x40, 0x1D, 0x40}, {25, 0x40, 0, 0},
        {26, 0x40, 0, 0},       {0, 0x40, 0, 0},        {27, 0x40, 0, 0},       {255, 0x40, 0, 0},
        {19, 0x11, 0x0E, 0x31}, {19, 0x23, 0x0E, 0x53}, {19, 0x32, 0x0E, 0x42}, {19, 0x41, 0x0E, 0x71},
        {19, 0x8C, 0x0E, 0x8C}, {19, 0xA5, 0x0E, 0x105}, {19, 0xB2, 0x0E, 0x62}, {19, 0xC3, 0x0E, 0xC3},
        {19, 0xD2, 0x0E, 0xD2}, {19, 0xE4, 0x0E, 0xE4}, {19, 0x91, 0, 0},       {19, 0x01, 0, 0},
        {19, 0x5F, 0, 0},       {19, 0x61, 0, 0},       {19, 0x71, 0, 0},       {19, 0xF0, 0, 0},
    };
    for (auto e : effects) {
        int command = e[0], parameter = e[1];
        convert_s3m_command(&command, &parameter);
        EXPECT_EQ(std::make_pair(command, parameter), std::make_pair(e[2], e[3])) << e[0] << "/" << e[1];
    }
}

TEST_F(S3mImport, SampleHeadersAndDataForms)
{
    S3mFile s3m;
    S3mSample plain = sample_of({0x00, 0x80, 0xFF, 0x10}, 1, 1, 3);
    plain.volume = 33;
    plain.c2spd = 0x12345678;  // only the low 16 bits are kept
    S3mSample sixteen = sample_of({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, 4);
    sixteen.length = 3;  // points
    S3mSample adlib = sample_of({1, 2, 3, 4}, 0, 0, 0, 2);
    S3mSample untagged = sample_of({1, 2, 3, 4}, 1, 0, 4);
    untagged.tag = "SCRI";
    S3mSample nowhere = {1, 64, 0, 1000, 0, 0, 8363, "SCRS", {}, true};
    S3mSample longer = sample_of({9, 9, 9, 9}, 1, 2, 0x7FFFFFF0);  // the last data block ends the file
    longer.length = 0x7FFFFFF0;
    s3m.samples = {plain, sixteen, adlib, untagged, nowhere, sample_of(Bytes(16, 0x80), 1, 16, 40), longer};
    ASSERT_NE(load(s3m), nullptr);
    const SAMPLE_INFO *info = &module->sample_info[0];
    const SAMPLE *s = &module->samples[0];
    EXPECT_EQ(std::make_tuple(info->length, info->volume, info->tuning, (int)s->freq), std::make_tuple(4, 33, 0x5678, 0x5678));
    EXPECT_EQ(std::make_tuple(info->loop_type, info->loop_start, info->loop_end, s->loop_start, s->loop_end),
              std::make_tuple(1, 1, 3, 1ul, 3ul));
    EXPECT_EQ(memcmp(s->data, "\x00\x80\xFF\x10", 4), 0);
    EXPECT_EQ(std::make_pair(module->samples[1].len, module->samples[1].bits), std::make_pair(3ul, 8));
    EXPECT_EQ(memcmp(module->samples[1].data, "\x22\x44\x66", 3), 0);  // the high byte of each point
    for (int index : {2, 3, 4}) {  // nothing to play
        EXPECT_EQ(std::make_tuple(module->sample_info[index].length, module->sample_info[index].loop_type,
                                  module->samples[index].len, module->samples[index].loop_end),
                  std::make_tuple(0, 0, 0ul, 0ul)) << index;
        EXPECT_NE(module->samples[index].data, nullptr) << index;
    }
    EXPECT_EQ(module->sample_info[5].loop_type, 0);  // starts at the end: no loop
    s = &module->samples[6];  // cut to the data the file holds
    EXPECT_EQ(std::make_tuple(module->sample_info[6].length, module->sample_info[6].loop_type, s->len, s->loop_start,
                              s->loop_end), std::make_tuple(4, 1, 4ul, 2ul, 4ul));

    s3m.sample_format = 1;  // signed: the top bit flips
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x80\x00\x7F\x90", 4), 0);
    EXPECT_EQ(memcmp(module->samples[1].data, "\xA2\xC4\xE6", 3), 0);
}

// Parapointer k of the table after the header and orders (samples first).
void set_parapointer(Bytes &bytes, int k, int value)
{
    size_t at = 0x60 + (bytes[0x20] | bytes[0x21] << 8) + 2 * k;
    std::tie(bytes[at], bytes[at + 1]) = std::make_tuple(value & 0xFF, value >> 8);
}

int parapointer(const Bytes &bytes, int k)
{
    size_t at = 0x60 + (bytes[0x20] | bytes[0x21] << 8) + 2 * k;
    return bytes[at] | bytes[at + 1] << 8;
}

// Sample headers and patterns that many pointers share cost their data once.
TEST_F(S3mImport, SharedPointersAndPackedLengthsBoundWhatIsRead)
{
    S3mFile s3m;
    s3m.samples.assign(40, sample_of(Bytes(1000, 0x11)));
    s3m.orders = {0, 1};
    s3m.patterns = {{cell(0, 0, 10), cell(1, 0, 11)}, {cell(0, 1, 12)}};
    Bytes bytes = build_s3m(s3m);
    for (int k = 1; k < 40; k++)
        set_parapointer(bytes, k, parapointer(bytes, 0));
    set_parapointer(bytes, 41, parapointer(bytes, 40));  // pattern 1 is pattern 0
    size_t length_at = (size_t)parapointer(bytes, 40) * 16;
    bytes[length_at] = 3;  // the packed data ends after row 0
    bytes[length_at + 1] = 0;
    for (int fast : {-1, 0}) {
        fast_loading = fast;
        ASSERT_NE(load_bytes(bytes, [](const char *path) { return load_s3m(path, 0); }), nullptr);
        long total = 0;
        for (int index = 0; index < 40; index++)
            total += module->sample_info[index].length;
        EXPECT_EQ(module->sample_info[0].length, 1000);
        EXPECT_LE(total, (long)bytes.size());
        EXPECT_EQ(get_note(module, 0, 0, 0)->volume, 26);
        EXPECT_EQ(get_note(module, 0, 1, 0)->volume, 0);  // past the packed length
        EXPECT_EQ(cell_at(module, 1, 0, 0), cell_at(module, 0, 0, 0));
    }
}

}  // namespace
