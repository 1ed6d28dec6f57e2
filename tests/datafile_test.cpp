// The built zorvane.dat: every object at its index with its kind and size,
// a palette whose text colours stay legible on the backgrounds they are
// drawn on, fonts that fit the layouts, real sounds and music, and a
// builder that gives the same bytes every time.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/datafile.h"
#include "jgmod.h"
#include "support/module_checks.h"
#include "support/player_fixture.h"

namespace {

const char *const datafile_path = ZQ_BINARY_DIR "/bin/zorvane.dat";
const char *const makedat_path = ZQ_BINARY_DIR "/bin/makedat";

DATAFILE *data = nullptr;   // loaded once for the whole program

class DatafileEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        set_color_depth(8);
        register_datafile_jgmod();
        data = load_datafile(datafile_path);
    }
    void TearDown() override
    {
        if (data)
            unload_datafile(data);
        data = nullptr;
    }
};

::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new DatafileEnvironment);

BITMAP *bitmap(int index)
{
    return (BITMAP *)data[index].dat;
}

FONT *font_object(int index)
{
    return (FONT *)data[index].dat;
}

const RGB *palette()
{
    return (const RGB *)data[DAT_GAME_PALETTE].dat;
}

class DatafileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(data, nullptr) << "cannot load " << datafile_path; }
};

// --- Objects, kinds and sizes -----------------------------------------------

struct Expected {
    int index;
    int type;
    int w, h;   // bitmaps only; 0 = any size
};

const Expected expected_objects[] = {
    {0, DAT_BITMAP, 20, 20}, {1, DAT_BITMAP, 20, 20}, {2, DAT_BITMAP, 20, 20},
    {3, DAT_BITMAP, 20, 20}, {4, DAT_BITMAP, 20, 20}, {5, DAT_BITMAP, 20, 20},
    {6, DAT_BITMAP, 20, 20}, {7, DAT_BITMAP, 20, 20},
    {DAT_BUTTON_LABELLED, DAT_BITMAP, 240, 30},   // the widest labelled button
    {DAT_BUTTON_DECREASE, DAT_BITMAP, 30, 30},
    {DAT_BUTTON_INCREASE, DAT_BITMAP, 30, 30},
    {DAT_BUTTON_TITLE, DAT_BITMAP, 140, 25},
    {DAT_SAMPLE_CLICK, DAT_SAMPLE, 0, 0},
    {DAT_CREDITS_BACKGROUND, DAT_BITMAP, 640, 480},
    {DAT_SAMPLE_ROW_REMOVED, DAT_SAMPLE, 0, 0},
    {DAT_PREVIEW_EMPTY, DAT_BITMAP, 20, 20},
    {DAT_FRAME_HORIZONTAL, DAT_BITMAP, 20, 20},
    {DAT_FRAME_VERTICAL, DAT_BITMAP, 20, 20},
    {DAT_FRAME_TOP_LEFT, DAT_BITMAP, 20, 20},
    {DAT_FRAME_TOP_RIGHT, DAT_BITMAP, 20, 20},
    {DAT_FRAME_BOTTOM_LEFT, DAT_BITMAP, 20, 20},
    {DAT_FRAME_BOTTOM_RIGHT, DAT_BITMAP, 20, 20},
    {DAT_MODULE, DAT_JGM, 0, 0},
    {DAT_GAME_PALETTE, DAT_PALETTE, 0, 0},
    {DAT_SAMPLE_HIGH_SCORE, DAT_SAMPLE, 0, 0},
    {DAT_LOGO, DAT_BITMAP, 390, 70},   // exactly inside the outline (135,25)-(524,94)
    {DAT_MIDI_CREDITS, DAT_MIDI, 0, 0},
    {DAT_TITLE, DAT_BITMAP, 640, 480},
    {DAT_PATTERN_SCREENS, DAT_BITMAP, 0, 0},
    {DAT_PATTERN_MENU, DAT_BITMAP, 0, 0},
    {DAT_PATTERN_PLAY, DAT_BITMAP, 0, 0},
    {DAT_FONT_SMALL, DAT_FONT, 0, 0},
    {DAT_FONT_NUMBERS, DAT_FONT, 0, 0},
    {DAT_FONT_LARGE, DAT_FONT, 0, 0},
    {DAT_SAMPLE_KEY_CLICK, DAT_SAMPLE, 0, 0},
};

