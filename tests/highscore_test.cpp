// The high-score table: its 480-byte file, the start-up read and exit write,
// the insertion of a result and the keys of the name entry.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <allegro.h>
#include <gtest/gtest.h>

#include "persist/highscore_file.h"
#include "support/persist_files.h"

namespace {

std::vector<unsigned char> Little32(int32_t value)
{
    uint32_t bits = (uint32_t)value;
    return {(unsigned char)bits, (unsigned char)(bits >> 8), (unsigned char)(bits >> 16), (unsigned char)(bits >> 24)};
}

std::vector<unsigned char> EntryBytes(const std::vector<unsigned char> &image, int index)
{
    return std::vector<unsigned char>(image.begin() + 32 * index, image.begin() + 32 * index + 32);
}

std::vector<unsigned char> Encoded(const HIGH_SCORE table[HIGH_SCORE_COUNT])
{
    std::vector<unsigned char> image(HIGH_SCORE_FILE_SIZE);
    EncodeHighScores(table, image.data());
    return image;
}

HIGH_SCORE Entry(int32_t score, const char *name)
{
    HIGH_SCORE entry;
    memset(&entry, 0, sizeof entry);
    entry.score = score;
    SetHighScoreName(&entry, name);
    return entry;
}

// A table sorted best first whose scores are the given ones, named by rank.
void FillScores(HIGH_SCORE table[HIGH_SCORE_COUNT], const int32_t scores[HIGH_SCORE_COUNT])
{
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        char name[8];
        snprintf(name, sizeof name, "old%d", i);
        table[i] = Entry(scores[i], name);
        table[i].level = 100 + i;
        table[i].lines = 200 + i;
        table[i].pieces = 300 + i;
    }
}

std::string NameOf(const HIGH_SCORE &entry)
{
    char name[HIGH_SCORE_NAME_SIZE + 1];
    HighScoreName(&entry, name);
    return name;
}

} // namespace

TEST(HighScoreFile, DefaultEntryIsScoreZeroLevelOneAndTheFullName)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    std::vector<unsigned char> image = Encoded(table);
    std::vector<unsigned char> expected = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (char c : std::string("Zorvane Champion")) {
        expected.push_back((unsigned char)c);
    }
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        EXPECT_EQ(EntryBytes(image, i), expected) << "entry " << i;
    }
}

TEST(HighScoreFile, ExampleEntryIsLittleEndianWithTerminatedName)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    table[3] = Entry(1234, "ABC");
    table[3].level = 2;
    table[3].lines = 25;
    table[3].pieces = 61;
    std::vector<unsigned char> entry = EntryBytes(Encoded(table), 3);
    std::vector<unsigned char> expected = {0xD2, 0x04, 0, 0, 2, 0, 0, 0, 0x19, 0, 0, 0, 0x3D, 0, 0, 0,
                                           0x41, 0x42, 0x43, 0};
    expected.resize(32, 0);
    EXPECT_EQ(entry, expected);
}

TEST(HighScoreFile, BytesAfterTheTerminatorAreWrittenAsZeros)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    memcpy(table[0].name, "Al\0xxxxxxxxxxxxx", 16); // stale letters of an older name
    std::vector<unsigned char> entry = EntryBytes(Encoded(table), 0);
    EXPECT_EQ(entry[16], 'A');
    EXPECT_EQ(entry[17], 'l');
    for (int b = 18; b < 32; b++) {
        EXPECT_EQ(entry[b], 0) << "byte " << b;
    }
}

TEST(HighScoreFile, NegativeAndLargeValuesSurviveTheRoundTrip)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    table[0].score = -1;
    table[1].level = INT32_MIN;
    table[2].pieces = INT32_MAX;
    std::vector<unsigned char> image = Encoded(table);
    EXPECT_EQ(std::vector<unsigned char>(image.begin(), image.begin() + 4), Little32(-1));
    HIGH_SCORE back[HIGH_SCORE_COUNT];
    DecodeHighScores(image.data(), image.size(), back);
    EXPECT_EQ(memcmp(back, table, sizeof table), 0);
}

