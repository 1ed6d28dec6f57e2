// Saved games: the 958-byte file, loading it back over the record, foreign
// files, the records that are refused, and the name kept for the next save.
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "persist/savegame_file.h"
#include "support/persist_files.h"

namespace {

// A game in mid-play: a vertical straight element in column 6, rows 10..13,
// some rubble at the bottom, and counters that differ from each other.
GAME PlayableGame()
{
    GAME game;
    memset(&game, 0, sizeof game);
    for (int j = 0; j < 4; j++) {
        game.block[0 * 4 + j] = 7;
    }
    game.next_element = 3;
    game.element = 17;
    for (int x = 0; x < MAP_W; x++) {
        game.map[x * MAP_H + 19] = (x % 9) ? 1 + x % 8 : 0;
    }
    game.x = 6;
    game.y = 10;
    game.width = 1;
    game.height = 4;
    game.delay = 49;
    game.score = 1234;
    game.lines = 7;
    game.stage_lines = 37;
    game.pieces = 42;
    game.stage = 3;
    return game;
}

std::vector<unsigned char> Image(const GAME &game)
{
    std::vector<unsigned char> image(SAVED_GAME_SIZE);
    EncodeSavedGame(&game, image.data());
    return image;
}

bool SameRecord(const GAME &a, const GAME &b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(SavedGameImage, IsTheRecordLittleEndianThenTheSignature)
{
    GAME game = PlayableGame();
    game.score = 0x01020304;
    game.delay = -2;
    std::vector<unsigned char> image = Image(game);
    ASSERT_EQ(image.size(), 958u);
    EXPECT_EQ(image[892], 0x04);
    EXPECT_EQ(image[893], 0x03);
    EXPECT_EQ(image[894], 0x02);
    EXPECT_EQ(image[895], 0x01);
    EXPECT_EQ((std::vector<unsigned char>(image.begin() + 888, image.begin() + 892)),
              (std::vector<unsigned char>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(image[68], 17) << "element";
    EXPECT_EQ(image[64], 3) << "next element";
    EXPECT_EQ(image[72 + 4 * (1 * MAP_H + 19)], 2) << "map cell (1, 19)";
    std::string tail(image.begin() + 912, image.end());
    EXPECT_EQ(tail, std::string("Zorvane Quibbleon v2.0 (Windows Only Version)") + '\0');
}

TEST(SavedGameImage, ShortImageReplacesOnlyTheLeadingBytes)
{
    GAME game = PlayableGame();
    GAME other = PlayableGame();
    other.block[0] = 0;
    other.next_element = 5;
    other.score = 999;
    std::vector<unsigned char> image = Image(other);
    // 66 bytes: the block, next_element and half of element's bytes.
    DecodeSavedGame(image.data(), 66, &game);
    EXPECT_EQ(game.block[0], 0);
    EXPECT_EQ(game.next_element, 5);
    EXPECT_EQ(game.element, 17);
    EXPECT_EQ(game.score, 1234) << "past the end of the file the record keeps its value";
}

TEST(SavedGameRecord, PlayableGamesPass)
{
    GAME game = PlayableGame();
    EXPECT_EQ(GameRecordPlayable(&game), -1);
    // Every known code passes, cells or not.
    for (int rotation = 0; rotation < 4; rotation++) {
        for (int element = 1; element <= 8; element++) {
            game.element = element + 10 * rotation;
            EXPECT_EQ(GameRecordPlayable(&game), -1) << game.element;
        }
    }
}

TEST(SavedGameRecord, UnknownElementCodesAreRefused)
{
    GAME game = PlayableGame();
    for (int32_t code : {0, 9, 10, 19, 20, 29, 30, 39, 40, 41, -1, -17, INT32_MIN, INT32_MAX}) {
        game.element = code;
        EXPECT_EQ(GameRecordPlayable(&game), 0) << code;
    }
}

TEST(SavedGameRecord, NextElementOutside1To8IsRefused)
{
    GAME game = PlayableGame();
    for (int32_t next : {0, 9, 11, -1}) {
        game.next_element = next;
        EXPECT_EQ(GameRecordPlayable(&game), 0) << next;
    }
    game.next_element = 8;
    EXPECT_EQ(GameRecordPlayable(&game), -1);
}

TEST(SavedGameRecord, CellValuesOutside0To8AreRefused)
{
    for (int32_t value : {9, -1, 100}) {
        GAME game = PlayableGame();
        game.map[5 * MAP_H + 0] = value;
        EXPECT_EQ(GameRecordPlayable(&game), 0) << "map " << value;
        game = PlayableGame();
        game.map[9 * MAP_H + 19] = value;
        EXPECT_EQ(GameRecordPlayable(&game), 0) << "last map cell " << value;
        game = PlayableGame();
        game.block[15] = value;
        EXPECT_EQ(GameRecordPlayable(&game), 0) << "block " << value;
    }
}

TEST(SavedGameRecord, FilledBlockCellsMustLieInsideTheWell)
{
    GAME game = PlayableGame(); // vertical: one column, four rows
    game.x = 9;
    game.y = 16;
    EXPECT_EQ(GameRecordPlayable(&game), -1) << "bottom-right corner fits";
    game.y = 17;
    EXPECT_EQ(GameRecordPlayable(&game), 0) << "one row below the floor";
    game.y = -1;
    EXPECT_EQ(GameRecordPlayable(&game), 0) << "above the top";
    game.y = 0;
    game.x = 10;
    EXPECT_EQ(GameRecordPlayable(&game), 0) << "right of the well";
    game.x = -1;
    EXPECT_EQ(GameRecordPlayable(&game), 0) << "left of the well";
    game.x = INT32_MAX;
    EXPECT_EQ(GameRecordPlayable(&game), 0);
    game.x = 0;
    game.y = INT32_MAX;
    EXPECT_EQ(GameRecordPlayable(&game), 0);
}

TEST(SavedGameRecord, EmptyBlockCellsMayLieAnywhere)
{
    GAME game = PlayableGame();
    // Only column 0 of the block is filled; columns 1..3 hang past the wall.
    game.x = 9;
    EXPECT_EQ(GameRecordPlayable(&game), -1);
}

class SavedGameFiles : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.Path("game.svg");
};

TEST_F(SavedGameFiles, SaveWrites958BytesEndingInTheSignatureAndANul)
{
    GAME game = PlayableGame();
    ASSERT_EQ(WriteSavedGame(path.c_str(), &game), -1);
    std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 958u);
    EXPECT_EQ(bytes, Image(game));
    EXPECT_EQ(bytes.back(), 0);
    std::string ending(bytes.end() - 23, bytes.end() - 1);
    EXPECT_EQ(ending, "(Windows Only Version)");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"game.svg"}) << "no temporary file is left";
}