TEST_F(DatafileTest, HoldsExactlyTheGamesObjects)
{
    int count = 0;
    while (data[count].type != DAT_END)
        count++;
    EXPECT_EQ(count, DAT_OBJECT_COUNT);
}

TEST_F(DatafileTest, EveryObjectHasItsKindAndSize)
{
    for (const Expected &e : expected_objects) {
        SCOPED_TRACE("object " + std::to_string(e.index));
        ASSERT_EQ(data[e.index].type, e.type);
        ASSERT_NE(data[e.index].dat, nullptr);
        if (e.type != DAT_BITMAP)
            continue;
        BITMAP *bmp = bitmap(e.index);
        EXPECT_EQ(bitmap_color_depth(bmp), 8);
        if (e.w) {
            EXPECT_EQ(bmp->w, e.w);
            EXPECT_EQ(bmp->h, e.h);
        }
    }
}

TEST_F(DatafileTest, ObjectsCarryTheirNames)
{
    EXPECT_STREQ(get_datafile_property(&data[0], DAT_NAME), "CELL_1");
    EXPECT_STREQ(get_datafile_property(&data[DAT_MODULE], DAT_NAME), "MUSIC");
    EXPECT_STREQ(get_datafile_property(&data[DAT_FONT_LARGE], DAT_NAME), "FONT_LARGE");
}

bool power_of_two(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

TEST_F(DatafileTest, PatternsCanBeTiledByTheCopyPatternMode)
{
    for (int index : {DAT_PATTERN_SCREENS, DAT_PATTERN_MENU, DAT_PATTERN_PLAY}) {
        SCOPED_TRACE("pattern " + std::to_string(index));
        EXPECT_TRUE(power_of_two(bitmap(index)->w));
        EXPECT_TRUE(power_of_two(bitmap(index)->h));
    }
}

int count_colour(BITMAP *bmp, int colour)
{
    int n = 0;
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++)
            n += getpixel(bmp, x, y) == colour;
    return n;
}

// Masked drawing treats index 0 as a hole: tiles and frame pieces must not
// have any.
TEST_F(DatafileTest, MaskedTilesAreOpaqueEverywhere)
{
    for (int index = DAT_TILE_FIRST; index <= DAT_FRAME_BOTTOM_RIGHT; index++) {
        if (data[index].type != DAT_BITMAP || index == DAT_CREDITS_BACKGROUND)
            continue;
        if (index > DAT_TILE_LAST && index < DAT_PREVIEW_EMPTY)
            continue;   // button pictures are copied, not masked
        SCOPED_TRACE("object " + std::to_string(index));
        EXPECT_EQ(count_colour(bitmap(index), 0), 0);
    }
}

bool same_pixels(BITMAP *a, BITMAP *b)
{
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (getpixel(a, x, y) != getpixel(b, x, y))
                return false;
    return true;
}

TEST_F(DatafileTest, TheEightCellTilesAreDistinct)
{
    for (int a = DAT_TILE_FIRST; a <= DAT_TILE_LAST; a++)
        for (int b = a + 1; b <= DAT_TILE_LAST; b++)
            EXPECT_FALSE(same_pixels(bitmap(a), bitmap(b))) << "tiles " << a << " and " << b;
}

// --- Palette and contrast -----------------------------------------------------

