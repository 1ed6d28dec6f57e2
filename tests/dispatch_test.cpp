// load_mod and get_mod_info: detectors and package searches, the order in which
// formats are tried, one open per load, the information of each kind of file,
// the 15-sample switch, the IT refusal and the message of files that fit nothing.
#include <stdio.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/stat.h>
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
        memset(info, 0x55, sizeof *info);
        return get_mod_info(ScratchFile(bytes).path(), info);
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

long open_descriptors()
{
    std::filesystem::directory_iterator descriptors("/proc/self/fd");
    return std::distance(begin(descriptors), end(descriptors));
}

TEST_F(Dispatch, DetectorsAndPackageSearches)
{
    typedef int (*Detector)(const char *);
    const Detector detectors[] = {detect_s3m, detect_xm, detect_unreal_s3m, detect_unreal_xm,
                                  detect_unreal_it};
    const struct {
        const char *what;
        Bytes bytes;
        int expected[5];  // the plain detectors, then the package searches
    } cases[] = {
        {"s3m", build_s3m(S3mFile()), {1, -1, -1, -1, -1}},
        {"xm", build_xm(XmFile()), {-1, 1, -1, -1, -1}},
        {"SCRM at 140", package_with_tag("SCRM", 140), {-1, -1, 96, -1, -1}},  // S3M 44 before
        {"XM at 503", package_with_tag("Extended Module: ", 503), {-1, -1, -1, 503, -1}},
        {"IMPM at 504", package_with_tag("IMPM", 504), {-1, -1, -1, -1, -1}},  // past the window
        {"IMPM cut", package_with_tag("IMPM", 20, 22), {-1, -1, -1, -1, -1}},
    };
    long before = open_descriptors();
    for (auto &c : cases) {
        ScratchFile file(c.bytes);
        for (int index = 0; index < 5; index++)
            EXPECT_EQ(detectors[index](file.path()), c.expected[index]) << c.what << ", " << index;
    }
    EXPECT_EQ(open_descriptors(), before);  // every detector closes its file
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
    for (long at = 0; at < got; opens++)
        at += (long)sizeof(inotify_event) + ((inotify_event *)(events + at))->len;
    return opens;
}

// The S3M in a package, the eighth format the dispatcher tries, reads as the plain file.
TEST_F(Dispatch, APackagedModuleLoadsWithOneOpenAsThePlainFile)
{
    Bytes s3m = build_s3m(generated_s3m());
    int result = 0;
    Bytes plain = save_jgm_bytes(load(s3m), &result);
    ScratchFile file(build_unreal_package(s3m, 100));
    JGMOD *packaged = nullptr;
    EXPECT_EQ(opens_during(file.path(), [&] { packaged = load_mod(file.path()); }), 1);
    ASSERT_NE(packaged, nullptr);
    EXPECT_EQ(save_jgm_bytes(packaged, &result), plain);
    destroy_mod(packaged);
    MODULE_INFO info;
    EXPECT_EQ(opens_during(file.path(), [&] { get_mod_info(file.path(), &info); }), 1);
}

// Names fill their fields and stay terminated.
TEST_F(Dispatch, InfoOfEachKindOfFile)
{
    ModFile mod;
    mod.title = "abcdefghijklmnopqrstuvwxyz";
    const struct {
        Bytes bytes;
        int type;
        std::string type_name, name;
    } cases[] = {
        {build_mod(mod), 2, "MOD (31 Samples)", "abcdefghijklmnopqrst"},
        {build_it("an it"), 5, "IT", "an it"},
        {build_unreal_package(build_s3m(S3mFile()), 100), 7, "Unreal S3M (UMX)", "generated s3m"},
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
    EXPECT_EQ(get_mod_info(ScratchFile(build_it("an it")).path(), nullptr), -1);
}

// The IT's name is printed; files that fit nothing, or none at all, are refused.
TEST_F(Dispatch, RefusalsAndTheirMessages)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(build_it("Twenty-six characters song")), nullptr);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Twenty-six characters song\n");
    EXPECT_STREQ(jgmod_error, "IT support is not completed yet. Wait a few more versions");
    for (const Bytes &bytes : {Bytes(2000, 0x11), Bytes()}) {
        EXPECT_EQ(load(bytes), nullptr);
        EXPECT_STREQ(jgmod_error, refused);
    }
    std::string pipe = testing::TempDir() + "zq_dispatch_pipe";  // with no writer: never ends
    unlink(pipe.c_str());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string &path : {std::string("/nonexistent/file.xm"), pipe}) {
        EXPECT_EQ(load_mod(path.c_str()), nullptr) << path;
        EXPECT_STREQ(jgmod_error, refused) << path;
    }
    unlink(pipe.c_str());
}

TEST_F(Dispatch, FifteenSampleModsNeedTheSwitch)
{
    ModFile mod;
    mod.sample_count = 15;
    mod.cells = {{mod_cell(15, 428, 0, 0), mod_cell(16, 428, 0, 0)}};  // 16: past the 15 samples
    Bytes bytes = build_mod(mod);
    mod.samples.resize(15);
    mod.samples[14].volume = 65;  // every header is looked at
    EXPECT_EQ(detect_m15(ScratchFile(build_mod(mod)).path()), 0);
    MODULE_INFO info;
    for (int value : {0, 1}) {  // only -1 switches it on
        enable_m15 = value;
        EXPECT_EQ(load(bytes), nullptr) << value;
        EXPECT_EQ(info_of(bytes, &info), -1) << value;
    }
    enable_m15 = -1;
    ASSERT_NE(load(bytes), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->sample, 15);
    EXPECT_EQ(get_note(module, 0, 0, 1)->sample, 0);
    EXPECT_EQ(info_of(bytes, &info), 1);
    EXPECT_STREQ(info.type_name, "MOD (15 Samples)");
}

// The first format that accepts a file wins: JGM, then the plain formats, then packages.
TEST_F(Dispatch, DetectionOrderForFilesThatFitTwoFormats)
{
    JgmHeader header;  // a JGM stream whose name holds an S3M tag at 44
    header.name = std::string(26, 'n') + "SC";
    header.unused[0] = 'R';
    header.unused[1] = 'M';
    header.tempo = 5;
    Bytes jgm = JgmStream().header(header).byte(128).data();
    ASSERT_EQ(detect_s3m(ScratchFile(jgm).path()), 1);
    ASSERT_NE(load(jgm), nullptr);
    EXPECT_EQ(module->tempo, 5);

    Bytes mod = build_mod(ModFile());  // a MOD that also reads as a package with an XM
    memcpy(&mod[0], "\xC1\x83\x2A\x9E", 4);
    memcpy(&mod[100], "Extended Module: ", 17);
    ASSERT_EQ(detect_unreal_xm(ScratchFile(mod).path()), 100);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(module->sample_count, 31);
}

}  // namespace
