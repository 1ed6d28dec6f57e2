// The MOD importer: signatures and channel counts, sample headers and loops,
// cells, orders and restart, the 15-sample form, and short files.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

struct ModImport : ImportTest {
    JGMOD *load(const ModFile &mod)
    {
        return load_bytes(build_mod(mod), [&](const char *path) { return load_m(path, mod.sample_count); });
    }
};

TEST_F(ModImport, SignaturesGiveTheirChannelCountsAndCellLayout)
{
    EXPECT_EQ(sizeof modtypes, 72u * 6u);
    EXPECT_STREQ(modtypes[71].id, "32FW");  // the end marker
    for (int index = 0; index < MODTYPE_COUNT - 1; index++) {
        ModFile mod;
        mod.signature = modtypes[index].id;
        int channels = mod.channels = modtypes[index].channels;
        mod.cells = {std::vector<uint32_t>(64 * channels)};
        mod.cells[0][64 * channels - 1] = mod_cell(3, 428, 0, 0);
        ScratchFile file(build_mod(mod));
        EXPECT_EQ(detect_m31(file.path()), 1) << mod.signature;
        ASSERT_NE(load(mod), nullptr) << mod.signature;
        EXPECT_EQ(module->channel_count, channels) << mod.signature;
        EXPECT_EQ(get_note(module, 0, 63, channels - 1)->sample, 3) << mod.signature;
        for (int channel = 0; channel < channels; channel++)  // left, right, right, left, ...
            EXPECT_EQ(module->channel_pan[channel], (channel + 1) % 4 < 2 ? 0 : 255) << channel;
    }
    for (const char *signature : {"32FW", "CD61", "FA06", "M.K", "\0\0\0\0"}) {
        ModFile mod;
        mod.signature = std::string(signature, 4);
        ScratchFile file(build_mod(mod));
        EXPECT_EQ(detect_m31(file.path()), -1) << signature;
        ASSERT_NE(load(mod), nullptr) << signature;  // read anyway when asked: 4 channels
        EXPECT_EQ(module->channel_count, 4) << signature;
    }
    EXPECT_EQ(detect_m31("/nonexistent/file.mod"), -1);
}

// Repeats in words become loops in bytes; the sample information keeps the
// loop's length, the library record its end.
TEST_F(ModImport, SampleLengthsAndRepeats)
{
    struct {
        int length, repeat_offset, repeat_length, info_length, loop_type, info_start, info_end;
        unsigned long len, start, end;
    } cases[] = {
        {1, 0, 1, 0, 0, 0, 0, 0, 0, 0},         // one word: empty
        {50, 0, 1, 100, 0, 0, 0, 100, 0, 100},  // repeat of one word: no loop
        {300, 100, 200, 600, LOOP_FORWARD, 200, 400, 600, 200, 600},
        {250, 100, 200, 500, LOOP_FORWARD, 200, 400, 500, 200, 500},  // cut at the data's end
        {250, 250, 200, 500, 0, 0, 0, 500, 0, 500},                   // nothing left to loop
    };
    for (auto c : cases) {
        ModFile mod;
        mod.samples = {{c.length, 0, 64, c.repeat_offset, c.repeat_length, {}}};
        ASSERT_NE(load(mod), nullptr);
        const SAMPLE_INFO *info = &module->sample_info[0];
        const SAMPLE *s = &module->samples[0];
        EXPECT_EQ(std::make_tuple(info->length, info->loop_type, s->len, s->loop_start, s->loop_end),
                  std::make_tuple(c.info_length, c.loop_type, c.len, c.start, c.end)) << c.length << "/" << c.repeat_offset;
        if (c.loop_type) {
            EXPECT_EQ(std::make_pair(info->loop_start, info->loop_end), std::make_pair(c.info_start, c.info_end));
        }
    }
}