double channel(int six_bit)
{
    double c = six_bit / 63.0;
    return c <= 0.03928 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

double luminance(int index)
{
    const RGB &c = palette()[index];
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

double contrast(int a, int b)
{
    double la = luminance(a), lb = luminance(b);
    return (fmax(la, lb) + 0.05) / (fmin(la, lb) + 0.05);
}

TEST_F(DatafileTest, IndexZeroIsBlack)
{
    EXPECT_EQ(palette()[0].r, 0);
    EXPECT_EQ(palette()[0].g, 0);
    EXPECT_EQ(palette()[0].b, 0);
}

TEST_F(DatafileTest, PaletteComponentsAreSixBit)
{
    for (int i = 0; i < PAL_SIZE; i++) {
        EXPECT_LE(palette()[i].r, 63);
        EXPECT_LE(palette()[i].g, 63);
        EXPECT_LE(palette()[i].b, 63);
    }
}

// Text colours on the plain fills they are drawn on.
TEST_F(DatafileTest, TextOnPlainFillsIsLegible)
{
    struct Pair {
        int text, background;
        const char *where;
    } const pairs[] = {
        {5, 0, "play-screen title words and counter values"},
        {65, 0, "counter labels"},
        {86, 0, "legend keys"},
        {54, 0, "legend actions"},
        {176, 0, "legend rule lines"},
        {70, 0, "pause message"},
        {15, 0, "name entry field, game-over text over the empty well"},
        {25, 1, "menu button label, raised"},
        {15, 1, "menu button label, pressed"},
        {14, 1, "title button label, raised"},
        {48, 1, "title button label, pressed"},
    };
    for (const Pair &p : pairs)
        EXPECT_GE(contrast(p.text, p.background), 4.5) << p.where;
}

// The lowest contrast of `text` against any pixel of `bmp` inside the box.
double worst_contrast(BITMAP *bmp, int text, int x1, int y1, int x2, int y2)
{
    double worst = 21.0;
    std::set<int> seen;
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++) {
            int c = getpixel(bmp, x, y);
            if (seen.insert(c).second)
                worst = fmin(worst, contrast(text, c));
        }
    return worst;
}

TEST_F(DatafileTest, TextOnPatternsIsLegibleOnEveryPixel)
{
    BITMAP *screens = bitmap(DAT_PATTERN_SCREENS);
    // options headings and labels, help lines and heads, "Press ESC To Exit", "HELP", table
    for (int text : {5, 15, 85, 86, 255})
        EXPECT_GE(worst_contrast(screens, text, 0, 0, screens->w - 1, screens->h - 1), 4.5)
            << "colour " << text << " on pattern 30";
    BITMAP *menu = bitmap(DAT_PATTERN_MENU);   // the footer
    EXPECT_GE(worst_contrast(menu, 15, 0, 0, menu->w - 1, menu->h - 1), 4.5);
}

TEST_F(DatafileTest, CreditsTextIsLegibleAnywhereOnItsBackground)
{
    EXPECT_GE(worst_contrast(bitmap(DAT_CREDITS_BACKGROUND), 5, 0, 0, 639, 479), 4.5);
}

// The title screen writes two lines in the built-in font at (210,450) and
// (202,460), colour 15.
TEST_F(DatafileTest, TitleLinesAreLegibleOnTheTitlePicture)
{
    EXPECT_GE(worst_contrast(bitmap(DAT_TITLE), 15, 180, 448, 470, 470), 4.5);
}

// --- Fonts --------------------------------------------------------------------

// The screens draw text in a colour of their choosing, which only mono
// fonts honour.
TEST_F(DatafileTest, FontsAreMonoAndDrawInTheColourAsked)
{
    BITMAP *page = create_bitmap_ex(8, 200, 40);
    ASSERT_NE(page, nullptr);
    for (int index : {DAT_FONT_SMALL, DAT_FONT_NUMBERS, DAT_FONT_LARGE}) {
        SCOPED_TRACE("font " + std::to_string(index));
        EXPECT_TRUE(is_mono_font(font_object(index)));
        clear_bitmap(page);
        textout_ex(page, font_object(index), "Zorvane 0123", 0, 0, 86, -1);
        EXPECT_GT(count_colour(page, 86), 20);
        EXPECT_EQ(count_colour(page, 0) + count_colour(page, 86), page->w * page->h);
    }
    destroy_bitmap(page);
}

int width(int index, const char *s)
{
    return text_length(font_object(index), s);
}

int height(int index)
{
    return text_height(font_object(index));
}

TEST_F(DatafileTest, ButtonLabelsFitInsideTheirBevels)
{
    struct Button {
        const char *label;
        int w, h;
    } const buttons[] = {
        {"PLAY GAME", 140, 25},    {"EXIT", 140, 25},        {"Start Game", 240, 30},
        {"View High Scores", 240, 30}, {"Previous Menu", 240, 30}, {"Sound Off", 210, 30},
        {"Music Off", 210, 30},    {"E x i t", 200, 30},     {"R e s e t", 200, 30},
        {"250", 148, 30},          {"10", 148, 30},
    };
    for (const Button &b : buttons) {
        EXPECT_LE(width(DAT_FONT_LARGE, b.label), b.w - 4) << b.label;
        EXPECT_LE(height(DAT_FONT_LARGE), b.h - 4) << b.label;
    }
}

// Rows of a bitmap that hold any non-zero pixel.
void ink_rows(BITMAP *bmp, int *top, int *bottom)
{
    *top = bmp->h;
    *bottom = -1;
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++)
            if (getpixel(bmp, x, y)) {
                *top = y < *top ? y : *top;
                *bottom = y;
            }
}

