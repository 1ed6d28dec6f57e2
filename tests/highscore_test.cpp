// The high-score table: its 480-byte file, the start-up read and exit write,
// the insertion of a result and the keys of the name entry.
#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <allegro.h>
#include <gtest/gtest.h>

#include "persist/highscore_file.h"
#include "support/persist_files.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Encoded(const HIGH_SCORE table[HIGH_SCORE_COUNT], int from = 0, int to = HIGH_SCORE_FILE_SIZE)
{
    Bytes image(HIGH_SCORE_FILE_SIZE);
    EncodeHighScores(table, image.data());
    return Bytes(image.begin() + from, image.begin() + to);
}

HIGH_SCORE Entry(int32_t score, const std::string &name, int level = 0, int lines = 0, int pieces = 0)
{
    HIGH_SCORE entry = {score, level, lines, pieces, {}};
    SetHighScoreName(&entry, name.c_str());
    return entry;
}

std::string NameOf(const HIGH_SCORE &entry)
{
    char name[HIGH_SCORE_NAME_SIZE + 1];
    return HighScoreName(&entry, name), name;
}

} // namespace

TEST(HighScoreFile, DefaultAndExampleEntriesByteForByte)
{
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    Bytes entry = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (char c : std::string("Zorvane Champion")) // 16 bytes, no terminator
        entry.push_back((unsigned char)c);
    for (int i = 0; i < HIGH_SCORE_COUNT; i++)
        EXPECT_EQ(Encoded(table, 32 * i, 32 * i + 32), entry) << "entry " << i;
    EXPECT_EQ(NameOf(table[0]), "Zorvane Champion");
    table[3] = Entry(1234, "ABC", 2, 25, 61);
    entry = {0xD2, 0x04, 0, 0, 2, 0, 0, 0, 0x19, 0, 0, 0, 0x3D, 0, 0, 0, 'A', 'B', 'C', 0};
    entry.resize(32, 0);
    EXPECT_EQ(Encoded(table, 96, 128), entry);
    table[1].score = -1;
    EXPECT_EQ(Encoded(table, 32, 36), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    memcpy(table[0].name, "Al\0xxxxxxxxxxxxx", 16); // stale letters after the terminator are written as zeros
    EXPECT_EQ(Encoded(table, 16, 32), (Bytes{'A', 'l', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    table[4] = Entry(99, "exactly16bytes!!more");
    EXPECT_EQ(NameOf(table[4]), "exactly16bytes!!") << "stored and shown without overflow";
    EXPECT_EQ(table[5].score, 0) << "the next entry is untouched";
}

// Start-up read and exit write, which work in the current directory.
class HighScoreFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0); }
    void SetUp() override { ASSERT_TRUE(getcwd(previous_, sizeof previous_) && chdir(dir.root.c_str()) == 0); }
    void TearDown() override { ASSERT_EQ(chdir(previous_), 0); }
    ScratchDir dir;
    std::string path = dir.Path("zorvane.hsc");
    char previous_[4096];
};

TEST_F(HighScoreFiles, StartUpReadAndExitWrite)
{
    HIGH_SCORE defaults[HIGH_SCORE_COUNT];
    ResetHighScores(defaults);
    memset(HighScores, 0, sizeof HighScores);
    ReadHighScores();
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{}) << "nothing is written at start-up";
    EXPECT_EQ(memcmp(HighScores, defaults, sizeof defaults), 0);
    WriteHighScores();
    EXPECT_EQ(ReadBytes(path), Encoded(defaults));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"zorvane.hsc"}) << "no temporary left";
    // A short file keeps zeros after its end; a long one is read as far as the table.
    HIGH_SCORE table[HIGH_SCORE_COUNT];
    ResetHighScores(table);
    table[0] = Entry(321, "short"), table[1].level = INT32_MIN, table[2].pieces = -7;
    WriteBytes(path, Encoded(table, 0, 36)); // one entry and the next score
    ReadHighScores();
    EXPECT_EQ(NameOf(HighScores[0]) + std::to_string(HighScores[0].score), "short321");
    for (int i = 1; i < HIGH_SCORE_COUNT; i++)
        EXPECT_EQ(HighScores[i].level | HighScores[i].lines | HighScores[i].pieces | HighScores[i].name[0], 0) << i;
    Bytes image = Encoded(table);
    image.resize(600, 0xEE);
    WriteBytes(path, image);
    ReadHighScores();
    EXPECT_EQ(memcmp(HighScores, table, sizeof table), 0) << "negative values too";
    WriteHighScores();
    EXPECT_EQ(ReadBytes(path).size(), 480u) << "the longer file is replaced, not overwritten in place";
}