TEST_F(ModImport, FinetuneVolumeAndData)
{
    int cases[][4] = {{8, 40, 7895, 40}, {0x1F, 200, mod_finetune[15], 64}};  // low nibble; volume stops at 64
    for (auto c : cases) {
        ModFile mod;
        mod.samples = {{2, c[0], c[1], 0, 1, {0x00, 0x7F, 0x80, 0xFF}}};
        ASSERT_NE(load(mod), nullptr);
        EXPECT_EQ(module->sample_info[0].tuning, c[2]) << c[0];
        EXPECT_EQ(module->sample_info[0].volume, c[3]) << c[1];
    }
    EXPECT_EQ(std::make_pair(module->samples[0].bits, module->samples[0].freq), std::make_pair(8, 1000));
    EXPECT_EQ(memcmp(module->samples[0].data, "\x80\xFF\x00\x7F", 4), 0);  // signed to unsigned
}

TEST_F(ModImport, CellWordsOrdersAndRestart)
{
    ModFile mod;
    mod.song_length = 2;
    mod.orders = {0, 1, 0, 3};  // pattern 3 only past the song's end
    mod.cells.resize(4, std::vector<uint32_t>(64 * 4));
    mod.cells[0][5] = 0x11AC2C05;  // row 1, channel 1
    mod.cells[0][6] = mod_cell(0, 0, 0x0F, 0x7D);
    mod.cells[0][7] = mod_cell(32, 428, 0, 0);  // past the 31 samples
    mod.cells[3][0] = mod_cell(31, 856, 0, 0);
    mod.restart = 1;  // the song's last order: kept
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(cell_at(module, 0, 1, 1), Cell(18, 8363, 0, 12, 5));
    EXPECT_EQ(cell_at(module, 0, 1, 2), Cell(0, 0, 0, 0x0F, 0x7D));
    EXPECT_EQ(cell_at(module, 0, 1, 3), Cell(0, 8363, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 3, 0, 0), Cell(31, 3579546 / 856, 0, 0, 0));
    EXPECT_EQ(std::make_tuple(module->order_count, module->pattern_count, module->order_table[3], module->restart_order),
              std::make_tuple(2, 4, 3, 1));
    for (int restart : {2, 3, 127}) {  // at or past the song's end it would never come back
        mod.restart = restart;
        ASSERT_NE(load(mod), nullptr);
        EXPECT_EQ(module->restart_order, 0) << restart;
    }
    int orders[] = {3, 7, 2, -5};
    EXPECT_EQ(std::make_tuple(get_mod_no_pat(orders, 4), get_mod_no_pat(orders, 0), get_mod_no_pat(orders + 3, 1)),
              std::make_tuple(8, 1, 1));
}

TEST_F(ModImport, InfoAndMessages)
{
    ScratchFile file(build_mod(ModFile()));
    MODULE_INFO info;
    EXPECT_EQ(load_m(file.path(), 20), nullptr);
    EXPECT_STREQ(jgmod_error, "MOD must be 15 or 31 instruments");
    EXPECT_EQ(get_m_info(file.path(), 16, &info), -1);
    EXPECT_STREQ(jgmod_error, "MOD must have 15 or 31 samples");
    std::string long_name = "/nonexistent/" + std::string(200, 'x') + ".mod";
    EXPECT_EQ(load_m(long_name.c_str(), 31), nullptr);
    EXPECT_EQ(strlen(jgmod_error), (size_t)JGMOD_ERROR_SIZE - 1);  // cut to fit
    EXPECT_EQ(strncmp(jgmod_error, "Unable to open /nonexistent/xxx", 31), 0);
}

// What the file does not hold is silence and empty cells, not decoded missing bytes.
TEST_F(ModImport, ShortFilesLoadSilenceAndEmptyCells)
{
    ModFile mod;
    mod.samples = {{8, 0, 64, 0, 1, {}}};
    mod.truncate_samples = true;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_info[0].length, 16);
    EXPECT_EQ(memcmp(module->samples[0].data, std::string(16, '\x80').data(), 16), 0);

    mod.orders = {0, 1};
    mod.cells.assign(2, std::vector<uint32_t>(64 * 4, mod_cell(1, 428, 0, 0)));
    Bytes bytes = build_mod(mod);
    bytes.resize(1084 + 1024 + 2);  // pattern 1 ends inside its first cell
    ASSERT_NE(load_bytes(bytes, [](const char *path) { return load_m(path, 31); }), nullptr);
    EXPECT_EQ(cell_at(module, 0, 63, 3), Cell(1, 8363, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 1, 0, 0), Cell(0, 0, 0, 0, 0));
}

}  // namespace