TEST_F(DatafileTest, PlayScreenTitleWordsStayInTheirBox)
{
    // "Zorvane" at (505,190) and "Quibbleon" at (500,205), box 480..580 x 185..225.
    EXPECT_LE(505 + width(DAT_FONT_LARGE, "Zorvane"), 581);
    EXPECT_LE(500 + width(DAT_FONT_LARGE, "Quibbleon"), 581);
    BITMAP *page = create_bitmap_ex(8, 120, 60);
    ASSERT_NE(page, nullptr);
    int top_first, bottom_first, top_second, bottom_second;
    clear_bitmap(page);
    textout_ex(page, font_object(DAT_FONT_LARGE), "Zorvane", 0, 0, 5, -1);
    ink_rows(page, &top_first, &bottom_first);
    clear_bitmap(page);
    textout_ex(page, font_object(DAT_FONT_LARGE), "Quibbleon", 0, 15, 5, -1);
    ink_rows(page, &top_second, &bottom_second);
    destroy_bitmap(page);
    EXPECT_LT(bottom_first, top_second) << "the two words touch";
    EXPECT_LE(190 - 15 + bottom_second, 225) << "Quibbleon runs out of the box";
}

TEST_F(DatafileTest, CountersFitRightOfTheirLabels)
{
    // Labels at x 365; values right-aligned by the built-in font to 550, so
    // seven digits start at 494; rows at y 42, 66, 90, 114 in a box to y 135.
    EXPECT_LT(365 + width(DAT_FONT_SMALL, "Pieces:"), 494);
    EXPECT_LE(494 + width(DAT_FONT_NUMBERS, "8888888"), 580);
    EXPECT_LE(height(DAT_FONT_NUMBERS), 24);
    EXPECT_LE(height(DAT_FONT_SMALL), 24);
    EXPECT_LE(114 + height(DAT_FONT_NUMBERS), 136);
}

TEST_F(DatafileTest, HighScoreColumnsDoNotRunIntoEachOther)
{
    EXPECT_LE(height(DAT_FONT_NUMBERS), 20);   // rows 20 px apart
    EXPECT_LT(55 + width(DAT_FONT_NUMBERS, "15      Zorvane Champion"), 380);
    EXPECT_LT(380 + width(DAT_FONT_NUMBERS, "888888"), 460);
    EXPECT_LT(380 + width(DAT_FONT_NUMBERS, "Score"), 450);
    EXPECT_LT(460 + width(DAT_FONT_NUMBERS, "888"), 530);
    EXPECT_LT(450 + width(DAT_FONT_NUMBERS, "Level"), 520);
    EXPECT_LT(530 + width(DAT_FONT_NUMBERS, "88888"), 600);
    EXPECT_LT(520 + width(DAT_FONT_NUMBERS, "Lines"), 590);
    EXPECT_LE(600 + width(DAT_FONT_NUMBERS, "8888"), 640);
    EXPECT_LE(590 + width(DAT_FONT_NUMBERS, "Pieces"), 640);
}

