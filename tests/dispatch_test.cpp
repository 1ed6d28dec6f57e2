// load_mod and get_mod_info: the fixed detection order, the 15-sample
// switch, IT refusal, package offsets, and files that fit two formats.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/jgm_stream.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

class Dispatch : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
    void TearDown() override
    {
        destroy_mod(module);
        enable_m15 = 0;
    }

    MODULE_INFO info_of(const Bytes &bytes, int *result)
    {
        ScratchFile file(bytes);
        MODULE_INFO info;
        memset(&info, 0x55, sizeof info);  // get_mod_info owns the whole record
        *result = get_mod_info(file.path(), &info);
        return info;
    }

    JGMOD *load(const Bytes &bytes)
    {
        ScratchFile file(bytes);
        destroy_mod(module);
        module = load_mod(file.path());
        return module;
    }

    JGMOD *module = nullptr;
};

ModFile fifteen_sample_mod()
{
    ModFile mod;
    mod.sample_count = 15;
    mod.title = "old mod";
    return mod;
}

// A JGM stream of one empty pattern whose bytes also read as an S3M tag at
// 44 and a MOD signature at 1080.
Bytes jgm_that_is_also_s3m_and_mod()
{
    JgmHeader header;
    header.name = std::string(26, 'n') + "SC";
    header.unused[0] = 'R';
    header.unused[1] = 'M';
    header.orders = 1;
    header.patterns = 1;
    header.channels = 2;
    header.tempo = 5;
    JgmStream stream;
    stream.header(header).repeat(128, 2).byte(0).word(1).byte(0x02);  // pans, order 0, 1 row, 2 empty cells
    for (int plane = 1; plane < 5; plane++)
        stream.byte(0x02);
    Bytes bytes = stream.data();
    bytes.resize(1080, 0);
    bytes.insert(bytes.end(), {'M', '.', 'K', '.'});
    bytes.resize(4000, 0);
    return bytes;
}

