// IT recognition and refusal, and the searches for modules inside Unreal
// package files, with the loads from the offsets they find.
#include <dirent.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_files.h"

namespace {

class ItImport : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
};

int open_descriptors()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    if (dir == NULL)
        return -1;
    while (readdir(dir) != NULL)
        count++;
    closedir(dir);
    return count;
}

// Bytes that put `tag` at `tag_offset` of an Unreal package.
Bytes package_with_tag(const char *tag, int tag_offset, size_t total = 700)
{
    Bytes bytes = build_unreal_package(Bytes(), 4);
    bytes.resize(std::max(total, tag_offset + strlen(tag)), 0);
    memcpy(&bytes[tag_offset], tag, strlen(tag));
    bytes.resize(total);  // a short total cuts the tag off
    return bytes;
}

TEST_F(ItImport, DetectsImpmAtTheStart)
{
    ScratchFile it(build_it("song"));
    EXPECT_EQ(detect_it(it.path()), 1);
    ScratchFile other(Bytes{'I', 'M', 'P', 'X', 0, 0});
    EXPECT_EQ(detect_it(other.path()), -1);
    ScratchFile empty((Bytes()));
    EXPECT_EQ(detect_it(empty.path()), -1);
    EXPECT_EQ(detect_it("/nonexistent/file.it"), 0);
}

TEST_F(ItImport, LoadPrintsTheSongNameAndRefuses)
{
    ScratchFile it(build_it("Twenty-six characters song"));
    testing::internal::CaptureStdout();
    JGMOD *j = load_it(it.path(), 0);
    fflush(stdout);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(j, nullptr);
    EXPECT_EQ(printed, "Twenty-six characters song\n");
    EXPECT_STREQ(jgmod_error, "IT support is not completed yet. Wait a few more versions");
}

TEST_F(ItImport, LoadFromAnOffsetReadsTheNameThere)
{
    ScratchFile package(build_unreal_package(build_it("packed"), 77));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_it(package.path(), 77), nullptr);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "packed\n");
}

TEST_F(ItImport, LoadOfAMissingFileLeavesNoMessage)
{
    snprintf(jgmod_error, sizeof jgmod_error, "before");
    EXPECT_EQ(load_it("/nonexistent/file.it", 0), nullptr);
    EXPECT_STREQ(jgmod_error, "before");
}

TEST_F(ItImport, InfoPlainAndInAPackage)
{
    MODULE_INFO info;
    memset(&info, 0, sizeof info);
    ScratchFile it(build_it("it name"));
    EXPECT_EQ(get_it_info(it.path(), 0, &info), 1);
    EXPECT_EQ(info.type, 5);
    EXPECT_STREQ(info.type_name, "IT");
    EXPECT_STREQ(info.name, "it name");
    memset(&info, 0, sizeof info);
    ScratchFile package(build_unreal_package(build_it("in a package"), 33));
    EXPECT_EQ(get_it_info(package.path(), 33, &info), 1);
    EXPECT_EQ(info.type, 9);
    EXPECT_STREQ(info.type_name, "Unreal IT (UMX)");
    EXPECT_STREQ(info.name, "in a package");
    EXPECT_EQ(get_it_info("/nonexistent/z.it", 0, &info), -1);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/z.it");
}

TEST_F(ItImport, S3mTagAt140MeansTheModuleStartsAt96)
{
    ScratchFile package(package_with_tag("SCRM", 140));
    EXPECT_EQ(detect_unreal_s3m(package.path()), 96);
    EXPECT_EQ(detect_unreal_xm(package.path()), -1);
    EXPECT_EQ(detect_unreal_it(package.path()), -1);
}

TEST_F(ItImport, XmAndItTagsGiveTheirOwnOffsets)
{
    ScratchFile xm(package_with_tag("Extended Module: ", 60));
    EXPECT_EQ(detect_unreal_xm(xm.path()), 60);
    ScratchFile it(package_with_tag("IMPM", 4));
    EXPECT_EQ(detect_unreal_it(it.path()), 4);
    ScratchFile last(package_with_tag("IMPM", 503));
    EXPECT_EQ(detect_unreal_it(last.path()), 503);
    ScratchFile xm_last(package_with_tag("Extended Module: ", 503));
    EXPECT_EQ(detect_unreal_xm(xm_last.path()), 503);
}

