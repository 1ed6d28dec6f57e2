// The S3M importer where the peer comparison cannot see: pans, default speeds, the
// used-channel map, volumes and effects, sample forms, and reads bounded by the file.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

JGMOD *load_plain(const char *path)
{
    return load_s3m(path, 0);
}

struct S3mImport : ImportTest {
    void TearDown() override
    {
        ImportTest::TearDown();
        fast_loading = -1;
    }
    JGMOD *load(const S3mFile &s3m) { return load_bytes(build_s3m(s3m), load_plain); }
};

S3mCell volume_cell(int row, int channel, int volume)
{
    return {row, channel, -1, 0, volume, -1, 0};
}

S3mSample sample_of(const Bytes &data, int flags = 0, long loop_start = 0, long loop_end = 0)
{
    return {1, 64, flags, (long)data.size(), loop_start, loop_end, 8363, "SCRS", data};
}

// Speeds of 0, and the pans: left and right channels, the pan table for channels
// whose byte has bit 5, none for a channel that plays no samples.
TEST_F(S3mImport, DefaultsAndPans)
{
    S3mFile s3m;
    s3m.speed = s3m.tempo = 0;
    s3m.channel_settings[2] = 16;
    s3m.default_pan = 252;
    const int pans[] = {0x23, 0x0F, 0, 0x2F};
    std::copy(pans, pans + 4, s3m.pan_table);
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->tempo, 6);
    EXPECT_EQ(module->bpm, 125);
    std::vector<int> expected = {51, 192, 0, 255};
    EXPECT_EQ(std::vector<int>(module->channel_pan, module->channel_pan + 4), expected);
}

// Without fast loading only the channels the patterns use are kept, without gaps;
// nothing of a disabled channel lands anywhere; volumes stop at 64 (then + 16); the
// effect letters are translated.
TEST_F(S3mImport, UsedChannelsVolumesAndEffects)
{
    S3mFile s3m;  // channels 0..3 enabled
    S3mCell loud = {5, 2, 0x40, 0, 200, 19, 0xB2};  // S B2: pattern loop
    s3m.patterns = {{volume_cell(0, 0, 10)}, {loud, volume_cell(6, 7, 40)}};
    s3m.orders = {0, 1};
    const struct { int fast, channels, landing; } cases[] = {{0, 2, 1}, {-1, 4, 2}};
    for (auto c : cases) {
        SCOPED_TRACE(c.fast);
        fast_loading = c.fast;
        ASSERT_NE(load(s3m), nullptr);
        EXPECT_EQ(module->channel_count, c.channels);
        EXPECT_EQ(module->channel_pan[1], c.fast ? 192 : 64);
        EXPECT_EQ(cell_at(module, 1, 5, c.landing), Cell(0, 8363, 80, 0x0E, 0x62));
        for (int channel = 0; channel < c.channels; channel++)
            EXPECT_EQ(get_note(module, 1, 6, channel)->volume, 0) << channel;
    }
}

// Each branch of the translation: a letter's code, none for a letter the player
// lacks; S x y kept, given its ProTracker form, or dropped. (Pitches are in the peer
// comparison.)
TEST(S3mConversion, EffectLetters)
{
    const int effects[][4] = {  // letter, parameter; command, parameter
        {1, 0x05, 0x10, 0x05}, {20, 0x80, 0x1A, 0x80}, {24, 0x40, 0x1D, 0x40}, {13, 0x20, 0, 0},
        {0, 0x40, 0, 0}, {27, 0x40, 0, 0}, {19, 0x11, 0x0E, 0x31}, {19, 0xB2, 0x0E, 0x62},
        {19, 0xA5, 0x0E, 0x105}, {19, 0xC3, 0x0E, 0xC3}, {19, 0x91, 0, 0},
    };
    for (auto e : effects) {
        SCOPED_TRACE(testing::Message() << e[0] << "/" << e[1]);
        int command = e[0], parameter = e[1];
        convert_s3m_command(&command, &parameter);
        EXPECT_EQ(command, e[2]);
        EXPECT_EQ(parameter, e[3]);
    }
}

// The low 16 bits of the rate; signed points; no data without the tag or for
// AdLib; a length the file cannot hold is cut to what it holds.
TEST_F(S3mImport, SampleHeadersAndDataForms)
{
    S3mSample plain = sample_of({0x00, 0x80, 0xFF, 0x10}, 1, 1, 3);
    plain.c2spd = 0x12345678;
    S3mSample adlib = sample_of({1, 2, 3, 4}, 1, 0, 4), untagged = adlib;
    adlib.type = 2;
    untagged.tag = "SCRI";
    S3mSample longer = sample_of({9, 9, 9, 9}, 1, 2, 0x7FFFFFF0);  // the last block ends the file
    longer.length = 0x7FFFFFF0;
    S3mFile s3m;
    s3m.samples = {plain, adlib, untagged, longer};
    s3m.sample_format = 1;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->sample_info[0].tuning, 0x5678);
    EXPECT_EQ(data_of(module, 0), Bytes({0x80, 0x00, 0x7F, 0x90}));
    for (int index : {1, 2}) {
        EXPECT_EQ(module->samples[index].len, 0ul) << index;
        EXPECT_EQ(module->sample_info[index].loop_type, 0) << index;
    }
    EXPECT_EQ(module->samples[3].len, 4ul);
    EXPECT_EQ(module->samples[3].loop_end, 4ul);
}

// Where parapointer k lies: after the header and the orders, samples first.
size_t parapointer_at(const Bytes &bytes, int k)
{
    return 0x60 + (bytes[0x20] | bytes[0x21] << 8) + 2 * (size_t)k;
}

// Sample headers and patterns that many pointers share cost their data once.
TEST_F(S3mImport, SharedPointersAndPackedLengthsBoundWhatIsRead)
{
    S3mFile s3m;
    s3m.samples.assign(40, sample_of(Bytes(1000, 0x11)));
    s3m.orders = {0, 1};
    s3m.patterns = {{volume_cell(0, 0, 10), volume_cell(1, 0, 11)}, {volume_cell(0, 1, 12)}};
    Bytes bytes = build_s3m(s3m);
    for (int k = 1; k < 40; k++)
        memcpy(&bytes[parapointer_at(bytes, k)], &bytes[parapointer_at(bytes, 0)], 2);
    memcpy(&bytes[parapointer_at(bytes, 41)], &bytes[parapointer_at(bytes, 40)], 2);  // 1 is 0
    size_t at = parapointer_at(bytes, 40), length_at = (bytes[at] | bytes[at + 1] << 8) * 16;
    bytes[length_at] = 3;  // the packed data ends after row 0
    bytes[length_at + 1] = 0;
    for (int fast : {-1, 0}) {
        SCOPED_TRACE(fast);
        fast_loading = fast;
        ASSERT_NE(load_bytes(bytes, load_plain), nullptr);
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