TEST(HighScoreFile, ShortImageLeavesTheRestZero)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    std::vector<unsigned char> image = Encoded(table);
    // One whole entry and the score of the second.
    HIGH_SCORE back[HIGH_SCORE_COUNT];
    ResetHighScores(back);
    image[32] = 7;
    DecodeHighScores(image.data(), 36, back);
    EXPECT_EQ(back[0].level, 1);
    EXPECT_EQ(NameOf(back[0]), "Zorvane Champion");
    EXPECT_EQ(back[1].score, 7);
    EXPECT_EQ(back[1].level, 0);
    EXPECT_EQ(NameOf(back[1]), "");
    for (int i = 2; i < HIGH_SCORE_COUNT; i++) {
        EXPECT_EQ(back[i].score, 0);
        EXPECT_EQ(back[i].level, 0);
        EXPECT_EQ(back[i].lines, 0);
        EXPECT_EQ(back[i].pieces, 0);
        EXPECT_EQ(NameOf(back[i]), "") << "entry " << i;
    }
}

TEST(HighScoreFile, NameWithoutTerminatorIsShownAsSixteenBytesOnly)
{
    HIGH_SCORE table[2];
    SetDefaultHighScore(&table[0]);
    table[1] = Entry(99, "NEIGHBOUR");
    EXPECT_EQ(NameOf(table[0]), "Zorvane Champion");
    SetHighScoreName(&table[1], "exactly16bytes!!more");
    EXPECT_EQ(NameOf(table[1]), "exactly16bytes!!");
    EXPECT_EQ(table[1].score, 99);
}

class HighScoreFiles : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.Path("zorvane.hsc");
};

TEST_F(HighScoreFiles, SaveWritesExactlyTheImageAndLeavesNoTemporary)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    table[0] = Entry(500, "ME");
    ASSERT_EQ(SaveHighScoreFile(path.c_str(), table), -1);
    EXPECT_EQ(ReadBytes(path), Encoded(table));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"zorvane.hsc"});

    HIGH_SCORE back[HIGH_SCORE_COUNT];
    memset(back, 0x55, sizeof back);
    ASSERT_EQ(LoadHighScoreFile(path.c_str(), back), -1);
    EXPECT_EQ(back[0].score, 500);
    EXPECT_EQ(NameOf(back[0]), "ME");
    EXPECT_EQ(NameOf(back[14]), "Zorvane Champion");
}

TEST_F(HighScoreFiles, SaveReplacesAnOlderLongerFile)
{
    WriteBytes(path, std::vector<unsigned char>(1000, 0xEE));
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    ASSERT_EQ(SaveHighScoreFile(path.c_str(), table), -1);
    EXPECT_EQ(ReadBytes(path).size(), 480u);
}

TEST_F(HighScoreFiles, LongFileIsReadAsFarAsTheTable)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    std::vector<unsigned char> image = Encoded(table);
    image.resize(600, 0xEE);
    WriteBytes(path, image);
    HIGH_SCORE back[HIGH_SCORE_COUNT];
    ASSERT_EQ(LoadHighScoreFile(path.c_str(), back), -1);
    EXPECT_EQ(memcmp(back, table, sizeof table), 0);
}

TEST_F(HighScoreFiles, MissingFileLeavesTheTableAlone)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    EXPECT_EQ(LoadHighScoreFile(path.c_str(), table), 0);
    EXPECT_EQ(NameOf(table[0]), "Zorvane Champion");
}

TEST_F(HighScoreFiles, FailedSaveKeepsTheOldFileWhole)
{
    std::vector<unsigned char> old(480, 0x11);
    WriteBytes(path, old);
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);

    // A file-size limit below 480 bytes makes the write fail the way a full
    // disk does.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tight = saved;
    tight.rlim_cur = 100;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    int result = SaveHighScoreFile(path.c_str(), table);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"zorvane.hsc"});
}

TEST_F(HighScoreFiles, SaveRefusesADirectoryAndAMissingDirectory)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    EXPECT_EQ(SaveHighScoreFile(path.c_str(), table), 0);
    EXPECT_EQ(SaveHighScoreFile(dir.Path("no/such/dir/zorvane.hsc").c_str(), table), 0);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"zorvane.hsc"});
}

