// The MOD, S3M and XM importers where the peer comparison cannot see: reviewed
// dumps of generated files (pans, finetunes, commands and their conversion,
// defaults, clamped restarts and global volume, envelopes, short files), and the
// reads that stop at what the file holds.
#include <stdio.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/golden.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

JGMOD *load_s3m_plain(const char *path)
{
    return load_s3m(path, 0);
}

JGMOD *load_xm_plain(const char *path)
{
    return load_xm(path, 0);
}

struct Import : ImportTest {
    void TearDown() override
    {
        ImportTest::TearDown();
        fast_loading = -1;
    }
};

S3mCell volume_cell(int row, int channel, int volume)
{
    return {row, channel, -1, 0, volume, -1, 0};
}

S3mSample sample_of(const Bytes &data, int flags = 0, long loop_start = 0, long loop_end = 0)
{
    return {1, 64, flags, (long)data.size(), loop_start, loop_end, 8363, "SCRS", data};
}

XmInstrument instrument_with(int samples)
{
    XmInstrument instrument;
    for (int index = 0; index < samples; index++)
        instrument.samples.push_back({1, 0, 0, 64, 0, 0, 128, 0, {(unsigned char)(index + 1)}});
    instrument.map.assign(96, 0);
    return instrument;
}

// A signature the detector does not list is still read, as 4 channels, when asked;
// a message too long for its buffer is cut to fit; versions not known are refused.
TEST_F(Import, UnlistedSignaturesLongMessagesAndUnknownVersions)
{
    ModFile mod;
    mod.signature = "CD61";
    Bytes bytes = build_mod(mod);
    EXPECT_EQ(detect_m31(ScratchFile(bytes).path()), -1);
    ASSERT_NE(load_bytes(bytes, [](const char *path) { return load_m(path, 31); }), nullptr);
    EXPECT_EQ(module->channel_count, 4);
    std::string name = "/nonexistent/" + std::string(200, 'x') + ".mod";
    EXPECT_EQ(load_m(name.c_str(), 31), nullptr);
    std::string message = "Unable to open " + name;
    EXPECT_EQ(jgmod_error, message.substr(0, JGMOD_ERROR_SIZE - 1));
    XmFile xm;
    xm.version = 0x0105;
    EXPECT_EQ(load_bytes(build_xm(xm), load_xm_plain), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported XM version 0105");
}

// Without fast loading only the channels the patterns use are kept, without gaps,
// and nothing of a disabled channel lands anywhere (the dumps show fast loading).
TEST_F(Import, S3mKeepsOnlyTheUsedChannels)
{
    S3mFile s3m;  // channels 0..3 enabled
    s3m.patterns = {{volume_cell(0, 0, 10)}, {volume_cell(5, 2, 20), volume_cell(6, 7, 40)}};
    s3m.orders = {0, 1};
    fast_loading = 0;
    ASSERT_NE(load_bytes(build_s3m(s3m), load_s3m_plain), nullptr);
    EXPECT_EQ(module->channel_count, 2);
    EXPECT_EQ(module->channel_pan[1], 64);
    EXPECT_EQ(get_note(module, 1, 5, 1)->volume, 36);
    for (int channel = 0; channel < 2; channel++)
        EXPECT_EQ(get_note(module, 1, 6, channel)->volume, 0) << channel;
}

// Where parapointer k lies: after the header and the orders, samples first.
size_t parapointer_at(const Bytes &bytes, int k)
{
    return 0x60 + (bytes[0x20] | bytes[0x21] << 8) + 2 * (size_t)k;
}

// Sample headers and patterns that many pointers share cost their data once.
TEST_F(Import, S3mSharedPointersAndPackedLengthsBoundWhatIsRead)
{
    S3mFile s3m;
    s3m.samples.assign(40, sample_of(Bytes(1000, 0x11)));
    s3m.orders = {0, 1};
    s3m.patterns = {{volume_cell(0, 0, 10), volume_cell(1, 0, 11)}, {volume_cell(0, 1, 12)}};
    Bytes bytes = build_s3m(s3m);
    auto word_at = [&bytes](size_t at) { return (size_t)(bytes[at] | bytes[at + 1] << 8); };
    for (int k = 1; k < 40; k++)
        memcpy(&bytes[parapointer_at(bytes, k)], &bytes[parapointer_at(bytes, 0)], 2);
    memcpy(&bytes[parapointer_at(bytes, 41)], &bytes[parapointer_at(bytes, 40)], 2);  // 1 is 0
    size_t pattern = word_at(parapointer_at(bytes, 40)) * 16;
    bytes[pattern] = 3;
    bytes[pattern + 1] = 0;  // data ends after row 0
    size_t header = word_at(parapointer_at(bytes, 0)) * 16;
    bytes.resize(word_at(header + 14) * 16 + 1000);  // sample 0's data ends the file
    for (int fast : {-1, 0}) {
        SCOPED_TRACE(fast);
        fast_loading = fast;
        ASSERT_NE(load_bytes(bytes, load_s3m_plain), nullptr);
        long total = 0;
        for (int index = 0; index < 40; index++)
            total += module->sample_info[index].length;
        EXPECT_EQ(module->sample_info[0].length, 1000);
        EXPECT_LE(total, (long)bytes.size());
        EXPECT_EQ(get_note(module, 0, 0, 0)->volume, 26);
        EXPECT_EQ(get_note(module, 0, 1, 0)->volume, 0);  // past the packed length
        EXPECT_EQ(get_note(module, 1, 0, 0)->volume, 26);
    }
}

// Pans, finetunes, commands, restarts, a short file.
std::vector<std::pair<std::string, Bytes>> mod_goldens()
{
    ModFile mod;
    mod.samples = {{1, 0x1F, 64, 0, 1, {}}, {1, 8, 64, 0, 1, {}}};
    mod.cells = {{mod_cell(1, 428, 0x0F, 0x7D), mod_cell(0x12, 113, 0x0E, 0x93)}};
    mod.song_length = 2;
    mod.orders = std::vector<int>{0, 0};
    mod.restart = 1;
    ModFile short_file = mod;  // a restart at the song's end, sample data and cells cut off
    short_file.restart = 2;
    short_file.truncate_samples = true;
    short_file.samples = {{8, 0, 64, 0, 1, {}}};
    short_file.orders = {0, 1};
    short_file.cells.assign(2, std::vector<uint32_t>(64 * 4, mod_cell(1, 428, 0, 0)));
    Bytes cut = build_mod(short_file);
    cut.resize(1084 + 1024 + 2);  // pattern 1 ends inside its first cell
    return {{"import_mod.json", build_mod(mod)}, {"import_mod_short.json", cut}};
}

// Default speeds, clamped global volume, pans from the table and the channel
// settings, the sample header forms, volumes, effect conversions.
Bytes s3m_golden()
{
    S3mFile s3m;
    s3m.speed = 0;
    s3m.tempo = 0;
    s3m.global_volume = 80;
    s3m.default_pan = 252;
    s3m.channel_settings[2] = 16;
    const int pans[] = {0x23, 0x0F, 0, 0x2F};
    std::copy(pans, pans + 4, s3m.pan_table);
    S3mSample plain = sample_of({0x00, 0x80, 0xFF, 0x10}, 1, 1, 3);
    plain.c2spd = 0x12345678;
    S3mSample adlib = sample_of({1, 2, 3, 4}, 1, 0, 4), untagged = adlib;
    adlib.type = 2;
    untagged.tag = "SCRI";
    S3mSample longer = sample_of({9, 9, 9, 9}, 1, 2, 0x7FFFFFF0);  // the last block ends the file
    longer.length = 0x7FFFFFF0;
    s3m.samples = {plain, adlib, untagged, longer};
    s3m.sample_format = 1;
    S3mCell loud = {5, 2, 0x40, 0, 200, 19, 0xB2};
    s3m.patterns = {{volume_cell(0, 0, 10)}, {loud, volume_cell(6, 7, 40)}, {}};
    s3m.orders = {0, 1, 2};
    const int effects[][2] = {{1, 0x05},  {20, 0x80}, {24, 0x40}, {13, 0x20}, {0, 0x40}, {27, 0x40},
                              {19, 0x11}, {19, 0xB2}, {19, 0xA5}, {19, 0xC3}, {19, 0x91}};
    for (int row = 0; row < 11; row++)
        s3m.patterns[2].push_back({row, 0, -1, 0, -1, effects[row][0], effects[row][1]});
    return build_s3m(s3m);
}

// Default speeds, a restart past the song, the envelopes' fix-ups, effect conversions,
// patterns of one packed cell.
Bytes xm_golden()
{
    XmFile xm;
    xm.song_length = 300;
    xm.restart = 280;
    xm.tempo = 0;
    xm.bpm = 0;
    XmInstrument in = instrument_with(1);
    in.volume_envelope = {{5, 64}, {10, 32}};
    in.pan_envelope = {{3, 32}, {6, 200}};
    in.volume_sustain = 1;
    in.pan_points = 14;
    in.pan_sustain = 30;
    in.fadeout = 1024;
    XmInstrument on_without_points = instrument_with(1);
    on_without_points.volume_flags = 1;
    xm.instruments = {in, on_without_points};
    const int effects[][2] = {{1, 0x05},  {10, 0x0F}, {33, 0x15}, {0, 0x37},
                              {0, 0x00},  {18, 0x11}, {36, 0x11}, {-1, 0x11},
                              {14, 0x13}, {14, 0xB2}, {14, 0x54}, {14, 0xE8}};
    for (int row = 0; row < 12; row++) {
        xm.patterns[0].cells.resize(4 * (size_t)row + 1);
        xm.patterns[0].cells[4 * row] = {-1, -1, -1, effects[row][0], effects[row][1]};
    }
    xm.patterns.resize(3);  // cells stop at the packed data, not at the next pattern's header
    xm.patterns[1].raw = {0x81, 5};
    xm.patterns[2].raw = {0x81, 7};
    return build_xm(xm);
}

// Reviewed dumps, tests/golden/import_*.json: accepted while the value-by-value
// checks they replaced passed on the same code, so they hold the values those checks
// reasoned out (libxmp agrees on what it reads too). The older XM layouts must dump
// exactly as the current one.
TEST_F(Import, DumpsMatchTheReviewedGoldenFiles)
{
    std::vector<std::pair<std::string, Bytes>> files = mod_goldens();
    files.push_back({"import_s3m.json", s3m_golden()});
    files.push_back({"import_xm.json", xm_golden()});
    for (auto &file : files)
        EXPECT_TRUE(
            matches_golden(ZQ_SOURCE_DIR "/tests/golden/" + file.first, dump_of(file.second)));
    XmFile xm = generated_xm(1);
    std::string current = dump_of(build_xm(xm));
    for (int version : {0x0102, 0x0103}) {
        xm.version = version;
        EXPECT_EQ(first_difference(current, dump_of(build_xm(xm))), "") << std::hex << version;
    }
}

}  // namespace
