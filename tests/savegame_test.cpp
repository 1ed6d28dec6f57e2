// Saved games: the 958-byte file, loading it back over the record, foreign
// files, the records that are refused, and the name kept for the next save;
// and the replacement through a temporary file that every save goes through.
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "persist/atomic_file.h"
#include "persist/savegame_file.h"
#include "support/persist_files.h"

namespace {

// A vertical straight in column 6, rows 10..13, rubble at the bottom, and
// counters that differ from each other.
GAME Playable_Game()
{
    GAME game = {{7, 7, 7, 7}, 3, 17, {}, 6, 10, 1, 4, 49, 1234, 7, 37, 42, 3};
    for (int x = 0; x < MAP_W; x++)
        game.map[x * MAP_H + 19] = (x % 9) ? 1 + x % 8 : 0;
    return game;
}

std::vector<unsigned char> Image(const GAME &game, size_t size = SAVED_GAME_SIZE)
{
    std::vector<unsigned char> image(SAVED_GAME_SIZE);
    EncodeSavedGame(&game, image.data());
    image.resize(size, 0xAB);
    return image;
}

bool Same(const GAME &a, const GAME &b) { return memcmp(&a, &b, sizeof a) == 0; }

const std::vector<unsigned char> NEW_BYTES = {'n', 'e', 'w', 0, 1, 2, 3}, OLD_BYTES(300, 0x42);

int Replace(const std::string &path, const std::vector<unsigned char> &bytes = NEW_BYTES)
{
    return ReplaceFileContents(path.c_str(), bytes.data(), bytes.size());
}

class SavedGameFiles : public ::testing::Test {
protected:
    // Loads `bytes` from a file over `game`, which starts as Playable_Game().
    SavedGameLoad Load(const std::vector<unsigned char> &bytes, GAME &game)
    {
        WriteBytes(path, bytes);
        return ReadSavedGame(path.c_str(), &game);
    }
    ScratchDir dir;
    std::string path = dir.Path("game.svg");
};

} // namespace

TEST_F(SavedGameFiles, SaveWrites958BytesEndingInTheSignatureAndLoadTakesTheBytesAFileHas)
{
    GAME saved = Playable_Game(), game;
    saved.delay = -2, saved.score = 0x01020304;
    ASSERT_EQ(WriteSavedGame(path.c_str(), &saved), -1);
    std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 958u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 888, bytes.begin() + 896),
              (std::vector<unsigned char>{0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(bytes[64] * 100 + bytes[68], 317) << "next element, element";
    EXPECT_EQ(bytes[72 + 4 * (1 * MAP_H + 19)], 2) << "map cell (1, 19)";
    EXPECT_EQ(std::string(bytes.begin() + 912, bytes.end()),
              std::string("Zorvane Quibbleon v2.0 (Windows Only Version)") + '\0');
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"game.svg"}) << "no temporary file is left";
    memset(&game, 0x33, sizeof game);
    ASSERT_EQ(ReadSavedGame(path.c_str(), &game), SAVED_GAME_LOADED);
    EXPECT_TRUE(Same(game, saved));
    // Foreign and short files load the bytes they have.
    saved = Playable_Game();
    saved.score = 0;
    for (size_t size : {912, 5000}) { // no signature, another program's
        game = Playable_Game();
        ASSERT_EQ(Load(Image(saved, size), game), SAVED_GAME_LOADED) << size;
        EXPECT_TRUE(Same(game, saved)) << size;
    }
    saved.next_element = 0x10006, saved.element = 18; // a whole next_element would be refused
    game = Playable_Game();
    ASSERT_EQ(Load(Image(saved, 66), game), SAVED_GAME_LOADED); // the block and half of next_element
    EXPECT_EQ(game.next_element * 100 + game.element, 617);
    EXPECT_EQ(game.score, 1234) << "past the end of the file the record keeps its value";
}

