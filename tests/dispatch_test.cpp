// load_mod and get_mod_info: the fixed detection order, the 15-sample switch,
// IT recognition and refusal, the searches inside Unreal packages and the
// loads from the offsets they find, and files that fit two formats.
#include <dirent.h>
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
        return module = load_mod(file.path());
    }

    // Loads, returning what the loader printed.
    std::string load_printing(const Bytes &bytes)
    {
        testing::internal::CaptureStdout();
        load(bytes);
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    JGMOD *module = nullptr;
};

const char *const refused = "Unsupported MOD type or unable to open file";
const char *const it_refused = "IT support is not completed yet. Wait a few more versions";

// Bytes that put `tag` at `tag_offset` of an Unreal package of `total` bytes.
Bytes package_with_tag(const char *tag, int tag_offset, size_t total = 700)
{
    Bytes bytes = build_unreal_package(Bytes(), 4);
    bytes.resize(std::max(total, tag_offset + strlen(tag)), 0);
    memcpy(bytes.data() + tag_offset, tag, strlen(tag));
    bytes.resize(total);  // a short total cuts the tag off
    return bytes;
}

int open_descriptors()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    while (dir != NULL && readdir(dir) != NULL)
        count++;
    if (dir != NULL)
        closedir(dir);
    return count;
}

TEST_F(Dispatch, ItIsRecognisedAndRefusedWithItsNamePrinted)
{
    ScratchFile it(build_it("song")), other(Bytes{'I', 'M', 'P', 'X', 0, 0});
    EXPECT_EQ(detect_it(it.path()), 1);
    EXPECT_EQ(detect_it(other.path()), -1);
    EXPECT_EQ(detect_it("/nonexistent/file.it"), 0);

    EXPECT_EQ(load_printing(build_it("Twenty-six characters song")), "Twenty-six characters song\n");
    EXPECT_EQ(module, nullptr);
    EXPECT_STREQ(jgmod_error, it_refused);
    EXPECT_EQ(load_printing(build_unreal_package(build_it("packaged it"), 123)), "packaged it\n");
    EXPECT_EQ(module, nullptr);
    EXPECT_STREQ(jgmod_error, it_refused);

    snprintf(jgmod_error, sizeof jgmod_error, "before");
    EXPECT_EQ(load_it("/nonexistent/file.it", 0), nullptr);
    EXPECT_STREQ(jgmod_error, "before");  // a missing file leaves no message
    MODULE_INFO info;
    EXPECT_EQ(get_it_info("/nonexistent/z.it", 0, &info), -1);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/z.it");
}

TEST_F(Dispatch, PackageSearchesFindTheirTags)
{
    struct {
        const char *tag;
        int at;
        size_t total;
        int s3m, xm, it;
    } cases[] = {
        {"SCRM", 140, 700, 96, -1, -1},  // the S3M starts 44 bytes before its tag
        {"Extended Module: ", 60, 700, -1, 60, -1},
        {"IMPM", 4, 700, -1, -1, 4},
        {"IMPM", 503, 700, -1, -1, 503},
        {"Extended Module: ", 503, 700, -1, 503, -1},
        {"SCRM", 44, 700, 0, -1, -1},  // near the start: no usable offset
        {"SCRM", 10, 700, -34, -1, -1},
        {"SCRM", 45, 700, 1, -1, -1},
        {"IMPM", 504, 700, -1, -1, -1},  // from 504 on, nothing is found
        {"SCRM", 504, 700, -1, -1, -1},
        {"Extended Module: ", 510, 700, -1, -1, -1},
        {"IMPM", 20, 22, -1, -1, -1},  // the tag runs off the end
        {"", 4, 4, -1, -1, -1},        // the signature alone
    };
    for (auto c : cases) {
        ScratchFile file(package_with_tag(c.tag, c.at, c.total));
        SCOPED_TRACE(testing::Message() << c.tag << " at " << c.at);
        EXPECT_EQ(detect_unreal_s3m(file.path()), c.s3m);
        EXPECT_EQ(detect_unreal_xm(file.path()), c.xm);
        EXPECT_EQ(detect_unreal_it(file.path()), c.it);
    }
    Bytes unsigned_package = package_with_tag("SCRM", 140);
    unsigned_package[3] = 0x9F;
    memcpy(&unsigned_package[10], "IMPM", 4);
    memcpy(&unsigned_package[60], "Extended Module: ", 17);
    ScratchFile file(unsigned_package);
    for (const char *path : {file.path(), "/nonexistent/file.umx"}) {
        int expected = path == file.path() ? -1 : 0;
        EXPECT_EQ(detect_unreal_it(path), expected) << path;
        EXPECT_EQ(detect_unreal_xm(path), expected) << path;
        EXPECT_EQ(detect_unreal_s3m(path), expected) << path;
    }
}