TEST_F(SavedGameFiles, LoadRestoresAll912Bytes)
{
    GAME saved = PlayableGame();
    ASSERT_EQ(WriteSavedGame(path.c_str(), &saved), -1);
    GAME game;
    memset(&game, 0x33, sizeof game);
    ASSERT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_LOADED);
    EXPECT_TRUE(SameRecord(game, saved));
}

TEST_F(SavedGameFiles, ForeignFileOfAtLeast912BytesLoadsItsFirst912)
{
    GAME saved = PlayableGame();
    std::vector<unsigned char> bytes = Image(saved);
    bytes.resize(912);
    std::string signature = "another program, another version";
    bytes.insert(bytes.end(), signature.begin(), signature.end());
    bytes.resize(5000, 0xAB);
    WriteBytes(path, bytes);
    GAME game = PlayableGame();
    game.score = 0;
    ASSERT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_LOADED);
    EXPECT_TRUE(SameRecord(game, saved));

    bytes.resize(912); // no signature at all
    WriteBytes(path, bytes);
    game.score = 0;
    ASSERT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_LOADED);
    EXPECT_TRUE(SameRecord(game, saved));
}

TEST_F(SavedGameFiles, ShortFileReplacesTheLeadingPartOfTheRecord)
{
    GAME other = PlayableGame();
    other.next_element = 6;
    std::vector<unsigned char> bytes = Image(other);
    bytes.resize(68);
    WriteBytes(path, bytes);
    GAME game = PlayableGame();
    game.score = 77;
    ASSERT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_LOADED);
    EXPECT_EQ(game.next_element, 6);
    EXPECT_EQ(game.score, 77);
}

