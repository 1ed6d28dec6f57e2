// The MOD importer: signatures and channel counts, sample headers and loops,
// cells, orders and restart, the 15-sample form, and damaged files.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

class ModImport : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
    void TearDown() override { destroy_mod(module); }

    JGMOD *load(const ModFile &mod)
    {
        ScratchFile file(build_mod(mod));
        destroy_mod(module);
        module = load_m(file.path(), mod.sample_count);
        return module;
    }

    JGMOD *module = nullptr;
};

ModFile mod_with_sample(const ModSample &sample)
{
    ModFile mod;
    mod.samples.resize(31);
    mod.samples[0] = sample;
    return mod;
}

TEST(ModSignatures, TableHasSeventyTwoEntriesEndingWith32FW)
{
    EXPECT_EQ(sizeof modtypes, 72u * 6u);
    EXPECT_STREQ(modtypes[0].id, "M.K.");
    EXPECT_STREQ(modtypes[3].id, "1CHN");
    EXPECT_STREQ(modtypes[12].id, "10CH");
    EXPECT_STREQ(modtypes[66].id, "64CH");
    EXPECT_STREQ(modtypes[67].id, "CD81");
    EXPECT_STREQ(modtypes[71].id, "32FW");
    EXPECT_EQ(modtypes[71].channels, 4);
}

TEST_F(ModImport, EverySignatureBeforeTheEndIsRecognisedWithItsChannelCount)
{
    for (int index = 0; index < MODTYPE_COUNT - 1; index++) {
        ModFile mod;
        mod.signature = modtypes[index].id;
        mod.channels = modtypes[index].channels;
        ScratchFile file(build_mod(mod));
        EXPECT_EQ(detect_m31(file.path()), 1) << modtypes[index].id;
        JGMOD *j = load_m(file.path(), 31);
        ASSERT_NE(j, nullptr) << modtypes[index].id;
        EXPECT_EQ(j->channel_count, modtypes[index].channels) << modtypes[index].id;
        destroy_mod(j);
    }
}

TEST_F(ModImport, EightChannelSignatureGivesEightChannels)
{
    ModFile mod;
    mod.signature = "8CHN";
    mod.channels = 8;
    mod.cells = {std::vector<uint32_t>(64 * 8)};
    mod.cells[0][63 * 8 + 7] = mod_cell(3, 428, 0, 0);  // last cell of the pattern
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->channel_count, 8);
    EXPECT_EQ(get_note(module, 0, 63, 7)->sample, 3);
}

TEST_F(ModImport, EndMarkerAndUnknownSignaturesAreNotRecognised)
{
    for (const char *signature : {"32FW", "CD61", "FA06", "M.K", "\0\0\0\0"}) {
        ModFile mod;
        mod.signature = std::string(signature, 4);
        ScratchFile file(build_mod(mod));
        EXPECT_EQ(detect_m31(file.path()), -1) << signature;
    }
    EXPECT_EQ(detect_m31("/nonexistent/file.mod"), -1);
}

TEST_F(ModImport, UnknownSignatureReadBy31SampleLoaderFallsBackToFourChannels)
{
    ModFile mod;
    mod.signature = "CD61";
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->channel_count, 4);
}

TEST_F(ModImport, ModuleDefaults)
{
    ModFile mod;
    mod.title = "twenty characters!!!";
    ASSERT_NE(load(mod), nullptr);
    EXPECT_STREQ(module->name, "twenty characters!!!");
    EXPECT_EQ(module->flags, 0);
    EXPECT_EQ(module->tempo, 6);
    EXPECT_EQ(module->bpm, 125);
    EXPECT_EQ(module->global_volume, 64);
    EXPECT_EQ(module->instrument_count, 0);
    EXPECT_EQ(module->instrument_info, nullptr);
    EXPECT_EQ(module->sample_count, 31);
    int expected_pans[8] = {0, 255, 255, 0, 0, 255, 255, 0};
    for (int channel = 0; channel < 8; channel++)
        EXPECT_EQ(module->channel_pan[channel], expected_pans[channel]) << channel;
    EXPECT_EQ(module->channel_pan[63], 0);
    EXPECT_EQ(module->channel_pan[62], 255);
}