TEST_F(ItImport, S3mTagsNearTheStartGiveNoUsableOffset)
{
    ScratchFile at_44(package_with_tag("SCRM", 44));
    EXPECT_EQ(detect_unreal_s3m(at_44.path()), 0);
    ScratchFile at_10(package_with_tag("SCRM", 10));
    EXPECT_EQ(detect_unreal_s3m(at_10.path()), -34);
    ScratchFile at_45(package_with_tag("SCRM", 45));
    EXPECT_EQ(detect_unreal_s3m(at_45.path()), 1);
}

TEST_F(ItImport, TagsFrom504OnAreNotFound)
{
    ScratchFile late(package_with_tag("IMPM", 504));
    EXPECT_EQ(detect_unreal_it(late.path()), -1);
    ScratchFile late_s3m(package_with_tag("SCRM", 504));
    EXPECT_EQ(detect_unreal_s3m(late_s3m.path()), -1);
    // A tag that straddles 503 but starts after it is not seen either.
    ScratchFile straddle(package_with_tag("Extended Module: ", 510));
    EXPECT_EQ(detect_unreal_xm(straddle.path()), -1);
}

TEST_F(ItImport, ShortPackagesFailTheSearch)
{
    ScratchFile cut(package_with_tag("IMPM", 20, 22));  // the tag runs off the end
    EXPECT_EQ(detect_unreal_it(cut.path()), -1);
    ScratchFile signature_only(build_unreal_package(Bytes(), 4));
    EXPECT_EQ(detect_unreal_s3m(signature_only.path()), -1);
}

TEST_F(ItImport, FilesWithoutThePackageSignatureAreNotSearched)
{
    Bytes bytes = package_with_tag("SCRM", 140);
    bytes[3] = 0x9F;
    memcpy(&bytes[10], "IMPM", 4);
    memcpy(&bytes[60], "Extended Module: ", 17);
    ScratchFile file(bytes);
    EXPECT_EQ(detect_unreal_it(file.path()), -1);
    EXPECT_EQ(detect_unreal_xm(file.path()), -1);
    EXPECT_EQ(detect_unreal_s3m(file.path()), -1);
    EXPECT_EQ(detect_unreal_it("/nonexistent/file.umx"), 0);
    EXPECT_EQ(detect_unreal_xm("/nonexistent/file.umx"), 0);
    EXPECT_EQ(detect_unreal_s3m("/nonexistent/file.umx"), 0);
}

TEST_F(ItImport, DetectorsAndSearchesCloseTheirFiles)
{
    ScratchFile package(package_with_tag("SCRM", 140));
    ScratchFile it(build_it("x"));
    int before = open_descriptors();
    for (int round = 0; round < 3; round++) {
        detect_it(it.path());
        detect_it(package.path());
        detect_unreal_it(package.path());
        detect_unreal_xm(package.path());
        detect_unreal_s3m(package.path());
        detect_unreal_s3m(it.path());
        detect_xm(package.path());
        detect_s3m(package.path());
        detect_m31(package.path());
        detect_m15(package.path());
    }
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(ItImport, ModulesLoadFromTheOffsetsThePackageSearchFinds)
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
    ScratchFile s3m_package(build_unreal_package(build_s3m(s3m), 96));
    ASSERT_EQ(detect_unreal_s3m(s3m_package.path()), 96);
    JGMOD *j = load_s3m(s3m_package.path(), 96);
    ASSERT_NE(j, nullptr);
    EXPECT_STREQ(j->name, "s3m in a package");
    EXPECT_EQ(get_note(j, 0, 1, 0)->note, 8363);
    EXPECT_EQ(memcmp(j->samples[0].data, "\x01\x02\x03\x04", 4), 0);
    destroy_mod(j);

    XmFile xm;
    xm.title = "xm in a package";
    XmInstrument instrument;
    XmSample sample;
    sample.length = 2;
    sample.data = {0x10, 0x10};
    instrument.samples = {sample};
    xm.instruments = {instrument};
    ScratchFile xm_package(build_unreal_package(build_xm(xm), 200));
    ASSERT_EQ(detect_unreal_xm(xm_package.path()), 200);
    j = load_xm(xm_package.path(), 200);
    ASSERT_NE(j, nullptr);
    EXPECT_STREQ(j->name, "xm in a package");
    EXPECT_EQ(memcmp(j->samples[0].data, "\x90\xA0", 2), 0);
    destroy_mod(j);
}

}  // namespace
