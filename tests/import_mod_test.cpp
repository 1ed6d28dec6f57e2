// The MOD importer where the peer comparison cannot see: pans, finetune, commands,
// unlisted signatures, loops the data cannot hold, restart, short files, messages.
#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

JGMOD *load_31(const char *path)
{
    return load_m(path, 31);
}

struct ModImport : ImportTest {
    JGMOD *load(const ModFile &mod) { return load_bytes(build_mod(mod), load_31); }
};

TEST_F(ModImport, ValuesTheComparisonCannotSee)
{
    ModFile mod;
    mod.signature = "CD61";  // unlisted: refused by the detector, read as 4 channels when asked
    mod.samples = {{1, 0x1F, 64, 0, 1, {}}, {1, 8, 64, 0, 1, {}}};
    mod.cells = {{mod_cell(0, 0, 0x0F, 0x7D)}};
    EXPECT_EQ(detect_m31(ScratchFile(build_mod(mod)).path()), -1);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->channel_count, 4);
    EXPECT_EQ(std::vector<int>(module->channel_pan, module->channel_pan + 5),
              (std::vector<int>{0, 255, 255, 0, 0}));  // left, right, right, left, ...
    EXPECT_EQ(module->sample_info[0].tuning, mod_finetune[15]);  // the low nibble
    EXPECT_EQ(module->sample_info[1].tuning, 7895);
    EXPECT_EQ(cell_at(module, 0, 0, 0), Cell(0, 0, 0, 0x0F, 0x7D));
}

// A restart at or past the song's end would never come back.
TEST_F(ModImport, RestartInsideTheSong)
{
    ModFile mod;
    std::tie(mod.song_length, mod.orders) = std::make_tuple(2, std::vector<int>{0, 0});
    for (int restart : {1, 2, 127}) {
        mod.restart = restart;
        ASSERT_NE(load(mod), nullptr);
        EXPECT_EQ(module->restart_order, restart == 1 ? 1 : 0) << restart;
    }
}

// What the file does not hold is silence and empty cells, not decoded missing bytes.
TEST_F(ModImport, ShortFilesLoadSilenceAndEmptyCells)
{
    ModFile mod;
    mod.samples = {{8, 0, 64, 0, 1, {}}};
    mod.truncate_samples = true;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(data_of(module, 0), Bytes(16, 0x80));

    mod.orders = {0, 1};
    mod.cells.assign(2, std::vector<uint32_t>(64 * 4, mod_cell(1, 428, 0, 0)));
    Bytes bytes = build_mod(mod);
    bytes.resize(1084 + 1024 + 2);  // pattern 1 ends inside its first cell
    ASSERT_NE(load_bytes(bytes, load_31), nullptr);
    EXPECT_EQ(cell_at(module, 0, 63, 3), Cell(1, 8363, 0, 0, 0));
    EXPECT_EQ(cell_at(module, 1, 0, 0), Cell(0, 0, 0, 0, 0));

    std::string name = "/nonexistent/" + std::string(200, 'x') + ".mod";
    EXPECT_EQ(load_m(name.c_str(), 31), nullptr);
    std::string message = "Unable to open " + name;
    EXPECT_EQ(jgmod_error, message.substr(0, JGMOD_ERROR_SIZE - 1));  // cut to fit
}

}  // namespace
