// load_mod and get_mod_info: detectors and package searches, the order in which
// formats are tried, one open per load, each format's information, the 15-sample
// switch, the IT refusal and the messages of files that fit nothing.
#include <stdio.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/jgm_stream.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

const char *const refused = "Unsupported MOD type or unable to open file";

struct Dispatch : ImportTest {
    void TearDown() override
    {
        ImportTest::TearDown();
        enable_m15 = 0;
    }
    JGMOD *load(const Bytes &bytes) { return load_bytes(bytes, load_mod); }
    // get_mod_info owns the whole record: it is filled with garbage first.
    int info_of(const Bytes &bytes, MODULE_INFO *info)
    {
        ScratchFile file(bytes);
        memset(info, 0x55, sizeof *info);
        return get_mod_info(file.path(), info);
    }
};

// `tag` at `at` of an Unreal package of `total` bytes (a short total cuts it).
Bytes package_with_tag(const char *tag, int at, size_t total = 700)
{
    Bytes bytes = build_unreal_package(Bytes(), 4);
    bytes.resize(std::max(total, at + strlen(tag)), 0);
    memcpy(bytes.data() + at, tag, strlen(tag));
    bytes.resize(total);
    return bytes;
}

TEST_F(Dispatch, DetectorsAndPackageSearches)
{
    Bytes no_package = package_with_tag("SCRM", 140);
    no_package[3] = 0x9F;
    typedef int (*Detector)(const char *);
    const Detector detectors[] = {detect_s3m, detect_xm, detect_it, detect_unreal_s3m, detect_unreal_xm,
                                  detect_unreal_it};
    const struct {
        const char *what;
        Bytes bytes;
        int expected[6];  // the plain detectors, then the package searches
    } cases[] = {
        {"s3m", build_s3m(S3mFile()), {1, -1, -1, -1, -1, -1}},
        {"xm", build_xm(XmFile()), {-1, 1, -1, -1, -1, -1}},
        {"it", build_it("song"), {-1, -1, 1, -1, -1, -1}},
        {"SCRM at 140", package_with_tag("SCRM", 140), {-1, -1, -1, 96, -1, -1}},  // S3M 44 before
        {"XM at 503", package_with_tag("Extended Module: ", 503), {-1, -1, -1, -1, 503, -1}},
        {"IMPM at 4", package_with_tag("IMPM", 4), {-1, -1, -1, -1, -1, 4}},
        {"IMPM at 504", package_with_tag("IMPM", 504), {-1, -1, -1, -1, -1, -1}},  // past the window
        {"IMPM cut", package_with_tag("IMPM", 20, 22), {-1, -1, -1, -1, -1, -1}},
        {"no signature", no_package, {-1, -1, -1, -1, -1, -1}},
    };
    auto open_descriptors = [] {
        std::filesystem::directory_iterator descriptors("/proc/self/fd");
        return std::distance(begin(descriptors), end(descriptors));
    };
    long before = open_descriptors();
    for (auto &c : cases) {
        ScratchFile file(c.bytes);
        for (int index = 0; index < 6; index++)
            EXPECT_EQ(detectors[index](file.path()), c.expected[index]) << c.what << ", detector " << index;
    }
    EXPECT_EQ(open_descriptors(), before);  // every detector closes its file
    for (Detector detector : detectors)
        EXPECT_EQ(detector("/nonexistent/file"), 0);
}

// How often `call` opens the file, as the file system saw it.
int opens_during(const char *path, const std::function<void()> &call)
{
    int watch = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(watch, path, IN_OPEN);
    call();
    alignas(inotify_event) char events[4096];
    long got = read(watch, events, sizeof events);
    close(watch);
    int opens = 0;
    for (long at = 0; at < got; at += (long)sizeof(inotify_event) + ((inotify_event *)&events[at])->len)
        opens++;
    return opens;
}

TEST_F(Dispatch, ALoadOpensItsFileOnce)
{
    // The S3M in a package is the eighth format the dispatcher tries.
    ScratchFile file(build_unreal_package(build_s3m(generated_s3m()), 100));
    EXPECT_EQ(opens_during(file.path(), [&] { module = load_mod(file.path()); }), 1);
    EXPECT_NE(module, nullptr);
    MODULE_INFO info;
    EXPECT_EQ(opens_during(file.path(), [&] { get_mod_info(file.path(), &info); }), 1);
}

// Names fill their fields and stay terminated.
TEST_F(Dispatch, InfoOfEachFormat)
{
    ModFile mod;
    mod.title = "abcdefghijklmnopqrstuvwxyz";
    S3mFile s3m;
    s3m.title = std::string(28, 's');
    const struct {
        Bytes bytes;
        int type;
        std::string type_name, name;
    } cases[] = {
        {build_mod(mod), 2, "MOD (31 Samples)", "abcdefghijklmnopqrst"},
        {build_s3m(s3m), 3, "S3M", s3m.title},
        {build_xm(XmFile()), 4, "XM", "generated xm"},
        {build_it("an it"), 5, "IT", "an it"},
        {build_unreal_package(build_s3m(s3m), 100), 7, "Unreal S3M (UMX)", s3m.title},
        {build_unreal_package(build_xm(XmFile()), 100), 8, "Unreal XM (UMX)", "generated xm"},
        {build_unreal_package(build_it("it in umx"), 33), 9, "Unreal IT (UMX)", "it in umx"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.type_name);
        MODULE_INFO info;
        EXPECT_EQ(info_of(c.bytes, &info), 1);
        EXPECT_EQ(info.type, c.type);
        EXPECT_EQ(info.type_name, c.type_name);
        EXPECT_EQ(info.name, c.name);
    }
}

