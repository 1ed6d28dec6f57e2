// The built zorvane.dat as the game reads it: what a player would see or hear
// wrong, not makedat's tables again; and the same bytes from every build.
#include <unistd.h>

#include <algorithm>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "app/datafile.h"
#include "tools/makedat/palette.cpp"
#include "support/module_checks.h"
#include "support/player_fixture.h"

namespace {

const char *const datafile_path = ZQ_BINARY_DIR "/bin/zorvane.dat";
DATAFILE *data = nullptr;   // loaded once for the whole program

class DatafileEnvironment : public ::testing::Environment {
    void SetUp() override
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        set_color_depth(8);
        register_datafile_jgmod();
        data = load_datafile(datafile_path);
        ASSERT_NE(data, nullptr) << "cannot load " << datafile_path;  // skips every test
    }
    void TearDown() override { unload_datafile(data); }
};
::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new DatafileEnvironment);

BITMAP *bitmap(int index) { return (BITMAP *)data[index].dat; }
FONT *font_of(int index) { return (FONT *)data[index].dat; }
const RGB *palette() { return (const RGB *)data[DAT_GAME_PALETTE].dat; }

// The colours used in a rectangle of a bitmap (clipped to it).
std::set<int> colours(BITMAP *bmp, int x1 = 0, int y1 = 0, int x2 = 9999, int y2 = 9999)
{
    std::set<int> used;
    for (int y = y1; y <= std::min(y2, bmp->h - 1); y++)
        for (int x = x1; x <= std::min(x2, bmp->w - 1); x++)
            used.insert(getpixel(bmp, x, y));
    return used;
}

// The kind of every object; pictures whose size the screens rely on: cells and
// frames on a 20-pixel grid, drawn masked (0 is a hole), two full screens, and
// patterns with power-of-two sides.
TEST(Datafile, EveryObjectHasTheKindAndSizeTheGameExpects)
{
    const int B = DAT_BITMAP, S = DAT_SAMPLE, D = DAT_DATA, F = DAT_FONT;
    const int kinds[DAT_OBJECT_COUNT] = {B, B, B, B, B, B, B, B, D, B, B, B, B, S, B, D, S, B, B,
                                         B, B, B, B, B, DAT_JGM, DAT_PALETTE, S, B, DAT_MIDI, B, B,
                                         B, B, F, F, F, S};
    for (int index = 0; index <= DAT_OBJECT_COUNT; index++)
        ASSERT_EQ(data[index].type, index < DAT_OBJECT_COUNT ? kinds[index] : DAT_END) << index;
    for (int index = DAT_TILE_FIRST; index <= DAT_FRAME_BOTTOM_RIGHT; index++) {
        if (index > DAT_TILE_LAST && index < DAT_PREVIEW_EMPTY)
            continue;
        EXPECT_EQ(bitmap(index)->w, 20) << index;
        EXPECT_EQ(bitmap(index)->h, 20) << index;
        EXPECT_EQ(colours(bitmap(index)).count(0), 0u) << "a hole in " << index;
    }
    for (int index : {DAT_CREDITS_BACKGROUND, DAT_TITLE}) {
        EXPECT_EQ(bitmap(index)->w, 640) << index;
        EXPECT_EQ(bitmap(index)->h, 480) << index;
    }
    for (int index : {DAT_PATTERN_SCREENS, DAT_PATTERN_MENU, DAT_PATTERN_PLAY}) {
        EXPECT_EQ(bitmap(index)->w & (bitmap(index)->w - 1), 0) << index;
        EXPECT_EQ(bitmap(index)->h & (bitmap(index)->h - 1), 0) << index;
    }
    for (int a = DAT_TILE_FIRST; a <= DAT_TILE_LAST; a++)
        for (int b = a + 1; b <= DAT_TILE_LAST; b++) {
            int differ = 0;
            for (int x = 0; x < 400; x++)
                differ += getpixel(bitmap(a), x % 20, x / 20) !=
                          getpixel(bitmap(b), x % 20, x / 20);
            EXPECT_GT(differ, 0) << "tiles " << a << " and " << b;
        }
}

// 0 is black (transparent), the mouse pointer wants black at 16 and white at
// 255. Text on plain fills: makedat refuses a palette that leaves it illegible.
TEST(Datafile, PaletteHasItsBlacksAndTextIsLegibleOnEveryPixelOfPictures)
{
    auto rgb = [](int i) {
        return std::vector<int>{palette()[i].r, palette()[i].g, palette()[i].b};
    };
    EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(16), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(255), (std::vector<int>{63, 63, 63}));
    // text over pictures: the worst pixel of the area under the text counts
    const struct { int object, x1, y1, x2, y2; std::vector<int> texts; } areas[] = {
        // headings, labels, help lines, "Press ESC To Exit", the table, "HELP"
        {DAT_PATTERN_SCREENS, 0, 0, 9999, 9999, {5, 15, 85, 86, 255}},
        {DAT_PATTERN_MENU, 0, 0, 9999, 9999, {15}},   // the footer
        {DAT_CREDITS_BACKGROUND, 0, 0, 639, 479, {5}},
        {DAT_TITLE, 180, 448, 470, 470, {15}},       // the two lines at (210,450) and (202,460)
    };
    for (const auto &a : areas) {
        std::set<int> under = colours(bitmap(a.object), a.x1, a.y1, a.x2, a.y2);
        for (int text : a.texts)
            for (int colour : under)
                EXPECT_GE(palette_contrast(palette(), text, colour), 4.5)
                    << text << " on object " << a.object << " colour " << colour;
    }
}

