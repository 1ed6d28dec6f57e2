// Replacing a file through a temporary one: the contents, what is kept of
// the old file, and what a failure leaves behind.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "persist/atomic_file.h"
#include "support/persist_files.h"

namespace {

const std::vector<unsigned char> NEW_BYTES = {'n', 'e', 'w', 0, 1, 2, 3};
const std::vector<unsigned char> OLD_BYTES(300, 0x42);

mode_t ModeOf(const std::string &path)
{
    struct stat status;
    EXPECT_EQ(lstat(path.c_str(), &status), 0);
    return status.st_mode;
}

} // namespace

TEST(ReplaceFile, CreatesAMissingFile)
{
    ScratchDir dir;
    std::string path = dir.Path("new.bin");
    ASSERT_EQ(ReplaceFileContents(path.c_str(), NEW_BYTES.data(), NEW_BYTES.size()), -1);
    EXPECT_EQ(ReadBytes(path), NEW_BYTES);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"new.bin"});
}

TEST(ReplaceFile, KeepsThePermissionsOfTheOldFile)
{
    ScratchDir dir;
    std::string path = dir.Path("old.bin");
    WriteBytes(path, OLD_BYTES);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(ReplaceFileContents(path.c_str(), NEW_BYTES.data(), NEW_BYTES.size()), -1);
    EXPECT_EQ(ReadBytes(path), NEW_BYTES);
    EXPECT_EQ(ModeOf(path) & 07777, 0640u);
}

TEST(ReplaceFile, WritesThroughASymbolicLinkAndKeepsIt)
{
    ScratchDir dir;
    ASSERT_EQ(mkdir(dir.Path("real").c_str(), 0755), 0);
    std::string real = dir.Path("real/scores.bin");
    std::string link = dir.Path("link.bin");
    WriteBytes(real, OLD_BYTES);
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(ReplaceFileContents(link.c_str(), NEW_BYTES.data(), NEW_BYTES.size()), -1);
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_EQ(ReadBytes(real), NEW_BYTES);
}

TEST(ReplaceFile, RefusesWhatIsNotAPlainFile)
{
    ScratchDir dir;
    EXPECT_EQ(ReplaceFileContents(dir.Root().c_str(), NEW_BYTES.data(), NEW_BYTES.size()), 0);
    EXPECT_EQ(ReplaceFileContents("", NEW_BYTES.data(), NEW_BYTES.size()), 0);
    EXPECT_EQ(ReplaceFileContents("/dev/null", NEW_BYTES.data(), NEW_BYTES.size()), 0);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{});
}

TEST(ReplaceFile, AWriteThatRunsOutOfRoomLeavesTheOldFileAndNoTemporary)
{
    ScratchDir dir;
    std::string path = dir.Path("old.bin");
    WriteBytes(path, OLD_BYTES);
    std::vector<unsigned char> large(5000, 0x17);

    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tight = saved;
    tight.rlim_cur = 1000;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    int result = ReplaceFileContents(path.c_str(), large.data(), large.size());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), OLD_BYTES);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"old.bin"});
}

TEST(ReplaceFile, ALeftoverTemporaryNameIsNotReused)
{
    ScratchDir dir;
    std::string path = dir.Path("f.bin");
    std::string leftover = path + ".tmp" + std::to_string(getpid()) + "-0";
    WriteBytes(leftover, OLD_BYTES);
    ASSERT_EQ(ReplaceFileContents(path.c_str(), NEW_BYTES.data(), NEW_BYTES.size()), -1);
    EXPECT_EQ(ReadBytes(leftover), OLD_BYTES);
    EXPECT_EQ(ReadBytes(path), NEW_BYTES);
}