TEST(SavedGameRecord, OnlyRecordsThatStayInsideTheWellArePlayable)
{
    GAME game = Playable_Game();
    for (int code : {1, 8, 9, 10, 11, 18, 19, 20, 21, 28, 31, 38, 39, 40, 41, -1, -17, INT32_MIN, INT32_MAX}) {
        game.element = code;
        EXPECT_EQ(GameRecordPlayable(&game), code > 0 && code < 40 && code % 10 >= 1 && code % 10 <= 8 ? -1 : 0) << code;
    }
    const struct { const char *what; void (*change)(GAME &); int expected; } cases[] = {
        {"next 0", [](GAME &g) { g.next_element = 0; }, 0}, {"next 9", [](GAME &g) { g.next_element = 9; }, 0},
        {"next 8", [](GAME &g) { g.next_element = 8; }, -1}, {"map 9", [](GAME &g) { g.map[5 * MAP_H] = 9; }, 0},
        {"last map cell -1", [](GAME &g) { g.map[MAP_W * MAP_H - 1] = -1; }, 0},
        {"block 100", [](GAME &g) { g.block[15] = 100; }, 0},
        {"bottom-right corner", [](GAME &g) { g.x = 9, g.y = 16; }, -1},
        {"below the floor", [](GAME &g) { g.x = 9, g.y = 17; }, 0}, {"above the top", [](GAME &g) { g.y = -1; }, 0},
        {"right", [](GAME &g) { g.x = 10; }, 0}, {"left", [](GAME &g) { g.x = -1; }, 0},
        {"far right", [](GAME &g) { g.x = INT32_MAX; }, 0}, {"far down", [](GAME &g) { g.y = INT32_MAX; }, 0}};
    for (const auto &c : cases) {
        GAME changed = Playable_Game();
        c.change(changed);
        EXPECT_EQ(GameRecordPlayable(&changed), c.expected) << c.what;
    }
}

TEST_F(SavedGameFiles, UnplayableOrUnreadableFilesLeaveTheGameUnchanged)
{
    GAME foreign = Playable_Game(), game = Playable_Game();
    const GAME before = game;
    foreign.map[3 * MAP_H + 4] = 12;
    EXPECT_EQ(Load(Image(foreign), game), SAVED_GAME_UNPLAYABLE);
    EXPECT_TRUE(Same(game, before));
    game.y = 18; // a short file is checked together with what it leaves in place
    EXPECT_EQ(Load(Image(Playable_Game(), 72), game), SAVED_GAME_UNPLAYABLE);
    EXPECT_EQ(game.y, 18);
    game.y = before.y;
    EXPECT_EQ(ReadSavedGame(dir.Path("none.svg").c_str(), &game), SAVED_GAME_UNREADABLE);
    ASSERT_EQ(mkdir(dir.Path("d.svg").c_str(), 0755), 0);
    EXPECT_EQ(ReadSavedGame(dir.Path("d.svg").c_str(), &game), SAVED_GAME_UNREADABLE);
    EXPECT_TRUE(Same(game, before));
}

TEST_F(SavedGameFiles, ReplacingKeepsPermissionsLinksAndOtherFilesAndAFailureTheOldFile)
{
    namespace fs = std::filesystem;
    std::string leftover = "new.bin.tmp" + std::to_string(getpid()) + "-0";
    WriteBytes(dir.Path(leftover), OLD_BYTES);
    ASSERT_EQ(Replace(dir.Path("new.bin")), -1);
    EXPECT_EQ(ReadBytes(dir.Path("new.bin")), NEW_BYTES);
    EXPECT_EQ(ReadBytes(dir.Path(leftover)), OLD_BYTES) << "a leftover temporary name is not reused";
    std::string real = dir.Path("real.bin"), link = dir.Path("link.bin"); // a plain file behind a link
    WriteBytes(real, OLD_BYTES);
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink(real, link);
    ASSERT_EQ(Replace(link), -1);
    EXPECT_TRUE(fs::is_symlink(link)) << "the link is not replaced by a file";
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
    EXPECT_EQ(ReadBytes(real), NEW_BYTES);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link.bin", "new.bin", leftover, "real.bin"})) << "no temporary";
    for (std::string refused : {dir.root, std::string(), std::string("/dev/null"), dir.Path("missing/f.bin")})
        EXPECT_EQ(Replace(refused), 0) << refused;
    GAME game = Playable_Game();
    ASSERT_EQ(WriteSavedGame(path.c_str(), &game), -1);
    game.score = 1;
    // A file-size limit below 958 bytes fails the write the way a full disk does.
    struct rlimit saved, tight;
    getrlimit(RLIMIT_FSIZE, &saved);
    tight = saved;
    tight.rlim_cur = 500;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    int result = WriteSavedGame(path.c_str(), &game);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), Image(Playable_Game()));
    EXPECT_EQ(dir.Entries().size(), 5u) << "no temporary left";
}

TEST(SavedGameName, KeepsOnlyAFileNamePartThatFits)
{
    char name[GAME_NAME_SIZE] = "untitled.svg";
    const struct { const char *path; int kept; const char *name; } cases[] = {
        {"/home/player/games/b.svg", -1, "b.svg"}, {"plain.svg", -1, "plain.svg"},
        {"/tmp/nineteen-char-x.svg", -1, "nineteen-char-x.svg"}, {"/tmp/twenty-characte.svgx", 0, "nineteen-char-x.svg"},
        {"/tmp/dir/", 0, "nineteen-char-x.svg"}};
    for (const auto &c : cases) {
        EXPECT_EQ(RememberGameName(name, sizeof name, c.path), c.kept) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
    }
}