TEST_F(Dispatch, ItIsRefusedWithItsNamePrinted)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(build_unreal_package(build_it("Twenty-six characters song"), 123)), nullptr);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Twenty-six characters song\n");
    EXPECT_STREQ(jgmod_error, "IT support is not completed yet. Wait a few more versions");
}

// Readers name the file they cannot open; the dispatcher says it found nothing.
TEST_F(Dispatch, MissingUnknownAndEmptyFiles)
{
    MODULE_INFO info;
    EXPECT_EQ(load_xm("/nonexistent/x.mod", 0), nullptr);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/x.mod");
    EXPECT_EQ(get_s3m_info("/nonexistent/y.mod", 0, &info), -1);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/y.mod");
    for (const Bytes &bytes : {Bytes(2000, 0x11), Bytes()}) {
        EXPECT_EQ(load(bytes), nullptr);
        EXPECT_STREQ(jgmod_error, refused);
        EXPECT_EQ(info_of(bytes, &info), -1);
        EXPECT_STREQ(jgmod_error, refused);
    }
    EXPECT_EQ(load_mod("/nonexistent/file.xm"), nullptr);
    EXPECT_STREQ(jgmod_error, refused);
    EXPECT_EQ(get_mod_info(ScratchFile(build_mod(ModFile())).path(), NULL), -1);
}

TEST_F(Dispatch, FifteenSampleModsNeedTheSwitch)
{
    ModFile mod;
    mod.sample_count = 15;
    mod.samples.resize(15);
    for (int index : {0, 14}) {  // every header's finetune and volume are looked at
        ModFile fine = mod, loud = mod;
        fine.samples[index].finetune = 1;
        loud.samples[index].volume = 65;
        EXPECT_EQ(detect_m15(ScratchFile(build_mod(fine)).path()), 0) << index;
        EXPECT_EQ(detect_m15(ScratchFile(build_mod(loud)).path()), 0) << index;
    }
    mod.cells = {{mod_cell(15, 428, 0, 0), mod_cell(16, 428, 0, 0)}};  // 16: past the 15 samples
    Bytes bytes = build_mod(mod);
    EXPECT_EQ(detect_m15(ScratchFile(bytes).path()), 1);
    MODULE_INFO info;
    for (int value : {0, 1}) {  // only -1 switches it on
        enable_m15 = value;
        EXPECT_EQ(load(bytes), nullptr) << value;
        EXPECT_EQ(info_of(bytes, &info), -1) << value;
        EXPECT_STREQ(jgmod_error, refused);
    }
    enable_m15 = -1;
    ASSERT_NE(load(bytes), nullptr);
    EXPECT_EQ(module->sample_count, 15);
    EXPECT_EQ(get_note(module, 0, 0, 0)->sample, 15);
    EXPECT_EQ(get_note(module, 0, 0, 1)->sample, 0);
    EXPECT_EQ(info_of(bytes, &info), 1);
    EXPECT_STREQ(info.type_name, "MOD (15 Samples)");
}

// A packaged module reads exactly as the plain file does.
TEST_F(Dispatch, ModulesLoadFromPackageOffsets)
{
    int result = 0;
    const std::pair<Bytes, int> cases[] = {{build_s3m(generated_s3m()), 96}, {build_xm(generated_xm(1)), 60}};
    for (auto &c : cases) {
        ASSERT_NE(load(c.first), nullptr);
        Bytes plain = save_jgm_bytes(module, &result);
        ASSERT_NE(load(build_unreal_package(c.first, c.second)), nullptr) << c.second;
        EXPECT_EQ(save_jgm_bytes(module, &result), plain) << c.second;
    }
    EXPECT_EQ(load(package_with_tag("SCRM", 40, 600)), nullptr);  // the S3M would begin before the file
    EXPECT_STREQ(jgmod_error, refused);
}

// The first format that accepts a file wins: JGM, then the plain formats, then packages.
TEST_F(Dispatch, DetectionOrderForFilesThatFitTwoFormats)
{
    JgmHeader header;  // a JGM stream whose name holds an S3M tag at 44
    header.name = std::string(26, 'n') + "SC";
    std::tie(header.unused[0], header.unused[1], header.tempo) = std::make_tuple('R', 'M', 5);
    Bytes jgm = JgmStream().header(header).byte(128).data();
    ASSERT_EQ(detect_s3m(ScratchFile(jgm).path()), 1);
    ASSERT_NE(load(jgm), nullptr);
    EXPECT_EQ(module->tempo, 5);

    Bytes xm_and_s3m = build_xm(XmFile());
    memcpy(&xm_and_s3m[44], "SCRM", 4);  // inside the tracker name
    ASSERT_NE(load(xm_and_s3m), nullptr);
    EXPECT_EQ(module->flags, XM_MODE | LINEAR_MODE);

    Bytes s3m_and_mod = build_s3m(S3mFile());
    s3m_and_mod.resize(1084);
    memcpy(&s3m_and_mod[1080], "M.K.", 4);
    ASSERT_NE(load(s3m_and_mod), nullptr);
    EXPECT_EQ(module->sample_count, 0);  // S3M, not a 31-sample MOD

    Bytes mod = build_mod(ModFile());  // a MOD that also reads as a package with an XM
    memcpy(&mod[0], "\xC1\x83\x2A\x9E", 4);
    memcpy(&mod[100], "Extended Module: ", 17);
    ASSERT_EQ(detect_unreal_xm(ScratchFile(mod).path()), 100);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_count, 31);
}

}  // namespace