TEST_F(ModImport, SampleOfOneWordIsEmptyAndRepeatOfOneWordIsNoLoop)
{
    ModSample sample;
    sample.length_words = 1;
    sample.repeat_offset_words = 0;
    sample.repeat_length_words = 1;
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].length, 0);
    EXPECT_EQ(module->samples[0].len, 0u);
    EXPECT_EQ(module->sample_info[0].loop_type, 0);
    EXPECT_EQ(module->samples[0].loop_start, 0u);
    EXPECT_EQ(module->samples[0].loop_end, 0u);

    sample.length_words = 50;
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].length, 100);
    EXPECT_EQ(module->sample_info[0].loop_type, 0);
    EXPECT_EQ(module->sample_info[0].loop_end, 0);
    EXPECT_EQ(module->samples[0].loop_start, 0u);
    EXPECT_EQ(module->samples[0].loop_end, 100u);
}

TEST_F(ModImport, RepeatInWordsBecomesLibraryLoopInBytes)
{
    ModSample sample;
    sample.length_words = 300;
    sample.repeat_offset_words = 100;
    sample.repeat_length_words = 200;
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].loop_type, LOOP_FORWARD);
    EXPECT_EQ(module->sample_info[0].loop_start, 200);
    EXPECT_EQ(module->sample_info[0].loop_end, 400);  // the loop's length, for MOD
    EXPECT_EQ(module->samples[0].loop_start, 200u);
    EXPECT_EQ(module->samples[0].loop_end, 600u);
    EXPECT_EQ(module->samples[0].len, 600u);
}

TEST_F(ModImport, RepeatReachingPastTheDataIsCutAtItsEnd)
{
    ModSample sample;
    sample.length_words = 250;
    sample.repeat_offset_words = 100;
    sample.repeat_length_words = 200;
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].loop_type, LOOP_FORWARD);
    EXPECT_EQ(module->samples[0].loop_start, 200u);
    EXPECT_EQ(module->samples[0].loop_end, 500u);

    sample.repeat_offset_words = 250;  // starts where the data ends: nothing left to loop
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].loop_type, 0);
    EXPECT_EQ(module->samples[0].loop_start, 0u);
    EXPECT_EQ(module->samples[0].loop_end, 500u);
}

TEST_F(ModImport, FinetuneVolumeAndData)
{
    ModSample sample;
    sample.length_words = 2;
    sample.finetune = 8;  // -8
    sample.volume = 40;
    sample.data = {0x00, 0x7F, 0x80, 0xFF};
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].tuning, 7895);
    EXPECT_EQ(module->sample_info[0].volume, 40);
    EXPECT_EQ(module->sample_info[0].transpose, 0);
    EXPECT_EQ(module->samples[0].bits, 8);
    EXPECT_EQ(module->samples[0].freq, 1000);
    EXPECT_EQ(module->samples[0].priority, 192);
    EXPECT_EQ(module->samples[0].param, (unsigned long)-1);
    const unsigned char *data = (const unsigned char *)module->samples[0].data;
    EXPECT_EQ(data[0], 0x80);
    EXPECT_EQ(data[1], 0xFF);
    EXPECT_EQ(data[2], 0x00);
    EXPECT_EQ(data[3], 0x7F);
}

TEST_F(ModImport, FinetuneUsesItsLowNibbleAndVolumeStopsAt64)
{
    ModSample sample;
    sample.finetune = 0x1F;
    sample.volume = 200;
    ASSERT_NE(load(mod_with_sample(sample)), nullptr);
    EXPECT_EQ(module->sample_info[0].tuning, mod_finetune[15]);
    EXPECT_EQ(module->sample_info[0].volume, 64);
}