TEST_F(Dispatch, DetectorsAndSearchesCloseTheirFiles)
{
    ScratchFile package(package_with_tag("SCRM", 140)), it(build_it("x"));
    int before = open_descriptors();
    for (const char *path : {package.path(), it.path()}) {
        detect_it(path);
        detect_unreal_it(path);
        detect_unreal_xm(path);
        detect_unreal_s3m(path);
        detect_xm(path);
        detect_s3m(path);
        detect_m31(path);
        detect_m15(path);
    }
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(Dispatch, InfoOfEachFormat)
{
    ModFile mod;
    mod.title = std::string(20, 'm');  // names fill their fields and stay terminated
    S3mFile s3m;
    s3m.title = std::string(28, 's');
    struct {
        Bytes bytes;
        int type;
        const char *type_name;
        std::string name;
    } cases[] = {
        {build_mod(mod), 2, "MOD (31 Samples)", mod.title},
        {build_s3m(s3m), 3, "S3M", s3m.title},
        {build_xm(XmFile()), 4, "XM", "generated xm"},
        {build_it("an it"), 5, "IT", "an it"},
        {build_unreal_package(build_s3m(s3m), 100), 7, "Unreal S3M (UMX)", s3m.title},
        {build_unreal_package(build_xm(XmFile()), 100), 8, "Unreal XM (UMX)", "generated xm"},
        {build_unreal_package(build_it("it in umx"), 33), 9, "Unreal IT (UMX)", "it in umx"},
    };
    for (auto &c : cases) {
        int result = 0;
        MODULE_INFO info = info_of(c.bytes, &result);
        EXPECT_EQ(result, 1) << c.type_name;
        EXPECT_EQ(info.type, c.type) << c.type_name;
        EXPECT_STREQ(info.type_name, c.type_name);
        EXPECT_STREQ(info.name, c.name.c_str()) << c.type_name;
    }
}

TEST_F(Dispatch, FifteenSampleModNeedsTheSwitch)
{
    ModFile mod;
    mod.sample_count = 15;
    mod.title = "old mod";
    Bytes bytes = build_mod(mod);
    int result = 0;
    for (int value : {0, 1}) {  // only -1 switches it on
        enable_m15 = value;
        EXPECT_EQ(load(bytes), nullptr) << value;
        EXPECT_STREQ(jgmod_error, refused);
        info_of(bytes, &result);
        EXPECT_EQ(result, -1);
        EXPECT_STREQ(jgmod_error, refused);
    }
    enable_m15 = -1;
    ASSERT_NE(load(bytes), nullptr);
    EXPECT_EQ(module->sample_count, 15);
    EXPECT_STREQ(module->name, "old mod");
    MODULE_INFO info = info_of(bytes, &result);
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(info.type_name, "MOD (15 Samples)");
}

TEST_F(Dispatch, ModulesLoadFromPackageOffsets)
{
    S3mFile s3m;
    s3m.title = "s3m in a package";
    s3m.samples.resize(1);
    s3m.samples[0].length = 4;
    s3m.samples[0].data = {1, 2, 3, 4};
    S3mCell cell;
    cell.row = 1;
    cell.note = 0x40;
    cell.instrument = 1;
    s3m.patterns = {{cell}};
    ASSERT_NE(load(build_unreal_package(build_s3m(s3m), 96)), nullptr);
    EXPECT_STREQ(module->name, "s3m in a package");
    EXPECT_EQ(get_note(module, 0, 1, 0)->note, 8363);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x01\x02\x03\x04", 4), 0);

    XmFile xm;
    xm.title = "xm in a package";
    xm.instruments.resize(1);
    xm.instruments[0].samples.resize(1);
    xm.instruments[0].samples[0].length = 2;
    xm.instruments[0].samples[0].data = {0x10, 0x10};
    for (int offset : {60, 200}) {
        ASSERT_NE(load(build_unreal_package(build_xm(xm), offset)), nullptr) << offset;
        EXPECT_STREQ(module->name, "xm in a package");
        EXPECT_EQ(memcmp(module->samples[0].data, "\x90\xA0", 2), 0);
    }

    // An S3M whose tag lies so near the start that it would begin before the file.
    Bytes early = package_with_tag("SCRM", 40, 600);
    EXPECT_EQ(load(early), nullptr);
    EXPECT_STREQ(jgmod_error, refused);
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

TEST_F(Dispatch, DetectionOrderForFilesThatFitTwoFormats)
{
    Bytes jgm = jgm_that_is_also_s3m_and_mod();
    ScratchFile jgm_file(jgm);
    ASSERT_EQ(detect_s3m(jgm_file.path()), 1);
    ASSERT_EQ(detect_m31(jgm_file.path()), 1);
    ASSERT_NE(load(jgm), nullptr);
    EXPECT_EQ(module->channel_count, 2);
    EXPECT_EQ(module->tempo, 5);
    int result = 0;
    MODULE_INFO info = info_of(jgm, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(info.type, 6);
    EXPECT_STREQ(info.type_name, "JGM");

    XmFile xm;
    Bytes xm_and_s3m = build_xm(xm);
    memcpy(&xm_and_s3m[44], "SCRM", 4);  // inside the tracker name
    ASSERT_NE(load(xm_and_s3m), nullptr);
    EXPECT_EQ(module->flags, 5);

    S3mFile s3m;
    s3m.samples.resize(1);
    s3m.samples[0].data = Bytes(1200, 0);
    s3m.samples[0].length = 1200;
    Bytes s3m_and_mod = build_s3m(s3m);
    memcpy(&s3m_and_mod[1080], "M.K.", 4);
    ASSERT_NE(load(s3m_and_mod), nullptr);
    EXPECT_EQ(module->sample_count, 1);  // S3M, not a 31-sample MOD

    // Plain formats come before packages: a MOD that starts with the package
    // signature and holds an XM tag in its sample headers.
    Bytes mod = build_mod(ModFile());
    memcpy(&mod[0], "\xC1\x83\x2A\x9E", 4);
    memcpy(&mod[100], "Extended Module: ", 17);
    ScratchFile mod_file(mod);
    ASSERT_EQ(detect_unreal_xm(mod_file.path()), 100);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_count, 31);
    EXPECT_EQ(module->flags, 0);
}

TEST_F(Dispatch, UnknownAndMissingFiles)
{
    for (const Bytes &bytes : {Bytes(2000, 0x11), Bytes()}) {
        EXPECT_EQ(load(bytes), nullptr);
        EXPECT_STREQ(jgmod_error, refused);
    }
    EXPECT_EQ(load_mod("/nonexistent/file.xm"), nullptr);
    EXPECT_STREQ(jgmod_error, refused);
    MODULE_INFO info;
    EXPECT_EQ(get_mod_info("/nonexistent/file.xm", &info), -1);
    EXPECT_STREQ(jgmod_error, refused);
    ScratchFile file(build_mod(ModFile()));
    EXPECT_EQ(get_mod_info(file.path(), NULL), -1);
}

// Real files cut short or with bytes changed, mostly in the headers where
// the counts are, give modules the player can use, or a refusal.
TEST_F(Dispatch, DamagedSharedModulesLoadSafely)
{
    std::vector<std::string> files = shared_module_files(ZQ_SOURCE_DIR, false);
    if (files.empty())
        GTEST_SKIP() << "no shared module folder beside the source tree";
    enable_m15 = -1;
    testing::internal::CaptureStdout();  // IT names
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        Bytes original = read_file_bytes(path.c_str());
        for (int fast : {-1, 0}) {
            fast_loading = fast;
            expect_damage_safe(original, load_mod, original.size() / 5 + 1, 8, 3, false, 1200);
            expect_damage_safe(original, load_mod, 0, 4, 3, false);
        }
    }
    testing::internal::GetCapturedStdout();
    fast_loading = -1;
}

}  // namespace
