// The built zorvane.dat as the game reads it: a reviewed listing of its objects
// (kinds, sizes, holes in masked pictures, sounds, fonts, contents' hashes),
// what a player would see or hear wrong, and the same bytes from every build.
#include <unistd.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "app/datafile.h"
#include "tools/makedat/palette.cpp"
#include "tools/modtool/output.h"
#include "support/golden.h"
#include "support/module_rules.h"
#include "support/packfile_helpers.h"
#include "support/player_fixture.h"

namespace {

const char *const datafile_path = ZQ_BINARY_DIR "/bin/zorvane.dat";

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

// The colours used in a rectangle of a bitmap (clipped to it).
std::set<int> colours(BITMAP *bmp, int x1 = 0, int y1 = 0, int x2 = 9999, int y2 = 9999)
{
    std::set<int> used;
    for (int y = y1; y <= std::min(y2, bmp->h - 1); y++)
        for (int x = x1; x <= std::min(x2, bmp->w - 1); x++)
            used.insert(getpixel(bmp, x, y));
    return used;
}

// A picture's or a sound's contents in 8 hexadecimal digits, as modtool hashes samples.
std::string hash(const void *bytes, size_t size)
{
    std::ostringstream text;
    text << std::hex << fnv1a(bytes, size);
    return text.str();
}

// One line per object. Accepted while the hand-written checks it replaced
// passed on the same code: the kinds in index order; cells, preview and frames
// 20x20 without a hole (0 is transparent, they are drawn masked); two 640x480
// screens; patterns with power-of-two sides; eight distinct tiles; 8-bit mono
// sounds of 8 kHz or more, four lengths, a range over 150 and a click under a
// tenth of a second; palette 0 and 16 black, 255 white; fonts mono, the large
// one at most 21 high (buttons are 25), the others 20 (the table's rows).
std::string listing()
{
    std::ostringstream out;
    for (int index = 0; data[index].type != DAT_END; index++) {
        out << index << ' ';
        if (data[index].type == DAT_BITMAP) {
            BITMAP *b = Datafile_Bitmap(index);
            std::vector<unsigned char> pixels;
            for (int y = 0; y < b->h; y++)
                pixels.insert(pixels.end(), b->line[y], b->line[y] + b->w);
            out << "bitmap " << b->w << 'x' << b->h << " holes "
                << std::count(pixels.begin(), pixels.end(), 0) << ' '
                << hash(pixels.data(), pixels.size());
        } else if (data[index].type == DAT_SAMPLE) {
            SAMPLE *s = Datafile_Sample(index);
            auto pcm = (const unsigned char *)s->data;
            auto range = std::minmax_element(pcm, pcm + s->len);
            out << "sample bits " << s->bits << " stereo " << s->stereo << " freq " << s->freq
                << " len " << s->len << " range " << +*range.first << ".." << +*range.second
                << ' ' << hash(pcm, s->len);
        } else if (data[index].type == DAT_MIDI) {
            out << "midi";
            for (const auto &track : Datafile_Midi(index)->track)
                out << (track.data ? " " + hash(track.data, track.len) : "");
        } else if (data[index].type == DAT_PALETTE) {
            out << "palette";
            for (int entry = 0; entry < PAL_SIZE; entry++)
                out << ' ' << +Game_Palette()[entry].r << ',' << +Game_Palette()[entry].g << ','
                    << +Game_Palette()[entry].b;
        } else if (data[index].type == DAT_FONT) {
            FONT *f = Datafile_Font(index);
            out << "font mono " << is_mono_font(f) << " height " << text_height(f);
        } else if (data[index].type == DAT_JGM) {
            out << "module";
        } else {
            out << "data " << hash(data[index].dat, data[index].size);
        }
        out << '\n';
    }
    return out.str();
}

TEST(Datafile, ObjectsMatchTheReviewedListing)
{
    EXPECT_TRUE(matches_golden(ZQ_SOURCE_DIR "/tests/golden/zorvane_dat.txt", listing()));
}

// Text over pictures: the worst pixel of the area under the text counts. Text
// on plain fills: makedat refuses a palette that leaves it illegible.
TEST(Datafile, TextIsLegibleOnEveryPixelOfPictures)
{
    const struct { int object, x1, y1, x2, y2; std::vector<int> texts; } areas[] = {
        // headings, labels, help lines, "Press ESC To Exit", the table, "HELP"
        {DAT_PATTERN_SCREENS, 0, 0, 9999, 9999, {5, 15, 85, 86, 255}},
        {DAT_PATTERN_MENU, 0, 0, 9999, 9999, {15}},   // the footer
        {DAT_CREDITS_BACKGROUND, 0, 0, 639, 479, {5}},
        {DAT_TITLE, 180, 448, 470, 470, {15}},       // the two lines at (210,450) and (202,460)
    };
    for (const auto &a : areas) {
        std::set<int> under = colours(Datafile_Bitmap(a.object), a.x1, a.y1, a.x2, a.y2);
        for (int text : a.texts)
            for (int colour : under)
                EXPECT_GE(palette_contrast(Game_Palette(), text, colour), 4.5)
                    << text << " on object " << a.object << " colour " << colour;
    }
}

// Each text drawn at x must end by `limit`: button labels inside their bevels,
// the counters, the table's columns, the pause message over the well, the boxes.
TEST(Datafile, TextsFitTheirPlaces)
{
    const int L = DAT_FONT_LARGE, S = DAT_FONT_SMALL, N = DAT_FONT_NUMBERS;
    const struct { int font; const char *text; int x, limit; } fits[] = {
        {L, "PLAY GAME", 0, 136}, {L, "View High Scores", 0, 236}, {L, "Sound Off", 0, 206},
        {L, "R e s e t", 0, 196}, {L, "250", 0, 144}, {L, "Quibbleon", 500, 581},
        {S, "Pieces:", 365, 493}, {N, "8888888", 494, 580}, {N, "888888", 380, 459},
        {N, "15      Zorvane Champion", 55, 379}, {N, "Level", 450, 519}, {N, "Pieces", 590, 640},
        {S, "to continue...", 75, 240}, {S, "Programming, Graphics, Level Design", 0, 640},
        {L, "You got high score", 0, 236}, {S, "Starting Blocks", 0, 210}};
    for (const auto &f : fits)
        EXPECT_LE(f.x + text_length(Datafile_Font(f.font), f.text), f.limit) << f.text;
    // Counters redraw "%7d" over the old value: a shorter one must be as wide, or digits stay.
    EXPECT_EQ(text_length(Datafile_Font(N), "      0"), text_length(Datafile_Font(N), "1234567"));
}

// Music, not a beep: four channels play, and a player hears at least ninety
// seconds before the song comes back to its restart. (Its notes: the tune's
// own tests.)
typedef PlayerFixture DatafileMusic;
TEST_F(DatafileMusic, ModuleIsATuneOnFourChannelsThatPlaysNinetySecondsBeforeItLoops)
{
    JGMOD *j = (JGMOD *)data[DAT_MODULE].dat;
    EXPECT_EQ(module_fault(j), "") << "zorvane.dat module";
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