TEST_F(Dispatch, FifteenSampleModNeedsTheSwitch)
{
    Bytes bytes = build_mod(fifteen_sample_mod());
    EXPECT_EQ(load(bytes), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
    int result = 0;
    info_of(bytes, &result);
    EXPECT_EQ(result, -1);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");

    enable_m15 = -1;
    ASSERT_NE(load(bytes), nullptr);
    EXPECT_EQ(module->sample_count, 15);
    EXPECT_STREQ(module->name, "old mod");
    MODULE_INFO info = info_of(bytes, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(info.type, 1);
    EXPECT_STREQ(info.type_name, "MOD (15 Samples)");
}

TEST_F(Dispatch, SwitchValuesOtherThanMinusOneDoNotEnableIt)
{
    enable_m15 = 1;
    EXPECT_EQ(load(build_mod(fifteen_sample_mod())), nullptr);
}

TEST_F(Dispatch, EachFormatReachesItsReader)
{
    ModFile mod;
    mod.title = "a mod";
    ASSERT_NE(load(build_mod(mod)), nullptr);
    EXPECT_STREQ(module->name, "a mod");
    EXPECT_EQ(module->sample_count, 31);

    S3mFile s3m;
    s3m.title = "an s3m";
    ASSERT_NE(load(build_s3m(s3m)), nullptr);
    EXPECT_STREQ(module->name, "an s3m");
    EXPECT_EQ(module->flags, 0);

    XmFile xm;
    xm.title = "an xm";
    ASSERT_NE(load(build_xm(xm)), nullptr);
    EXPECT_STREQ(module->name, "an xm");
    EXPECT_EQ(module->flags, 5);
}

TEST_F(Dispatch, InfoOfEachFormat)
{
    struct {
        Bytes bytes;
        int type;
        const char *type_name;
        const char *name;
    } cases[] = {
        {build_mod(ModFile()), 2, "MOD (31 Samples)", "generated mod"},
        {build_s3m(S3mFile()), 3, "S3M", "generated s3m"},
        {build_xm(XmFile()), 4, "XM", "generated xm"},
        {build_it("an it"), 5, "IT", "an it"},
        {build_unreal_package(build_s3m(S3mFile()), 100), 7, "Unreal S3M (UMX)", "generated s3m"},
        {build_unreal_package(build_xm(XmFile()), 100), 8, "Unreal XM (UMX)", "generated xm"},
        {build_unreal_package(build_it("it in umx"), 100), 9, "Unreal IT (UMX)", "it in umx"},
    };
    for (auto &c : cases) {
        int result = 0;
        MODULE_INFO info = info_of(c.bytes, &result);
        EXPECT_EQ(result, 1) << c.type_name;
        EXPECT_EQ(info.type, c.type) << c.type_name;
        EXPECT_STREQ(info.type_name, c.type_name);
        EXPECT_STREQ(info.name, c.name) << c.type_name;
    }
}

TEST_F(Dispatch, ItPlainOrInAPackageIsRefused)
{
    for (const Bytes &bytes : {build_it("plain it"), build_unreal_package(build_it("packaged it"), 123)}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(load(bytes), nullptr);
        fflush(stdout);
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_STREQ(jgmod_error, "IT support is not completed yet. Wait a few more versions");
        EXPECT_TRUE(printed == "plain it\n" || printed == "packaged it\n") << printed;
    }
}

TEST_F(Dispatch, PackagesLoadFromTheirOffsets)
{
    S3mFile s3m;
    s3m.title = "packaged s3m";
    ASSERT_NE(load(build_unreal_package(build_s3m(s3m), 96)), nullptr);
    EXPECT_STREQ(module->name, "packaged s3m");
    XmFile xm;
    xm.title = "packaged xm";
    ASSERT_NE(load(build_unreal_package(build_xm(xm), 60)), nullptr);
    EXPECT_STREQ(module->name, "packaged xm");
}

TEST_F(Dispatch, PackagedS3mTooCloseToTheStartIsNotAccepted)
{
    // The S3M would have to start before the file does.
    Bytes bytes = build_unreal_package(Bytes(), 4);
    bytes.resize(600, 0);
    memcpy(&bytes[40], "SCRM", 4);
    ScratchFile file(bytes);
    ASSERT_EQ(detect_unreal_s3m(file.path()), -4);
    EXPECT_EQ(load(bytes), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
}

TEST_F(Dispatch, JgmComesBeforeEverythingElse)
{
    Bytes bytes = jgm_that_is_also_s3m_and_mod();
    ScratchFile file(bytes);
    ASSERT_EQ(detect_s3m(file.path()), 1);
    ASSERT_EQ(detect_m31(file.path()), 1);
    ASSERT_NE(load(bytes), nullptr);
    EXPECT_EQ(module->channel_count, 2);
    EXPECT_EQ(module->tempo, 5);
    EXPECT_EQ(module->pattern_info[0].row_count, 1);
    int result = 0;
    MODULE_INFO info = info_of(bytes, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(info.type, 6);
    EXPECT_STREQ(info.type_name, "JGM");
}

TEST_F(Dispatch, XmComesBeforeS3mAndS3mBeforeMod)
{
    XmFile xm;
    xm.title = "xm first";
    Bytes both = build_xm(xm);
    memcpy(&both[44], "SCRM", 4);  // inside the tracker name
    ASSERT_NE(load(both), nullptr);
    EXPECT_EQ(module->flags, 5);
    EXPECT_STREQ(module->name, "xm first");

    S3mFile s3m;
    s3m.samples.resize(1);
    s3m.samples[0].data = Bytes(1200, 0);
    s3m.samples[0].length = 1200;
    Bytes s3m_and_mod = build_s3m(s3m);
    memcpy(&s3m_and_mod[1080], "M.K.", 4);
    ScratchFile file(s3m_and_mod);
    ASSERT_EQ(detect_m31(file.path()), 1);
    ASSERT_NE(load(s3m_and_mod), nullptr);
    EXPECT_EQ(module->sample_count, 1);  // S3M, not a 31-sample MOD
}

TEST_F(Dispatch, PlainFormatsComeBeforePackages)
{
    // A 31-sample MOD whose first bytes are the package signature, with an
    // XM tag inside its sample headers.
    ModFile mod;
    Bytes bytes = build_mod(mod);
    const unsigned char signature[4] = {0xC1, 0x83, 0x2A, 0x9E};
    memcpy(&bytes[0], signature, 4);
    memcpy(&bytes[100], "Extended Module: ", 17);
    ScratchFile file(bytes);
    ASSERT_EQ(detect_unreal_xm(file.path()), 100);
    ASSERT_NE(load(bytes), nullptr);
    EXPECT_EQ(module->sample_count, 31);
    EXPECT_EQ(module->flags, 0);
}

TEST_F(Dispatch, UnknownAndMissingFiles)
{
    EXPECT_EQ(load(Bytes(2000, 0x11)), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
    EXPECT_EQ(load(Bytes()), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
    EXPECT_EQ(load_mod("/nonexistent/file.xm"), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
    MODULE_INFO info;
    EXPECT_EQ(get_mod_info("/nonexistent/file.xm", &info), -1);
    EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
    ScratchFile file(build_mod(ModFile()));
    EXPECT_EQ(get_mod_info(file.path(), NULL), -1);
}

TEST_F(Dispatch, InfoNamesAreAlwaysTerminated)
{
    ModFile mod;
    mod.title = std::string(20, 'm');
    int result = 0;
    MODULE_INFO info = info_of(build_mod(mod), &result);
    EXPECT_EQ(strlen(info.name), 20u);
    S3mFile s3m;
    s3m.title = std::string(28, 's');
    info = info_of(build_s3m(s3m), &result);
    EXPECT_EQ(strlen(info.name), 28u);
}

// Real files with a few bytes changed, and cut short, still give modules
// the player can use, or a refusal.
TEST_F(Dispatch, DamagedSharedModulesNeverLeadOutsideTheModule)
{
    std::string folder = std::string(ZQ_SOURCE_DIR) + "/../shared/modules";
    DIR *dir = opendir(folder.c_str());
    if (dir == NULL)
        GTEST_SKIP() << "no shared module folder beside the source tree";
    std::vector<std::string> files;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] != '.' && strcmp(entry->d_name, "README.md") != 0)
            files.push_back(folder + "/" + entry->d_name);
    }
    closedir(dir);
    enable_m15 = -1;
    uint32_t seed = 2024;
    for (const std::string &path : files) {
        Bytes original = read_file_bytes(path.c_str());
        for (int round = 0; round < 24 && !original.empty(); round++) {
            Bytes damaged = original;
            for (int hit = 0; hit < 1 + round % 6; hit++) {
                seed = seed * 1103515245u + 12345u;
                // Most hits land in the headers, where the counts are.
                size_t span = round % 3 == 0 ? damaged.size() : std::min<size_t>(damaged.size(), 1200);
                size_t at = (seed >> 8) % span;
                seed = seed * 1103515245u + 12345u;
                damaged[at] = (unsigned char)(seed >> 16);
            }
            if (round % 4 == 3)
                damaged.resize((seed >> 4) % damaged.size());
            fast_loading = round % 2 ? -1 : 0;
            std::string what = path + " round " + std::to_string(round);
            testing::internal::CaptureStdout();  // IT names
            if (load(damaged) != nullptr)
                expect_module_sane(module, what.c_str());
            testing::internal::GetCapturedStdout();
        }
    }
    fast_loading = -1;
}

}  // namespace