// Start-up read and exit write, which work in the current directory.
class HighScoreStartAndExit : public HighScoreFiles {
protected:
    // The file test goes through the library, which needs no display.
    static void SetUpTestSuite()
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    }
    void SetUp() override
    {
        ASSERT_NE(getcwd(previous_, sizeof previous_), nullptr);
        ASSERT_EQ(chdir(dir.Root().c_str()), 0);
        memset(HighScores, 0, sizeof HighScores);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(previous_), 0);
    }
    char previous_[4096];
};

TEST_F(HighScoreStartAndExit, MissingFileGivesDefaultsAndExitWritesThem)
{
    ReadHighScores();
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        EXPECT_EQ(HighScores[i].level, 1);
        EXPECT_EQ(NameOf(HighScores[i]), "Zorvane Champion");
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{}) << "nothing is written at start-up";
    WriteHighScores();
    HIGH_SCORE defaults[HIGH_SCORE_COUNT];
    ResetHighScores(defaults);
    EXPECT_EQ(ReadBytes(path), Encoded(defaults));
}

TEST_F(HighScoreStartAndExit, ShortFileKeepsZerosAfterItsEnd)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    table[0] = Entry(321, "short");
    std::vector<unsigned char> image = Encoded(table);
    image.resize(32);
    WriteBytes(path, image);
    ReadHighScores();
    EXPECT_EQ(HighScores[0].score, 321);
    EXPECT_EQ(NameOf(HighScores[0]), "short");
    EXPECT_EQ(HighScores[1].level, 0);
    EXPECT_EQ(NameOf(HighScores[1]), "");
}

TEST_F(HighScoreStartAndExit, TableWrittenAtExitIsReadBackAtTheNextStart)
{
    ReadHighScores();
    HighScores[0] = Entry(4321, "WINNER");
    HighScores[0].level = 3;
    WriteHighScores();
    memset(HighScores, 0, sizeof HighScores);
    ReadHighScores();
    EXPECT_EQ(HighScores[0].score, 4321);
    EXPECT_EQ(HighScores[0].level, 3);
    EXPECT_EQ(NameOf(HighScores[0]), "WINNER");
    EXPECT_EQ(NameOf(HighScores[1]), "Zorvane Champion");
}

TEST(HighScoreInsertion, ScoreEqualToTheLastDoesNotQualifyOneMoreDoes)
{
    const int32_t scores[HIGH_SCORE_COUNT] = {900, 800, 700, 600, 500, 400, 300, 200, 150, 140, 130, 120, 110, 105, 100};
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    FillScores(table, scores);
    HIGH_SCORE before[HIGH_SCORE_COUNT];
    memcpy(before, table, sizeof table);
    EXPECT_EQ(InsertHighScore(table, 100, 0, 0, 0), -1);
    EXPECT_EQ(memcmp(before, table, sizeof table), 0);
    EXPECT_EQ(InsertHighScore(table, 101, 0, 0, 0), 14);
    EXPECT_EQ(table[14].score, 101);
    EXPECT_EQ(table[13].score, 105);
}

TEST(HighScoreInsertion, AnyPositiveScoreLeadsTheDefaultTable)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    EXPECT_EQ(InsertHighScore(table, 0, 0, 0, 0), -1);
    EXPECT_EQ(InsertHighScore(table, 1, 0, 0, 0), 0);
    EXPECT_EQ(table[0].score, 1);
    EXPECT_EQ(table[1].score, 0);
}

TEST(HighScoreInsertion, TieGoesBelowTheOlderEqualScores)
{
    const int32_t scores[HIGH_SCORE_COUNT] = {900, 500, 500, 500, 400, 300, 200, 100, 90, 80, 70, 60, 50, 40, 30};
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    FillScores(table, scores);
    EXPECT_EQ(InsertHighScore(table, 500, 0, 0, 0), 4);
    EXPECT_EQ(NameOf(table[1]), "old1");
    EXPECT_EQ(NameOf(table[3]), "old3");
    EXPECT_EQ(NameOf(table[5]), "old4") << "the entry that was at 4 moved down";
    EXPECT_EQ(table[5].level, 104);
}

