// What the player keeps and sets: the high-score table's 480-byte file, its
// start-up read, exit write and insertion; saved games of 958 bytes, foreign
// files, refused records and the name kept for the next save; the replacement
// through a temporary file that every write goes through; the options' steps.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "persist/atomic_file.h"
#include "persist/highscore_file.h"
#include "persist/savegame.h"
#include "persist/savegame_file.h"
#include "ui/option_steps.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A fresh directory under /tmp, removed with everything in it at the end.
struct ScratchDir {
    char pattern[32] = "/tmp/zq-persist-XXXXXX";
    const std::string root = mkdtemp(pattern);
    ~ScratchDir() { std::filesystem::remove_all(root); }
    std::string Path(const std::string &name) const { return root + "/" + name; }
    std::vector<std::string> Entries() const // sorted names
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(root))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

Bytes ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string &path, const Bytes &bytes)
{
    std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

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

// A vertical straight in column 6, rows 10..13, rubble at the bottom, and
// counters that differ from each other.
GAME Playable_Game()
{
    GAME game = {{7, 7, 7, 7}, 3, 17, {}, 6, 10, 1, 4, 49, 1234, 7, 37, 42, 3};
    for (int x = 0; x < MAP_W; x++)
        game.map[x * MAP_H + 19] = (x % 9) ? 1 + x % 8 : 0;
    return game;
}

Bytes Image(const GAME &game, size_t size = SAVED_GAME_SIZE)
{
    Bytes image(SAVED_GAME_SIZE);
    EncodeSavedGame(&game, image.data());
    image.resize(size, 0xAB);
    return image;
}

bool Same(const GAME &a, const GAME &b) { return memcmp(&a, &b, sizeof a) == 0; }

const Bytes NEW_BYTES = {'n', 'e', 'w', 0, 1, 2, 3}, OLD_BYTES(300, 0x42);

int Replace(const std::string &path, const Bytes &bytes = NEW_BYTES)
{
    return ReplaceFileContents(path.c_str(), bytes.data(), bytes.size());
}

class SavedGameFiles : public ::testing::Test {
protected:
    // Loads `bytes` from a file over `game`, which starts as Playable_Game().
    SavedGameLoad Load(const Bytes &bytes, GAME &game)
    {
        WriteBytes(path, bytes);
        return ReadSavedGame(path.c_str(), &game);
    }
    ScratchDir dir;
    std::string path = dir.Path("game.svg");
};

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
    EXPECT_EQ(NameOf(HighScores[0]), "short");
    EXPECT_EQ(HighScores[0].score, 321);
    for (int i = 1; i < HIGH_SCORE_COUNT; i++) { // not the defaults, not what was read before
        EXPECT_EQ(HighScores[i].level, 0) << i;
        EXPECT_EQ(HighScores[i].name[0], 0) << i;
    }
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
    EXPECT_EQ(table[0].level, 0) << "the stage of 2 lines";
    EXPECT_EQ(table[0].lines, 3) << "one more line";
    EXPECT_EQ(table[0].pieces, 11) << "one more piece";
    EXPECT_EQ(table[InsertHighScore(table, 5000, 37, 7, 99)].level, 3) << "the stage";
    // Counters at the top of the range from a foreign saved game stay there.
    EXPECT_EQ(table[InsertHighScore(table, 9000, 0, INT32_MAX, INT32_MAX)].pieces, INT32_MAX);
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

TEST_F(SavedGameFiles, SaveWrites958BytesEndingInTheSignatureAndLoadTakesTheBytesAFileHas)
{
    GAME saved = Playable_Game(), game;
    saved.delay = -2, saved.score = 0x01020304;
    ASSERT_EQ(WriteSavedGame(path.c_str(), &saved), -1);
    Bytes bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 958u);
    EXPECT_EQ(Bytes(bytes.begin() + 888, bytes.begin() + 896),
              (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(bytes[64], 3) << "next element";
    EXPECT_EQ(bytes[68], 17) << "element";
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
    EXPECT_EQ(game.next_element, 6);
    EXPECT_EQ(game.element, 17) << "the block and half of next_element only";
    EXPECT_EQ(game.score, 1234) << "past the end of the file the record keeps its value";
}

TEST(SavedGameRecord, OnlyRecordsThatPlayCouldLeaveAreTaken)
{
    GAME game = Playable_Game();
    for (int code : {1, 8, 9, 10, 11, 18, 19, 20, 21, 28, 31, 38, 39, 40, 41, -1, -17, INT32_MIN, INT32_MAX}) {
        game.element = code;
        int known = Element_Block(code, game.block);
        EXPECT_EQ(GameRecordPlayable(&game), known ? -1 : 0) << code;
    }
    const struct { const char *what; void (*change)(GAME &); int expected; } cases[] = {
        {"empty block far away", [](GAME &g) { memset(g.block, 0, sizeof g.block), g.x = INT32_MAX; }, 0},
        {"another element's cells", [](GAME &g) { g.element = 18; }, 0}, {"full row 0", [](GAME &g) {
             for (int x = 0; x < MAP_W; x++)
                 g.map[x * MAP_H] = 1 + x % 8;
         }, 0},
        {"next 0", [](GAME &g) { g.next_element = 0; }, 0}, {"next 9", [](GAME &g) { g.next_element = 9; }, 0},
        {"next 8", [](GAME &g) { g.next_element = 8; }, -1}, {"map 9", [](GAME &g) { g.map[5 * MAP_H] = 9; }, 0},
        {"last map cell -1", [](GAME &g) { g.map[MAP_W * MAP_H - 1] = -1; }, 0},
        {"block 100", [](GAME &g) { g.block[15] = 100; }, 0}, {"a gap in row 0", [](GAME &g) { g.map[MAP_H] = 1; }, -1},
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

TEST(Options, StepsStopAtTheEndsOfTheirRanges)
{
    // Values off the grid of tens show where each volume step stops.
    const struct { int (*step)(int); int from, to; } steps[] = {
        {VolumeUp, 200, 210}, {VolumeUp, 240, 250}, {VolumeUp, 250, 250}, {VolumeUp, 249, 259}, {VolumeUp, 251, 251},
        {VolumeDown, 250, 240}, {VolumeDown, 10, 0}, {VolumeDown, 0, 0}, {VolumeDown, 5, -5}, {VolumeDown, -5, -5},
        {LevelUp, 2, 3}, {LevelUp, 3, 3}, {LevelDown, 1, 0}, {LevelDown, 0, 0},
        {BlocksUp, 9, 10}, {BlocksUp, 10, 10}, {BlocksDown, 1, 0}, {BlocksDown, 0, 0}};
    for (const auto &c : steps)
        EXPECT_EQ(c.step(c.from), c.to) << c.from;
    for (int value : {-1, 0, 1})
        EXPECT_EQ(ToggleSetting(value), value == 0 ? -1 : 0) << value;
    EXPECT_STREQ(SoundSwitchLabel(-1), "Sound On");
    EXPECT_STREQ(SoundSwitchLabel(0), "Sound Off");
    EXPECT_STREQ(MusicSwitchLabel(-1), "Music On");
    EXPECT_STREQ(MusicSwitchLabel(0), "Music Off");
}

// Keys typed into the library's own alert box once it is up, as (character,
// scan code); Escape follows while it stays up, so a deaf box cannot hang.
static int Answer(int (*question)(void), std::vector<std::pair<int, int>> keys)
{
    std::thread typist([keys] {
        using namespace std::chrono;
        auto wait = [](auto time) { std::this_thread::sleep_for(time); };
        for (auto end = steady_clock::now() + seconds(30); !active_dialog && steady_clock::now() < end;)
            wait(milliseconds(2));
        for (auto [character, scancode] : keys)
            simulate_ukeypress(character, scancode), wait(milliseconds(50));
        for (auto end = steady_clock::now() + seconds(30); active_dialog && steady_clock::now() < end;)
            simulate_ukeypress(27, KEY_ESC), wait(milliseconds(200));
    });
    int answer = question();
    typist.join();
    return answer;
}

TEST(SavedGameDialogs, TheOverwriteQuestionAnswersToEnterAndEscapeOnly)
{
    allegro_exit();
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0 || install_keyboard() != 0)
        GTEST_SKIP() << "the alert box needs a display (run under xvfb-run)";
    set_color_depth(8);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0)
        GTEST_SKIP() << allegro_error;
    EXPECT_EQ(Answer(ConfirmOverwrite, {{'c', KEY_C}, {'c', KEY_C}, {27, KEY_ESC}}), 0) << "c answers nothing";
    EXPECT_EQ(Answer(ConfirmOverwrite, {{'\t', KEY_TAB}, {'\r', KEY_ENTER}}), -1) << "Enter is OK wherever the focus";
    allegro_exit();
}
