// The MOD importer where the peer comparison cannot see: pans, sample volume,
// finetune and data, loops cut to the data, commands, restart, short files.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

struct ModImport : ImportTest {
    JGMOD *load(const ModFile &mod)
    {
        auto reader = [&](const char *path) { return load_m(path, mod.sample_count); };
        return load_bytes(build_mod(mod), reader);
    }
};

// Every listed signature gives its channel count, which lays out the cells.
TEST_F(ModImport, SignaturesGiveTheirChannelCounts)
{
    for (int index = 0; index < MODTYPE_COUNT - 1; index++) {
        ModFile mod;
        mod.signature = modtypes[index].id;
        int channels = mod.channels = modtypes[index].channels;
        mod.cells = {std::vector<uint32_t>(64 * channels)};
        mod.cells[0][64 * channels - 1] = mod_cell(3, 428, 0, 0);
        SCOPED_TRACE(mod.signature);
        ASSERT_NE(load(mod), nullptr);
        EXPECT_EQ(module->channel_count, channels);
        EXPECT_EQ(get_note(module, 0, 63, channels - 1)->sample, 3);
    }
    const int pans[] = {0, 255, 255, 0, 0, 255};  // left, right, right, left, ...
    for (int channel = 0; channel < 6; channel++)
        EXPECT_EQ(module->channel_pan[channel], pans[channel]) << channel;
    for (const char *signature : {"32FW", "M.K", "\0\0\0\0"}) {
        ModFile mod;
        mod.signature = std::string(signature, 4);
        ScratchFile file(build_mod(mod));
        EXPECT_EQ(detect_m31(file.path()), -1) << signature;
        ASSERT_NE(load(mod), nullptr) << signature;  // read anyway when asked: 4 channels
        EXPECT_EQ(module->channel_count, 4) << signature;
    }
}

// Repeats in words become loops in bytes, cut at the data's end.
TEST_F(ModImport, SampleLengthsAndRepeats)
{
    struct {
        int length, offset, repeat, loop_type;
        unsigned long len, start, end;
    } cases[] = {
        {1, 0, 1, 0, 0, 0, 0},         // one word: empty
        {50, 0, 1, 0, 100, 0, 100},    // repeat of one word: no loop
        {300, 100, 200, LOOP_FORWARD, 600, 200, 600},
        {250, 100, 200, LOOP_FORWARD, 500, 200, 500},  // cut at the end
        {250, 250, 200, 0, 500, 0, 500},               // nothing left to loop
    };
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << "/" << c.offset);
        ModFile mod;
        mod.samples = {{c.length, 0, 64, c.offset, c.repeat, {}}};
        ASSERT_NE(load(mod), nullptr);
        EXPECT_EQ(module->sample_info[0].loop_type, c.loop_type);
        EXPECT_EQ(module->samples[0].len, c.len);
        EXPECT_EQ(module->samples[0].loop_start, c.start);
        EXPECT_EQ(module->samples[0].loop_end, c.end);
    }
}

// Finetune from the low nibble, volume at most 64, signed points made unsigned.
TEST_F(ModImport, FinetuneVolumeAndData)
{
    ModFile mod;
    mod.samples = {{2, 0x1F, 200, 0, 1, {0x00, 0x7F, 0x80, 0xFF}}, {1, 8, 40, 0, 1, {}}};
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_info[0].tuning, mod_finetune[15]);
    EXPECT_EQ(module->sample_info[0].volume, 64);
    EXPECT_EQ(module->sample_info[1].tuning, 7895);
    EXPECT_EQ(module->sample_info[1].volume, 40);
    EXPECT_EQ(data_of(module, 0), Bytes({0x80, 0xFF, 0x00, 0x7F}));
}

TEST_F(ModImport, CommandsRestartAndMessages)
{
    ModFile mod;
    mod.song_length = 2;
    mod.orders = {0, 1};
    mod.cells = {{0, mod_cell(0, 0, 0x0F, 0x7D), mod_cell(32, 428, 0, 0)}};  // sample past 31
    mod.restart = 1;  // the song's last order: kept
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(cell_at(module, 0, 0, 1), Cell(0, 0, 0, 0x0F, 0x7D));
    EXPECT_EQ(cell_at(module, 0, 0, 2), Cell(0, 8363, 0, 0, 0));
    EXPECT_EQ(module->restart_order, 1);
    mod.restart = 2;  // at the song's end it would never come back
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->restart_order, 0);

    EXPECT_EQ(load_m("x.mod", 20), nullptr);
    EXPECT_STREQ(jgmod_error, "MOD must be 15 or 31 instruments");
    std::string long_name = "/nonexistent/" + std::string(200, 'x') + ".mod";
    EXPECT_EQ(load_m(long_name.c_str(), 31), nullptr);
    std::string message = "Unable to open " + long_name;
    EXPECT_EQ(jgmod_error, message.substr(0, JGMOD_ERROR_SIZE - 1));  // cut to fit
}

// What the file does not hold is silence and empty cells, not decoded missing bytes.
TEST_F(ModImport, ShortFilesLoadSilenceAndEmptyCells)
{
    ModFile mod;
    mod.samples = {{8, 0, 64, 0, 1, {}}};
    mod.truncate_samples = true;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_info[0].length, 16);
    EXPECT_EQ(data_of(module, 0), Bytes(16, 0x80));

    mod.orders = {0, 1};
    mod.cells.assign(2, std::vector<uint32_t>(64 * 4, mod_cell(1, 428, 0, 0)));
    Bytes bytes = build_mod(mod);
    bytes.resize(1084 + 1024 + 2);  // pattern 1 ends inside its first cell
    ASSERT_NE(load_bytes(bytes, [](const char *path) { return load_m(path, 31); }), nullptr);
    EXPECT_EQ(cell_at(module, 0, 63, 3), Cell(1, 8363, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 1, 0, 0), Cell(0, 0, 0, 0, 0));
}

}  // namespace
