// Replacing a file through a temporary one: what is kept of the old file and
// what a failure leaves behind.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "persist/atomic_file.h"
#include "support/persist_files.h"

namespace {

const std::vector<unsigned char> NEW_BYTES = {'n', 'e', 'w', 0, 1, 2, 3};
const std::vector<unsigned char> OLD_BYTES(300, 0x42);

int Replace(const std::string &path, const std::vector<unsigned char> &bytes = NEW_BYTES)
{
    return ReplaceFileContents(path.c_str(), bytes.data(), bytes.size());
}

} // namespace

TEST(ReplaceFile, CreatesOrReplacesKeepingPermissionsLinksAndOtherFiles)
{
    ScratchDir dir;
    ASSERT_EQ(Replace(dir.Path("new.bin")), -1);
    EXPECT_EQ(ReadBytes(dir.Path("new.bin")), NEW_BYTES);

    std::string real = dir.Path("real.bin"), link = dir.Path("link.bin"); // a plain file behind a link
    WriteBytes(real, OLD_BYTES);
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(Replace(link), -1);
    struct stat status;
    ASSERT_EQ(lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode)) << "the link is not replaced by a file";
    ASSERT_EQ(stat(real.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(real), NEW_BYTES);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link.bin", "new.bin", "real.bin"})) << "no temporary left";

    std::string leftover = dir.Path("new.bin.tmp") + std::to_string(getpid()) + "-0";
    WriteBytes(leftover, OLD_BYTES);
    ASSERT_EQ(Replace(dir.Path("new.bin"), OLD_BYTES), -1);
    EXPECT_EQ(ReadBytes(leftover), OLD_BYTES) << "a leftover temporary name is not reused";
    EXPECT_EQ(ReadBytes(dir.Path("new.bin")), OLD_BYTES);
}

TEST(ReplaceFile, FailuresLeaveTheOldFileAndNoTemporary)
{
    ScratchDir dir;
    EXPECT_EQ(Replace(dir.Root()), 0) << "a directory";
    EXPECT_EQ(Replace(""), 0);
    EXPECT_EQ(Replace("/dev/null"), 0);
    EXPECT_EQ(Replace(dir.Path("missing/f.bin")), 0);

    std::string path = dir.Path("old.bin");
    WriteBytes(path, OLD_BYTES);
    EXPECT_EQ(WithFileSizeLimit(1000, [&] { return Replace(path, std::vector<unsigned char>(5000, 0x17)); }), 0);
    EXPECT_EQ(ReadBytes(path), OLD_BYTES);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"old.bin"});
}
