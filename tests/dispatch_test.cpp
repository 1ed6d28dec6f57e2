// load_mod and get_mod_info: detectors and their order, the 15-sample switch, IT
// refusal, package searches and loads from their offsets, files that fit two formats.
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

struct Dispatch : ImportTest {
    void TearDown() override
    {
        ImportTest::TearDown();
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

    JGMOD *load(const Bytes &bytes) { return load_bytes(bytes, load_mod); }

    std::string load_printing(const Bytes &bytes)
    {
        testing::internal::CaptureStdout();
        load(bytes);
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }
};

const char *const refused = "Unsupported MOD type or unable to open file";

// `tag` at `at` of an Unreal package of `total` bytes (a short total cuts it).
Bytes package_with_tag(const char *tag, int at, size_t total = 700)
{
    Bytes bytes = build_unreal_package(Bytes(), 4);
    bytes.resize(std::max(total, at + strlen(tag)), 0);
    memcpy(bytes.data() + at, tag, strlen(tag));
    bytes.resize(total);
    return bytes;
}

int open_descriptors()
{
    std::filesystem::directory_iterator descriptors("/proc/self/fd");
    return (int)std::distance(begin(descriptors), end(descriptors));
}

TEST_F(Dispatch, DetectorsAndPackageSearches)
{
    Bytes s3m = build_s3m(S3mFile()), xm = build_xm(XmFile()), no_tag = s3m, not_xm = xm, no_package;
    no_tag[44] = 'X';
    not_xm[16] = '.';
    no_package = package_with_tag("SCRM", 140);
    no_package[3] = 0x9F;
    memcpy(&no_package[10], "IMPM", 4);
    memcpy(&no_package[60], "Extended Module: ", 17);
    typedef int (*Detector)(const char *);
    const Detector detectors[] = {detect_s3m, detect_xm, detect_it, detect_unreal_s3m, detect_unreal_xm, detect_unreal_it};
    struct {
        const char *what;
        Bytes bytes;
        int expected[6];  // the plain detectors, then the package searches
    } cases[] = {
        {"s3m", s3m, {1, -1, -1, -1, -1, -1}},
        {"s3m without its tag", no_tag, {-1, -1, -1, -1, -1, -1}},
        {"xm", xm, {-1, 1, -1, -1, -1, -1}},
        {"xm text changed", not_xm, {-1, -1, -1, -1, -1, -1}},
        {"3 bytes", Bytes{'E', 'x', 't'}, {-1, -1, -1, -1, -1, -1}},
        {"it", build_it("song"), {-1, -1, 1, -1, -1, -1}},
        {"IMPX", Bytes{'I', 'M', 'P', 'X', 0, 0}, {-1, -1, -1, -1, -1, -1}},
        {"SCRM at 140", package_with_tag("SCRM", 140), {-1, -1, -1, 96, -1, -1}},  // S3M 44 bytes before
        {"SCRM at 44", package_with_tag("SCRM", 44), {1, -1, -1, 0, -1, -1}},  // also a plain S3M tag
        {"SCRM at 10", package_with_tag("SCRM", 10), {-1, -1, -1, -34, -1, -1}},
        {"XM at 60", package_with_tag("Extended Module: ", 60), {-1, -1, -1, -1, 60, -1}},
        {"XM at 503", package_with_tag("Extended Module: ", 503), {-1, -1, -1, -1, 503, -1}},
        {"IMPM at 4", package_with_tag("IMPM", 4), {-1, -1, -1, -1, -1, 4}},
        {"IMPM at 503", package_with_tag("IMPM", 503), {-1, -1, -1, -1, -1, 503}},
        {"IMPM at 504", package_with_tag("IMPM", 504), {-1, -1, -1, -1, -1, -1}},  // from 504 on: not found
        {"XM at 510", package_with_tag("Extended Module: ", 510), {-1, -1, -1, -1, -1, -1}},
        {"IMPM cut", package_with_tag("IMPM", 20, 22), {-1, -1, -1, -1, -1, -1}},
        {"no signature", no_package, {-1, -1, -1, -1, -1, -1}},
    };
    int before = open_descriptors();
    for (auto &c : cases) {
        ScratchFile file(c.bytes);
        for (int index = 0; index < 6; index++)
            EXPECT_EQ(detectors[index](file.path()), c.expected[index]) << c.what << ", detector " << index;
        detect_m31(file.path());
        detect_m15(file.path());
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
    JGMOD *loaded = nullptr;
    EXPECT_EQ(opens_during(file.path(), [&] { loaded = load_mod(file.path()); }), 1);
    EXPECT_NE(loaded, nullptr);
    destroy_mod(loaded);
    MODULE_INFO info;
    EXPECT_EQ(opens_during(file.path(), [&] { get_mod_info(file.path(), &info); }), 1);
}

TEST_F(Dispatch, InfoOfEachFormat)
{
    ModFile mod;
    mod.title = "abcdefghijklmnopqrstuvwxyz";  // names fill their fields and stay terminated
    S3mFile s3m;
    s3m.title = std::string(28, 's');
    struct {
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
        int result = 0;
        MODULE_INFO info = info_of(c.bytes, &result);
        EXPECT_EQ(std::make_tuple(result, info.type, std::string(info.type_name), std::string(info.name)),
                  std::make_tuple(1, c.type, c.type_name, c.name));
    }
}

TEST_F(Dispatch, ItIsRefusedWithItsNamePrinted)
{
    for (int offset : {0, 123}) {
        Bytes it = build_it("Twenty-six characters song");
        EXPECT_EQ(load_printing(offset ? build_unreal_package(it, offset) : it), "Twenty-six characters song\n");
        EXPECT_EQ(module, nullptr);
        EXPECT_STREQ(jgmod_error, "IT support is not completed yet. Wait a few more versions");
    }
    snprintf(jgmod_error, sizeof jgmod_error, "before");
    EXPECT_EQ(load_it("/nonexistent/file.it", 0), nullptr);
    EXPECT_STREQ(jgmod_error, "before");  // a missing file leaves no message
}

// Every reader names the file it cannot open.
TEST_F(Dispatch, MissingFilesAreNamed)
{
    MODULE_INFO info;
    const std::function<bool(const char *)> readers[] = {
        [](const char *p) { return load_m(p, 31) == nullptr; },
        [&](const char *p) { return get_m_info(p, 31, &info) == -1; },
        [](const char *p) { return load_s3m(p, 0) == nullptr; },
        [&](const char *p) { return get_s3m_info(p, 0, &info) == -1; },
        [](const char *p) { return load_xm(p, 0) == nullptr; },
        [&](const char *p) { return get_xm_info(p, 0, &info) == -1; },
        [&](const char *p) { return get_it_info(p, 0, &info) == -1; },
    };
    for (const auto &reader : readers) {
        EXPECT_TRUE(reader("/nonexistent/x.mod"));
        EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/x.mod");
    }
}

TEST_F(Dispatch, FifteenSampleModsNeedTheSwitch)
{
    ModFile mod;
    mod.sample_count = 15;
    mod.title = "old mod";
    mod.samples.resize(15);
    ScratchFile good(build_mod(mod));
    EXPECT_EQ(std::make_pair(detect_m15(good.path()), detect_m15("/nonexistent/file.mod")), std::make_pair(1, 0));
    for (int index : {0, 7, 14}) {  // every header's finetune and volume are looked at
        ModFile fine = mod, loud = mod;
        fine.samples[index].finetune = 1;
        loud.samples[index].volume = 65;
        ScratchFile fine_file(build_mod(fine)), loud_file(build_mod(loud));
        EXPECT_EQ(detect_m15(fine_file.path()) + detect_m15(loud_file.path()), 0) << index;
    }
    mod.samples[14] = {2, 0, 64, 0, 1, {1, 2, 3, 4}};
    mod.cells = {std::vector<uint32_t>(64 * 4)};
    mod.cells[0][0] = mod_cell(15, 428, 0, 0);
    mod.cells[0][1] = mod_cell(16, 428, 0, 0);  // past the 15 samples
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
    EXPECT_EQ(std::make_tuple(module->sample_count, module->channel_count, std::string(module->name)),
              std::make_tuple(15, 4, std::string("old mod")));
    EXPECT_EQ(std::make_pair(get_note(module, 0, 0, 0)->sample, get_note(module, 0, 0, 1)->sample), std::make_pair(15, 0));
    EXPECT_EQ(((const unsigned char *)module->samples[14].data)[3], 0x84);
    MODULE_INFO info = info_of(bytes, &result);
    EXPECT_EQ(std::make_tuple(result, info.type, std::string(info.type_name)), std::make_tuple(1, 1, std::string("MOD (15 Samples)")));
}

// A packaged module reads exactly as the plain file does.
TEST_F(Dispatch, ModulesLoadFromPackageOffsets)
{
    int result = 0;
    std::pair<Bytes, int> cases[] = {{build_s3m(generated_s3m()), 96}, {build_xm(generated_xm(1)), 60},
                                     {build_xm(generated_xm(0)), 200}};
    for (auto &c : cases) {
        ASSERT_NE(load(c.first), nullptr);
        Bytes plain = save_jgm_bytes(module, &result);
        ASSERT_NE(load(build_unreal_package(c.first, c.second)), nullptr) << c.second;
        EXPECT_EQ(save_jgm_bytes(module, &result), plain) << c.second;
    }
    EXPECT_EQ(load(package_with_tag("SCRM", 40, 600)), nullptr);  // the S3M would begin before the file
    EXPECT_STREQ(jgmod_error, refused);
}

TEST_F(Dispatch, DetectionOrderForFilesThatFitTwoFormats)
{
    // A JGM stream of one empty pattern that also reads as an S3M tag at 44
    // and a MOD signature at 1080.
    JgmHeader header;
    header.name = std::string(26, 'n') + "SC";
    header.unused[0] = 'R';
    header.unused[1] = 'M';
    header.orders = header.patterns = 1;
    header.channels = 2;
    header.tempo = 5;
    JgmStream stream;  // pans, order 0, 1 row, 2 empty cells in each of 5 planes
    stream.header(header).repeat(128, 2).byte(0).word(1).repeat(0x02, 5);
    Bytes jgm = stream.data();
    jgm.resize(1080, 0);
    jgm.insert(jgm.end(), {'M', '.', 'K', '.'});
    jgm.resize(4000, 0);
    ScratchFile jgm_file(jgm);
    ASSERT_EQ(std::make_pair(detect_s3m(jgm_file.path()), detect_m31(jgm_file.path())), std::make_pair(1, 1));
    ASSERT_NE(load(jgm), nullptr);
    EXPECT_EQ(std::make_pair(module->channel_count, module->tempo), std::make_pair(2, 5));
    int result = 0;
    MODULE_INFO info = info_of(jgm, &result);
    EXPECT_EQ(std::make_tuple(result, info.type, std::string(info.type_name)), std::make_tuple(1, 6, std::string("JGM")));

    Bytes xm_and_s3m = build_xm(XmFile());
    memcpy(&xm_and_s3m[44], "SCRM", 4);  // inside the tracker name
    ASSERT_NE(load(xm_and_s3m), nullptr);
    EXPECT_EQ(module->flags, 5);

    Bytes s3m_and_mod = build_s3m(S3mFile());
    s3m_and_mod.resize(1084);
    memcpy(&s3m_and_mod[1080], "M.K.", 4);
    ASSERT_NE(load(s3m_and_mod), nullptr);
    EXPECT_EQ(module->sample_count, 0);  // S3M, not a 31-sample MOD

    // Plain formats before packages: a MOD that starts with the package
    // signature and holds an XM tag in its sample headers.
    Bytes mod = build_mod(ModFile());
    memcpy(&mod[0], "\xC1\x83\x2A\x9E", 4);
    memcpy(&mod[100], "Extended Module: ", 17);
    ScratchFile mod_file(mod);
    ASSERT_EQ(detect_unreal_xm(mod_file.path()), 100);
    ASSERT_NE(load(mod), nullptr);
    EXPECT_EQ(std::make_pair(module->sample_count, module->flags), std::make_pair(31, 0));
}

TEST_F(Dispatch, UnknownAndMissingFiles)
{
    for (const Bytes &bytes : {Bytes(2000, 0x11), Bytes()}) {  // unknown, empty, then missing
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

}  // namespace