TEST_F(ModImport, CellWordIsSplitIntoSampleNoteCommandAndParameter)
{
    ModFile mod;
    mod.cells = {std::vector<uint32_t>(64 * 4)};
    mod.cells[0][5] = 0x11AC2C05;  // row 1, channel 1
    mod.cells[0][6] = mod_cell(0, 0, 0x0F, 0x7D);
    ASSERT_NE(load(mod), nullptr);
    const NOTE_INFO *cell = get_note(module, 0, 1, 1);
    EXPECT_EQ(cell->sample, 18);
    EXPECT_EQ(cell->note, 8363);
    EXPECT_EQ(cell->command, 12);
    EXPECT_EQ(cell->parameter, 5);
    EXPECT_EQ(cell->volume, 0);
    cell = get_note(module, 0, 1, 2);
    EXPECT_EQ(cell->sample, 0);
    EXPECT_EQ(cell->note, 0);
    EXPECT_EQ(cell->command, 0x0F);
    EXPECT_EQ(cell->parameter, 0x7D);
}

TEST_F(ModImport, SampleNumberBeyondTheFileSamplesIsDropped)
{
    ModFile mod;
    mod.cells = {std::vector<uint32_t>(64 * 4)};
    mod.cells[0][0] = mod_cell(31, 428, 0, 0);
    mod.cells[0][1] = mod_cell(32, 428, 0, 0);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->sample, 31);
    EXPECT_EQ(get_note(module, 0, 0, 1)->sample, 0);
    EXPECT_EQ(get_note(module, 0, 0, 1)->note, 8363);
}

TEST_F(ModImport, OrdersPastTheSongLengthStillCountPatternsWhichAreRead)
{
    ModFile mod;
    mod.song_length = 2;
    mod.orders = {0, 1, 0, 3};  // pattern 3 only past the song's end
    mod.cells.resize(4, std::vector<uint32_t>(64 * 4));
    mod.cells[3][0] = mod_cell(2, 856, 0, 0);
    mod.cells[2][4] = mod_cell(1, 214, 0, 0);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->order_count, 2);
    EXPECT_EQ(module->pattern_count, 4);
    EXPECT_EQ(module->order_table[3], 3);
    EXPECT_EQ(get_note(module, 3, 0, 0)->sample, 2);
    EXPECT_EQ(get_note(module, 3, 0, 0)->note, 3579546 / 856);
    EXPECT_EQ(get_note(module, 2, 1, 0)->note, 3579546 / 214);
    for (int pattern = 0; pattern < 4; pattern++)
        EXPECT_EQ(module->pattern_info[pattern].row_count, 64);
}

TEST_F(ModImport, RestartEqualToTheSongLengthStaysAndLargerBecomesZero)
{
    ModFile mod;
    mod.song_length = 3;
    mod.restart = 3;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->restart_order, 3);
    mod.restart = 4;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->restart_order, 0);
    mod.restart = 127;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->restart_order, 0);
}

TEST_F(ModImport, FifteenSampleFileHasFourChannelsAndNoSignature)
{
    ModFile mod;
    mod.sample_count = 15;
    mod.samples.resize(15);
    mod.samples[14].length_words = 2;
    mod.samples[14].data = {1, 2, 3, 4};
    mod.cells = {std::vector<uint32_t>(64 * 4)};
    mod.cells[0][0] = mod_cell(15, 428, 0, 0);
    mod.cells[0][1] = mod_cell(16, 428, 0, 0);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_count, 15);
    EXPECT_EQ(module->channel_count, 4);
    EXPECT_EQ(get_note(module, 0, 0, 0)->sample, 15);
    EXPECT_EQ(get_note(module, 0, 0, 1)->sample, 0);
    EXPECT_EQ(((const unsigned char *)module->samples[14].data)[3], 0x84);
}

TEST_F(ModImport, FifteenSampleTestLooksAtFinetuneAndVolumeOfEveryHeader)
{
    ModFile mod;
    mod.sample_count = 15;
    mod.samples.resize(15);
    {
        ScratchFile file(build_mod(mod));
        EXPECT_EQ(detect_m15(file.path()), 1);
    }
    for (int index : {0, 7, 14}) {
        ModFile bad = mod;
        bad.samples[index].finetune = 1;
        ScratchFile fine(build_mod(bad));
        EXPECT_EQ(detect_m15(fine.path()), 0) << index;
        bad = mod;
        bad.samples[index].volume = 65;
        ScratchFile loud(build_mod(bad));
        EXPECT_EQ(detect_m15(loud.path()), 0) << index;
    }
    EXPECT_EQ(detect_m15("/nonexistent/file.mod"), 0);
}