TEST(HighScoreInsertion, TiesTheFifteenthTheCountersAndTheNameEntryKeys)
{
    const int32_t scores[HIGH_SCORE_COUNT] = {900, 500, 500, 500, 400, 300, 200, 150, 140, 130, 120, 110, 105, 101, 100};
    HIGH_SCORE table[HIGH_SCORE_COUNT], before[HIGH_SCORE_COUNT];
    for (int i = 0; i < HIGH_SCORE_COUNT; i++)
        table[i] = Entry(scores[i], "old" + std::to_string(i), 100 + i, 200 + i, 300 + i);
    memcpy(before, table, sizeof table);
    EXPECT_EQ(InsertHighScore(table, 100, 0, 0, 0), -1) << "equal to the last does not qualify";
    EXPECT_EQ(memcmp(before, table, sizeof table), 0);
    EXPECT_EQ(InsertHighScore(table, 500, 0, 0, 0), 4) << "below the older equal scores";
    EXPECT_EQ(memcmp(before, table, 4 * sizeof *table), 0);
    EXPECT_EQ(memcmp(before + 4, table + 5, 10 * sizeof *table), 0) << "moved down whole; the 15th is gone";
    ResetHighScores(table);
    EXPECT_EQ(InsertHighScore(table, 0, 0, 0, 0), -1);
    EXPECT_EQ(InsertHighScore(table, 320, 2, 2, 10), 0) << "any positive score leads the default table";
    EXPECT_EQ(table[0].level * 10000 + table[0].lines * 100 + table[0].pieces, 311) << "one more line and piece";
    EXPECT_EQ(table[InsertHighScore(table, 5000, 37, 7, 99)].level, 3) << "the stage";
    // Counters at the top of the range from a foreign saved game wrap.
    EXPECT_EQ(table[InsertHighScore(table, 9000, 0, INT32_MAX, INT32_MAX)].lines, INT32_MIN);
    char name[HIGH_SCORE_NAME_MAX + 1] = "";
    // Backspace on empty, Enter on empty, printable ends, control and high
    // codes, function keys, Escape, codes without their key held, Backspace.
    const struct { int ascii, backspace, enter; NameEntryResult result; const char *name; } keys[] = {
        {8, -1, 0, NAME_KEY_IGNORED, ""}, {13, 0, -1, NAME_KEY_DONE, ""}, {' ', 0, 0, NAME_KEY_ADDED, " "},
        {'~', 0, 0, NAME_KEY_ADDED, " ~"}, {31, 0, 0, NAME_KEY_IGNORED, " ~"}, {127, 0, 0, NAME_KEY_IGNORED, " ~"},
        {0, 0, 0, NAME_KEY_IGNORED, " ~"}, {27, 0, 0, NAME_KEY_IGNORED, " ~"}, {13, 0, 0, NAME_KEY_IGNORED, " ~"},
        {8, 0, 0, NAME_KEY_IGNORED, " ~"}, {8, -1, 0, NAME_KEY_ERASED, " "}};
    for (const auto &k : keys) {
        EXPECT_EQ(NameEntryKey(name, k.ascii, k.backspace, k.enter), k.result) << k.ascii;
        EXPECT_STREQ(name, k.name) << k.ascii;
    }
    for (int c = 1; c < HIGH_SCORE_NAME_MAX; c++)
        EXPECT_EQ(NameEntryKey(name, 'a' + c, 0, 0), NAME_KEY_ADDED);
    EXPECT_EQ(NameEntryKey(name, 'z', 0, 0), NAME_KEY_IGNORED) << "the 15th character";
    EXPECT_STREQ(name, " bcdefghijklmn");
}