TEST_F(DatafileTest, ScreenTextsFitTheirPlaces)
{
    // The pause message lies over the well, whose right edge is x 239.
    EXPECT_LE(75 + width(DAT_FONT_SMALL, "to continue..."), 240);
    EXPECT_LE(height(DAT_FONT_SMALL), 20);   // credits lines are 20 px apart
    EXPECT_LE(width(DAT_FONT_SMALL, "Programming, Graphics, Level Design"), 640);
    EXPECT_LE(width(DAT_FONT_LARGE, "You got high score"), 236);   // box 100..340
    EXPECT_LE(width(DAT_FONT_SMALL, "Starting Blocks"), 210);
}

// --- Sounds and the credits song ---------------------------------------------

TEST_F(DatafileTest, SamplesAreAudibleMonoEffects)
{
    std::set<unsigned long> lengths;
    for (int index : {DAT_SAMPLE_CLICK, DAT_SAMPLE_ROW_REMOVED, DAT_SAMPLE_HIGH_SCORE, DAT_SAMPLE_KEY_CLICK}) {
        SCOPED_TRACE("sample " + std::to_string(index));
        SAMPLE *s = (SAMPLE *)data[index].dat;
        EXPECT_EQ(s->bits, 8);
        EXPECT_EQ(s->stereo, 0);
        EXPECT_GE(s->freq, 8000);
        ASSERT_GT(s->len, 0u);
        const unsigned char *pcm = (const unsigned char *)s->data;
        int low = 255, high = 0;
        for (unsigned long i = 0; i < s->len; i++) {
            low = pcm[i] < low ? pcm[i] : low;
            high = pcm[i] > high ? pcm[i] : high;
        }
        EXPECT_GT(high - low, 150) << "too quiet";
        lengths.insert(s->len);
    }
    EXPECT_EQ(lengths.size(), 4u) << "the four effects should differ";
    SAMPLE *click = (SAMPLE *)data[DAT_SAMPLE_CLICK].dat;
    EXPECT_LE(click->len, (unsigned long)click->freq / 10) << "a click should be short";
}

unsigned long read_variable(const unsigned char *p, int len, int *at)
{
    unsigned long value = 0;
    while (*at < len) {
        int byte = p[(*at)++];
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            break;
    }
    return value;
}

// Walks one MIDI track; counts note-ons and reports whether it ended with
// the end-of-track event exactly at its last byte.
bool walk_track(const unsigned char *p, int len, int *note_ons)
{
    int at = 0, status = 0;
    while (at < len) {
        read_variable(p, len, &at);
        if (at >= len)
            return false;
        if (p[at] & 0x80)
            status = p[at++];
        if (status == 0xFF) {
            int type = p[at++];
            unsigned long size = read_variable(p, len, &at);
            at += (int)size;
            if (type == 0x2F)
                return at == len;
        } else if (status == 0xF0 || status == 0xF7) {
            at += (int)read_variable(p, len, &at);
        } else {
            int kind = status & 0xF0;
            int data_bytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (kind == 0x90 && at + 1 < len && p[at + 1] > 0)
                (*note_ons)++;
            at += data_bytes;
        }
    }
    return false;
}

TEST_F(DatafileTest, CreditsSongIsAWellFormedTune)
{
    MIDI *song = (MIDI *)data[DAT_MIDI_CREDITS].dat;
    EXPECT_GT(song->divisions, 0);
    int tracks = 0, note_ons = 0;
    for (int t = 0; t < MIDI_TRACKS; t++) {
        if (!song->track[t].len)
            continue;
        tracks++;
        EXPECT_TRUE(walk_track(song->track[t].data, song->track[t].len, &note_ons)) << "track " << t;
    }
    EXPECT_GE(tracks, 3);
    EXPECT_GE(note_ons, 100);
}

// --- The in-game module ---------------------------------------------------------

JGMOD *module()
{
    return (JGMOD *)data[DAT_MODULE].dat;
}