// Only mono fonts honour the text colour; each text drawn at x must end by
// `limit`: button labels inside their bevels, the counters, the table's
// columns, the pause message over the well, the boxes.
TEST(Datafile, FontsAreMonoAndTextsFitTheirPlaces)
{
    BITMAP *page = create_bitmap_ex(8, 200, 40);
    for (int index = DAT_FONT_SMALL; index <= DAT_FONT_LARGE; index++) {
        EXPECT_TRUE(is_mono_font(font_of(index))) << index;
        clear_bitmap(page);
        textout_ex(page, font_of(index), "Zorvane 0123", 0, 0, 86, -1);
        EXPECT_EQ(colours(page), (std::set<int>{0, 86})) << index;
    }
    destroy_bitmap(page);
    const int L = DAT_FONT_LARGE, S = DAT_FONT_SMALL, N = DAT_FONT_NUMBERS;
    const struct { int font; const char *text; int x, limit; } fits[] = {
        {L, "PLAY GAME", 0, 136}, {L, "View High Scores", 0, 236}, {L, "Sound Off", 0, 206},
        {L, "R e s e t", 0, 196}, {L, "250", 0, 144}, {L, "Quibbleon", 500, 581},
        {S, "Pieces:", 365, 493}, {N, "8888888", 494, 580}, {N, "888888", 380, 459},
        {N, "15      Zorvane Champion", 55, 379}, {N, "Level", 450, 519}, {N, "Pieces", 590, 640},
        {S, "to continue...", 75, 240}, {S, "Programming, Graphics, Level Design", 0, 640},
        {L, "You got high score", 0, 236}, {S, "Starting Blocks", 0, 210}};
    for (const auto &f : fits)
        EXPECT_LE(f.x + text_length(font_of(f.font), f.text), f.limit) << f.text;
    // Counters redraw "%7d" over the old value: a shorter one must be as wide, or digits stay.
    EXPECT_EQ(text_length(font_of(N), "      0"), text_length(font_of(N), "1234567"));
    // Buttons are at least 25 high, table and credits rows 20 apart.
    EXPECT_LE(text_height(font_of(L)), 21);
    EXPECT_LE(text_height(font_of(N)), 20);
    EXPECT_LE(text_height(font_of(S)), 20);
}

TEST(Datafile, SamplesAreAudibleDistinctMonoEffects)
{
    std::set<unsigned long> lengths;
    for (int index : {DAT_SAMPLE_CLICK, DAT_SAMPLE_ROW_REMOVED, DAT_SAMPLE_HIGH_SCORE,
                      DAT_SAMPLE_KEY_CLICK}) {
        SCOPED_TRACE("object " + std::to_string(index));
        SAMPLE *s = (SAMPLE *)data[index].dat;
        EXPECT_EQ(s->bits, 8);
        EXPECT_EQ(s->stereo, 0);
        EXPECT_GE(s->freq, 8000);
        unsigned char *pcm = (unsigned char *)s->data;
        auto range = std::minmax_element(pcm, pcm + s->len);
        EXPECT_GT(*range.second - *range.first, 150) << "too quiet";
        lengths.insert(s->len);
    }
    EXPECT_EQ(lengths.size(), 4u);
    SAMPLE *click = (SAMPLE *)data[DAT_SAMPLE_CLICK].dat;
    EXPECT_LE(click->len, (unsigned long)click->freq / 10) << "a click should be short";
}

// Music, not a beep: four channels play, and a player hears at least ninety
// seconds before the song comes back to its restart. (Its notes: the tune's
// own tests.)
typedef PlayerFixture DatafileMusic;
TEST_F(DatafileMusic, ModuleIsATuneOnFourChannelsThatPlaysNinetySecondsBeforeItLoops)
{
    JGMOD *j = (JGMOD *)data[DAT_MODULE].dat;
    expect_module_sane(j, "zorvane.dat module");
    ASSERT_GE(j->channel_count, 4);
    play_mod(j, -1);
    int ticks = 0;
    for (int last = 0; mi.order >= last && ticks < 1000000; ticks++) {
        last = mi.order;
        run_ticks(1);
    }
    EXPECT_EQ(mi.bpm, j->bpm) << "the tempo changed: the seconds below are wrong";
    EXPECT_GE(ticks * 2.5 / j->bpm, 90.0);
    for (int c = 0; c < 4; c++)
        EXPECT_GT(recorded_voice(voice_table[c]).starts, 0) << "channel " << c;
    run_ticks(1);
    EXPECT_EQ(mi.order, j->restart_order);
    stop_mod();
}

int run(const std::string &arguments)
{
    return system((ZQ_BINARY_DIR "/bin/makedat" + arguments + " >/dev/null 2>&1").c_str());
}

TEST(MakedatTest, SameSourcesGiveTheSameBytesAndFailuresLeaveNoFile)
{
    char name[] = "/tmp/zq_datafile_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    std::string dir = name, fresh = dir + "/fresh.dat", unwritable = dir + "/missing/zorvane.dat";
    ASSERT_EQ(run(" " + fresh), 0);
    EXPECT_TRUE(read_file_bytes(fresh.c_str()) == read_file_bytes(datafile_path))
        << "the build's run and a fresh one differ";
    EXPECT_NE(run(" " + unwritable), 0);
    EXPECT_NE(access(unwritable.c_str(), F_OK), 0);
    EXPECT_NE(run(""), 0) << "no output named";
    unlink(fresh.c_str());
    rmdir(dir.c_str());
}

}  // namespace