TEST(HighScoreInsertion, NewBestMovesEveryEntryDownAndDropsTheFifteenth)
{
    const int32_t scores[HIGH_SCORE_COUNT] = {900, 800, 700, 600, 500, 400, 300, 200, 150, 140, 130, 120, 110, 105, 100};
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    FillScores(table, scores);
    EXPECT_EQ(InsertHighScore(table, 1000, 0, 0, 0), 0);
    for (int i = 1; i < HIGH_SCORE_COUNT; i++) {
        EXPECT_EQ(table[i].score, scores[i - 1]);
        EXPECT_EQ(table[i].level, 100 + i - 1);
        EXPECT_EQ(table[i].lines, 200 + i - 1);
        EXPECT_EQ(table[i].pieces, 300 + i - 1);
        EXPECT_EQ(NameOf(table[i]), "old" + std::to_string(i - 1));
    }
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        EXPECT_NE(table[i].score, 100) << "the old 15th entry is gone";
    }
}

TEST(HighScoreInsertion, RecordsStageAndOneMoreLineAndPiece)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    // Ten pieces and two rows from starting level 0.
    int index = InsertHighScore(table, 320, 2, 2, 10);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(table[0].level, 0);
    EXPECT_EQ(table[0].lines, 3);
    EXPECT_EQ(table[0].pieces, 11);
    index = InsertHighScore(table, 5000, 37, 7, 99);
    EXPECT_EQ(table[index].level, 3);
    // Counters at the top of the range from a foreign saved game wrap.
    index = InsertHighScore(table, 9000, 0, INT32_MAX, INT32_MAX);
    EXPECT_EQ(table[index].lines, INT32_MIN);
}

TEST(NameEntry, TakesPrintableCharactersUpToFourteen)
{
    char name[HIGH_SCORE_NAME_MAX + 1] = "";
    for (int c = 0; c < HIGH_SCORE_NAME_MAX; c++) {
        EXPECT_EQ(NameEntryKey(name, 'a' + c, 0, 0), NAME_KEY_ADDED);
    }
    EXPECT_STREQ(name, "abcdefghijklmn");
    EXPECT_EQ(NameEntryKey(name, 'z', 0, 0), NAME_KEY_IGNORED) << "the 15th character";
    EXPECT_STREQ(name, "abcdefghijklmn");
    EXPECT_EQ(NameEntryKey(name, 8, -1, 0), NAME_KEY_ERASED);
    EXPECT_STREQ(name, "abcdefghijklm");
}

TEST(NameEntry, AcceptsSpaceAndTildeButNotControlOrHighCodes)
{
    char name[HIGH_SCORE_NAME_MAX + 1] = "";
    EXPECT_EQ(NameEntryKey(name, ' ', 0, 0), NAME_KEY_ADDED);
    EXPECT_EQ(NameEntryKey(name, '~', 0, 0), NAME_KEY_ADDED);
    EXPECT_EQ(NameEntryKey(name, 31, 0, 0), NAME_KEY_IGNORED);
    EXPECT_EQ(NameEntryKey(name, 127, 0, 0), NAME_KEY_IGNORED);
    EXPECT_EQ(NameEntryKey(name, 0, 0, 0), NAME_KEY_IGNORED) << "arrows and function keys";
    EXPECT_EQ(NameEntryKey(name, 27, 0, 0), NAME_KEY_IGNORED) << "Escape";
    EXPECT_STREQ(name, " ~");
}

TEST(NameEntry, BackspaceOnAnEmptyNameDoesNothing)
{
    char name[HIGH_SCORE_NAME_MAX + 1] = "";
    EXPECT_EQ(NameEntryKey(name, 8, -1, 0), NAME_KEY_IGNORED);
    EXPECT_STREQ(name, "");
}

TEST(NameEntry, EnterEndsEvenAnEmptyName)
{
    char name[HIGH_SCORE_NAME_MAX + 1] = "";
    EXPECT_EQ(NameEntryKey(name, 13, 0, -1), NAME_KEY_DONE);
    EXPECT_STREQ(name, "");
}

TEST(NameEntry, EnterCodeWithoutTheKeyHeldIsIgnored)
{
    char name[HIGH_SCORE_NAME_MAX + 1] = "x";
    EXPECT_EQ(NameEntryKey(name, 13, 0, 0), NAME_KEY_IGNORED);
    EXPECT_EQ(NameEntryKey(name, 8, 0, 0), NAME_KEY_IGNORED);
    EXPECT_STREQ(name, "x");
}