TEST_F(ModImport, OnlyFifteenOrThirtyOneSamples)
{
    ModFile mod;
    ScratchFile file(build_mod(mod));
    EXPECT_EQ(load_m(file.path(), 20), nullptr);
    EXPECT_STREQ(jgmod_error, "MOD must be 15 or 31 instruments");
    MODULE_INFO info;
    memset(&info, 0, sizeof info);
    EXPECT_EQ(get_m_info(file.path(), 16, &info), -1);
    EXPECT_STREQ(jgmod_error, "MOD must have 15 or 31 samples");
}

TEST_F(ModImport, InfoGivesTypeAndTwentyNameBytes)
{
    ModFile mod;
    mod.title = "abcdefghijklmnopqrstuvwxyz";
    ScratchFile file(build_mod(mod));
    MODULE_INFO info;
    memset(&info, 0, sizeof info);
    EXPECT_EQ(get_m_info(file.path(), 31, &info), 1);
    EXPECT_EQ(info.type, 2);
    EXPECT_STREQ(info.type_name, "MOD (31 Samples)");
    EXPECT_STREQ(info.name, "abcdefghijklmnopqrst");
    EXPECT_EQ(get_m_info(file.path(), 15, &info), 1);
    EXPECT_EQ(info.type, 1);
    EXPECT_STREQ(info.type_name, "MOD (15 Samples)");
}

TEST_F(ModImport, MissingFileIsReportedWithItsNameCutToFit)
{
    EXPECT_EQ(load_m("/nonexistent/a.mod", 31), nullptr);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/a.mod");
    MODULE_INFO info;
    EXPECT_EQ(get_m_info("/nonexistent/b.mod", 31, &info), -1);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/b.mod");

    std::string long_name = "/nonexistent/" + std::string(200, 'x') + ".mod";
    EXPECT_EQ(load_m(long_name.c_str(), 31), nullptr);
    EXPECT_EQ(strlen(jgmod_error), (size_t)JGMOD_ERROR_SIZE - 1);
    EXPECT_EQ(strncmp(jgmod_error, "Unable to open /nonexistent/xxx", 31), 0);
}

TEST(ModPatternCount, LargestEntryPlusOne)
{
    int orders[] = {3, 7, 2, -5};
    EXPECT_EQ(get_mod_no_pat(orders, 4), 8);
    EXPECT_EQ(get_mod_no_pat(orders, 1), 4);
    EXPECT_EQ(get_mod_no_pat(orders, 0), 1);
    EXPECT_EQ(get_mod_no_pat(orders, -3), 1);
    int negative[] = {-1, -9};
    EXPECT_EQ(get_mod_no_pat(negative, 2), 1);
}

TEST_F(ModImport, FileWithoutSampleDataLoadsWithSilentSamples)
{
    ModSample sample;
    sample.length_words = 8;
    ModFile mod = mod_with_sample(sample);
    mod.truncate_samples = true;
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_info[0].length, 16);
    const unsigned char *data = (const unsigned char *)module->samples[0].data;
    for (int point = 0; point < 16; point++)
        EXPECT_EQ(data[point], 0x80) << point;
}

// Every prefix of a small file loads into a module the player can use.
TEST_F(ModImport, EveryTruncationOfAFileLoadsSafely)
{
    ModFile mod;
    mod.song_length = 2;
    mod.orders = {0, 1};
    mod.cells.resize(2, std::vector<uint32_t>(64 * 4, mod_cell(1, 428, 0xA, 0x0F)));
    mod.samples.resize(31);
    mod.samples[0].length_words = 16;
    mod.samples[0].repeat_offset_words = 4;
    mod.samples[0].repeat_length_words = 12;
    Bytes whole = build_mod(mod);
    for (size_t length = 0; length <= whole.size(); length += (length < 1100 ? 7 : 61)) {
        ScratchFile file(Bytes(whole.begin(), whole.begin() + length));
        JGMOD *j = load_m(file.path(), 31);
        std::string what = "prefix " + std::to_string(length);
        expect_module_sane(j, what.c_str());
        destroy_mod(j);
    }
}

}  // namespace