TEST_F(SavedGameFiles, UnplayableRecordIsRefusedAndTheGameKept)
{
    GAME foreign = PlayableGame();
    foreign.map[3 * MAP_H + 4] = 12;
    std::vector<unsigned char> bytes = Image(foreign);
    WriteBytes(path, bytes);
    GAME game = PlayableGame();
    game.score = 5;
    GAME before = game;
    EXPECT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_UNPLAYABLE);
    EXPECT_TRUE(SameRecord(game, before));

    // A short file is checked together with what it leaves in place.
    GAME off_the_floor = PlayableGame();
    off_the_floor.y = 18;
    bytes = Image(PlayableGame());
    bytes.resize(64 + 8); // block, next element, element
    WriteBytes(path, bytes);
    before = off_the_floor;
    EXPECT_EQ(ReadSavedGame(path.c_str(), &off_the_floor), SAVED_GAME_UNPLAYABLE);
    EXPECT_TRUE(SameRecord(off_the_floor, before));
}

TEST_F(SavedGameFiles, MissingFileOrDirectoryIsUnreadable)
{
    GAME game = PlayableGame();
    GAME before = game;
    EXPECT_EQ(ReadSavedGame(dir.Path("none.svg").c_str(), &game), SAVED_GAME_UNREADABLE);
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    EXPECT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_UNREADABLE);
    EXPECT_TRUE(SameRecord(game, before));
}

TEST_F(SavedGameFiles, FailedSaveKeepsTheOldFileWhole)
{
    GAME old_game = PlayableGame();
    ASSERT_EQ(WriteSavedGame(path.c_str(), &old_game), -1);
    std::vector<unsigned char> old_bytes = ReadBytes(path);

    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tight = saved;
    tight.rlim_cur = 500; // below 958: the write runs out of room
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    GAME game = PlayableGame();
    game.score = 1;
    int result = WriteSavedGame(path.c_str(), &game);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), old_bytes);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"game.svg"});
}

TEST_F(SavedGameFiles, SaveIntoAMissingDirectoryFails)
{
    GAME game = PlayableGame();
    EXPECT_EQ(WriteSavedGame(dir.Path("missing/game.svg").c_str(), &game), 0);
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    EXPECT_EQ(WriteSavedGame(path.c_str(), &game), 0) << "a directory is not overwritten";
}

TEST(SavedGameName, KeepsOnlyTheFileNamePart)
{
    char name[GAME_NAME_SIZE] = "untitled.svg";
    EXPECT_EQ(RememberGameName(name, sizeof name, "/home/player/games/b.svg"), -1);
    EXPECT_STREQ(name, "b.svg");
    EXPECT_EQ(RememberGameName(name, sizeof name, "plain.svg"), -1);
    EXPECT_STREQ(name, "plain.svg");
}

TEST(SavedGameName, NameThatDoesNotFitLeavesTheOldOne)
{
    char name[GAME_NAME_SIZE] = "untitled.svg";
    EXPECT_EQ(RememberGameName(name, sizeof name, "/tmp/nineteen-char-x.svg"), -1) << "19 characters fit";
    EXPECT_STREQ(name, "nineteen-char-x.svg");
    EXPECT_EQ(RememberGameName(name, sizeof name, "/tmp/twenty-characte.svgx"), 0);
    EXPECT_STREQ(name, "nineteen-char-x.svg");
    EXPECT_EQ(RememberGameName(name, sizeof name, "/tmp/dir/"), 0) << "no file-name part";
    EXPECT_STREQ(name, "nineteen-char-x.svg");
}