TEST_F(DatafileTest, ModuleIsASaneLoopingPeriodModule)
{
    JGMOD *j = module();
    expect_module_sane(j, "zorvane.dat module");
    EXPECT_GE(j->channel_count, 4);
    EXPECT_EQ(j->flags, 0);
    EXPECT_GE(j->order_count, 2);
    EXPECT_GE(j->restart_order, 0);
    EXPECT_LT(j->restart_order, j->order_count);
    EXPECT_GT(j->tempo, 0);
    EXPECT_GT(j->bpm, 31);
    for (int s = 0; s < j->sample_count; s++) {
        EXPECT_EQ(j->samples[s].bits, 8) << "sample " << s;
        EXPECT_GT(j->sample_info[s].length, 0) << "sample " << s;
    }
}

// Music, not a beep: every one of the first four channels plays notes, and
// the melody moves through several pitches.
TEST_F(DatafileTest, ModuleChannelsAllPlayAndTheMelodyMoves)
{
    JGMOD *j = module();
    std::vector<std::set<int>> pitches(j->channel_count);
    std::vector<int> notes(j->channel_count, 0);
    for (int p = 0; p < j->pattern_count; p++)
        for (int r = 0; r < j->pattern_info[p].row_count; r++)
            for (int c = 0; c < j->channel_count; c++) {
                NOTE_INFO *cell = get_note(j, p, r, c);
                if (cell->note > 0) {
                    notes[c]++;
                    pitches[c].insert(cell->note);
                }
            }
    for (int c = 0; c < 4; c++)
        EXPECT_GE(notes[c], 16) << "channel " << c;
    EXPECT_GE(pitches[0].size(), 8u) << "melody";
    EXPECT_GE(pitches[1].size(), 4u) << "bass";
}

// --- The builder ------------------------------------------------------------------

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string temp_dir()
{
    char name[] = "/tmp/zq_datafile_XXXXXX";
    return mkdtemp(name) ? name : "";
}

int run(const std::string &command)
{
    return system((command + " >/dev/null 2>&1").c_str());
}

TEST(MakedatTest, SameSourcesGiveTheSameBytes)
{
    std::string dir = temp_dir();
    ASSERT_FALSE(dir.empty());
    std::string first = dir + "/first.dat", second = dir + "/second.dat";
    ASSERT_EQ(run(std::string(makedat_path) + " " + first), 0);
    ASSERT_EQ(run(std::string(makedat_path) + " " + second), 0);
    std::string a = read_file(first), b = read_file(second);
    EXPECT_GT(a.size(), 1000u);
    EXPECT_TRUE(a == b) << "two runs differ";
    EXPECT_TRUE(a == read_file(datafile_path)) << "the build's datafile differs from a fresh one";
    unlink(first.c_str());
    unlink(second.c_str());
    rmdir(dir.c_str());
}

TEST(MakedatTest, AnUnwritableOutputFailsWithoutLeavingAFile)
{
    std::string dir = temp_dir();
    ASSERT_FALSE(dir.empty());
    std::string target = dir + "/missing/zorvane.dat";
    EXPECT_NE(run(std::string(makedat_path) + " " + target), 0);
    EXPECT_NE(access(target.c_str(), F_OK), 0);
    EXPECT_NE(run(std::string(makedat_path)), 0) << "no output named";
    rmdir(dir.c_str());
}

// --- The module through the player ------------------------------------------------

class DatafileMusicTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        ASSERT_NE(data, nullptr);
        PlayerFixture::SetUp();
    }
};

// One pass through the song sounds all four channels, and at its end the
// looped song comes back at its restart position instead of stopping.
TEST_F(DatafileMusicTest, PlaysAllChannelsAndLoopsToTheRestart)
{
    JGMOD *j = module();
    int ticks = 0;
    for (int order = 0; order < j->order_count; order++)
        ticks += j->pattern_info[j->order_table[order]].row_count * j->tempo;
    play_mod(j, -1);
    run_ticks(ticks - 1);
    EXPECT_EQ(mi.order, j->order_count - 1);
    for (int c = 0; c < 4; c++)
        EXPECT_GT(recorded_voice(voice_table[c]).starts, 0) << "channel " << c;
    run_ticks(3);   // the end, the restart and the jump to the restart position
    EXPECT_NE(is_mod_playing(), 0);
    EXPECT_EQ(mi.order, j->restart_order);
    stop_mod();
}

}  // namespace
