// The rules of the well through the operations the play loop calls, and what
// the play screen and the button draw where their drawing order decides it, on
// 8-bit memory bitmaps; the library runs without a display, with a datafile
// built in code.
#include <errno.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "game/game.h"
#include "ui/button.h"

namespace {

// Bitmap object `index` is Object_Colour(index) but for a transparent top-left
// pixel, so masked and opaque copies differ; patterns are 8-pixel checkerboards.
int Object_Colour(int index) { return 110 + index; }
#define TILE_COLOUR_BASE (110 + DAT_TILE_FIRST - 1)
#define PATTERN_COLOUR_A 200
#define PATTERN_COLOUR_B 201

// Sets up once per process, then clears the bitmaps, the record and the settings.
// Objects the play screen and buttons never use stay placeholders (sound is off).
void Use_Game_World(void)
{
    [[maybe_unused]] static bool started = [] {
        static DATAFILE objects[DAT_OBJECT_COUNT + 1];
        static char placeholder[16];
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            abort();
        set_color_depth(8);
        auto filled = [](int index, int size) {
            BITMAP *bmp = create_bitmap(size, size);
            clear_to_color(bmp, Object_Colour(index));
            putpixel(bmp, 0, 0, 0);
            return DATAFILE{bmp, DAT_BITMAP, 0, NULL};
        };
        for (int index = 0; index < DAT_OBJECT_COUNT; index++) { // cell tiles, empty preview cell, frames
            bool tile = index <= DAT_TILE_LAST || (index >= DAT_PREVIEW_EMPTY && index <= DAT_FRAME_BOTTOM_RIGHT);
            objects[index] = tile ? filled(index, 20) : DATAFILE{placeholder, DAT_DATA, sizeof placeholder, NULL};
        }
        objects[DAT_BUTTON_LABELLED] = filled(DAT_BUTTON_LABELLED, 64);
        objects[DAT_BUTTON_DECREASE] = filled(DAT_BUTTON_DECREASE, 64);
        BITMAP *pattern = create_bitmap(16, 16);
        clear_to_color(pattern, PATTERN_COLOUR_A);
        rectfill(pattern, 8, 0, 15, 7, PATTERN_COLOUR_B);
        rectfill(pattern, 0, 8, 7, 15, PATTERN_COLOUR_B);
        for (int index : {DAT_PATTERN_SCREENS, DAT_PATTERN_MENU, DAT_PATTERN_PLAY})
            objects[index] = {pattern, DAT_BITMAP, 0, NULL};
        for (int index : {DAT_FONT_SMALL, DAT_FONT_NUMBERS, DAT_FONT_LARGE})
            objects[index] = {font, DAT_FONT, 0, NULL};
        objects[DAT_OBJECT_COUNT].type = DAT_END;
        data = objects;
        screen = create_bitmap(640, 480);
        buffer = create_bitmap(200, 400);
        temp_buffer = create_bitmap(640, 480);
        return true;
    }();
    clear_to_color(screen, 0);
    clear_to_color(buffer, 0);
    solid_mode();
    text_mode(0);
    memset(&Game, 0, sizeof Game);
    end_game = game_time = sound_on = music_on = start_level = start_blocks = 0;
}

using Shape = std::set<std::pair<int, int>>;

struct Board : ::testing::Test {
    void SetUp() override { Use_Game_World(); }
};

Shape Shape_Of(int code)
{
    Generate_Block(code);
    Shape shape;
    for (int i = 0; i < BLOCK_SIZE * BLOCK_SIZE; i++)
        if (Game.block[i] != 0)
            shape.insert({i / BLOCK_SIZE, i % BLOCK_SIZE});
    return shape;
}

void Fill_Row(int y, int gap_column = -1)
{
    for (int x = 0; x < MAP_W; x++)
        Map_Cell(x, y) = x == gap_column ? 0 : 5;
}

int Filled_Cells(void) { return (int)(MAP_W * MAP_H - std::count(Game.map, Game.map + MAP_W * MAP_H, 0)); }

TEST_F(Board, ShapesEntryFormsAndQuarterTurns)
{
    const Shape entry[ELEMENT_COUNT] = {
        {{1, 0}, {2, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}, {2, 1}}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
        {{1, 0}, {0, 1}, {1, 1}, {2, 1}}, {{2, 0}, {0, 1}, {1, 1}, {2, 1}}, {{0, 0}, {0, 1}, {1, 1}, {2, 1}},
        {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}};
    Game.x = 6, Game.y = 11;
    for (int code = 1; code <= 38; code += code % 10 == 8 ? 3 : 1) {
        Shape shape = Shape_Of(code), turned;
        EXPECT_EQ(Game.element, code);
        EXPECT_TRUE(code > 10 || shape == entry[code - 1]) << code;
        for (auto [i, j] : shape) { // a quarter turn clockwise, against the top-left corner
            EXPECT_EQ(Block_Cell(i, j), code % 10) << code;
            turned.insert({Game.height - 1 - j, i});
        }
        EXPECT_EQ(Shape_Of(code >= 30 ? code - 30 : code + 10), turned) << code;
    }
    EXPECT_EQ(Game.x, 6) << "the position is left alone";
    EXPECT_EQ(Game.y, 11);
}

TEST(BoardDeath, UnknownElementEndsTheProgramWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int code : {0, 9, 10, 40, -1})
        EXPECT_EXIT((Use_Game_World(), Generate_Block(code)), ::testing::ExitedWithCode(1), "") << code;
}

TEST_F(Board, RotationAndPlacementOnlyWhereTheElementFits)
{
    for (int element = 1; element <= ELEMENT_COUNT; element++) {
        Generate_Block(element);
        Game.x = 3, Game.y = 5;
        for (int turn = 1; turn <= 4; turn++, Rotate_Block())
            EXPECT_EQ(Game.element, element + 10 * (turn - 1));
        EXPECT_EQ(std::tie(Game.element, Game.x, Game.y), std::make_tuple(element, 3, 5));
    }
    Generate_Block(17); // vertical straight against the right wall
    Game.x = 9, Game.y = 4;
    Rotate_Block();
    EXPECT_EQ(std::tie(Game.element, Game.width, Game.height), std::make_tuple(17, 1, 4)) << "the old block is back";
    Generate_Block(7); // the turn would cover (2, 12); there is no wall kick
    Game.x = 2, Game.y = 10;
    Map_Cell(2, 12) = 1;
    Rotate_Block();
    EXPECT_EQ(Game.element, 7);
    Map_Cell(2, 12) = 0;
    Rotate_Block();
    EXPECT_EQ(std::tie(Game.element, Game.x), std::make_tuple(17, 2));
    Generate_Block(17); // column 0 of the block only: empty columns may hang outside
    Map_Cell(0, 19) = 8;
    const struct { int x, y, fits; } cases[] = {
        {9, 0, -1}, {10, 0, 0}, {-1, 0, 0}, {0, 15, -1}, {0, 16, 0}, {1, 16, -1}, {1, 17, 0}, {3, -1, 0}};
    for (auto c : cases) {
        Game.x = c.x, Game.y = c.y;
        EXPECT_EQ(Can_Put(), c.fits) << c.x << "," << c.y;
    }
}

TEST_F(Board, RowScanRemovesNonAdjacentRowsButNeverRowZero)
{
    Fill_Row(19), Fill_Row(18, 0), Fill_Row(17, 4);
    Map_Cell(3, 16) = 6, Map_Cell(2, 0) = 3;
    Generate_Block(17); // a vertical straight in column 4, rows 16..19, completes rows 19 and 17
    Game.x = 4, Game.y = 16;
    Put_Block();
    EXPECT_EQ(std::tie(Game.lines, Game.stage_lines, Game.score), std::make_tuple(2, 2, 255));
    EXPECT_EQ(std::tie(Map_Cell(0, 19), Map_Cell(1, 19), Map_Cell(3, 18)), std::make_tuple(0, 5, 6))
        << "the former rows 18 and 16 lie in rows 19 and 18";
    for (int y = 0; y <= 2; y++) // row 0 stays and is copied down at each removal
        EXPECT_EQ(Map_Cell(2, y), 3) << y;
    EXPECT_EQ(Filled_Cells(), 9 + 2 + 3);
}

TEST_F(Board, UnderAFullRowZeroEachFullRowGoesOnceAndTheCopiesStay)
{
    // Each removal copies row 0 into row 1, where a full row 0 stays full.
    const std::vector<int> full_rows[] = {{0}, {0, 19}, {0, 18, 19}, {0, 1, 2}, {0, 1, 5, 6, 7, 8, 9, 19}};
    for (const auto &rows : full_rows) {
        Use_Game_World();
        for (int y : rows)
            Fill_Row(y);
        Delete_Row();
        EXPECT_EQ(Game.lines, (int)rows.size() - 1) << rows.back();
        EXPECT_EQ(Filled_Cells(), 10 * (int)rows.size()) << "rows 0 to " << Game.lines << " hold row 0";
    }
}

TEST_F(Board, ScoringAndTheFallInterval)
{
    const struct { int stage_lines, rows, score, delay; } cases[] = {
        {0, 0, 30, 55}, {0, 1, 130, 55}, {36, 4, 605, 47}, {30, 0, 30, 49}, {9, 0, 30, 55},
        {10, 0, 30, 53}, {269, 0, 30, 3}, {270, 0, 30, 2}, {500, 0, 30, 2}};
    for (auto c : cases) {
        Use_Game_World();
        Game.stage_lines = c.stage_lines;
        for (int y = MAP_H - c.rows; y < MAP_H; y++)
            Fill_Row(y);
        Delete_Row();
        EXPECT_EQ(std::tie(Game.score, Game.lines, Game.stage_lines, Game.delay, Game.pieces),
                  std::make_tuple(c.score, c.rows, c.stage_lines + c.rows, c.delay, 1));
    }
    // The counters of a loaded game stop at the top of their range.
    Game.score = INT32_MAX - 10, Game.pieces = INT32_MAX, Game.stage_lines = INT32_MAX - 1;
    Fill_Row(19);
    Delete_Row();
    for (int counter : {Game.score, Game.pieces, Game.stage_lines})
        EXPECT_EQ(counter, INT32_MAX);
}

TEST_F(Board, NewElementsStartingRowsAndTwoFreshRunsDealingTheSameGame)
{
    srand(7);
    Game.next_element = 5, Game.stage_lines = 23;
    Generate_New();
    srand(7);
    EXPECT_EQ(std::tie(Game.element, Game.next_element, Game.x, Game.y, Game.stage, end_game),
              std::make_tuple(5, rand() % 8 + 1, 3, 0, 2, 0));
    for (int x : {5, 4}) { // the square covers (3,0) (4,0) (3,1) (4,1)
        Use_Game_World();
        Game.next_element = 3;
        Map_Cell(x, 1) = 2;
        Generate_New();
        EXPECT_EQ(end_game, x == 4 ? -1 : 0);
        EXPECT_EQ(Filled_Cells(), 1) << "a blocked element is not placed";
    }
    Use_Game_World();
    srand(3);
    Add_Starting_Rows(4);
    srand(3); // one draw per cell, bottom row first, left to right
    for (int y = MAP_H - 1; y >= 0; y--)
        for (int x = 0; x < MAP_W; x++)
            EXPECT_EQ(Map_Cell(x, y), y >= 16 && rand() % 2 != 0 ? 1 : 0) << x << "," << y;
    std::vector<int> runs[2];
    for (auto &run : runs) {
        srand(1); // the library's start-up state: the game never seeds
        Use_Game_World();
        Game.score = 999, Game.lines = 12, Game.pieces = 40, end_game = -1;
        start_blocks = 5, start_level = 3;
        Begin_Game();
        EXPECT_EQ(std::tie(Game.score, Game.lines, Game.pieces, end_game, Game.stage_lines, Game.delay, Game.stage),
                  std::make_tuple(0, 0, 0, 0, 30, 49, 0)) << "the first element enters while stage_lines is still 1";
        run.assign(Game.map, Game.map + 200);
        for (int piece = 0; piece < 30; piece++, Generate_New()) {
            run.insert(run.end(), {Game.element, Game.next_element});
            memset(Game.map, 0, sizeof Game.map);
        }
    }
    EXPECT_EQ(runs[0], runs[1]);
}

TEST_F(Board, ClearingTheWellBuysCellsRowByRowAtFiveTimesStageLines)
{
    Map_Cell(9, 19) = Map_Cell(0, 19) = Map_Cell(5, 2) = Map_Cell(1, 2) = 1;
    Game.stage_lines = 1, Game.score = 12;
    Clear_Well();
    // (1,2) and (5,2) are bought, then the score runs out.
    EXPECT_EQ(std::tie(Game.score, Map_Cell(1, 2), Map_Cell(5, 2), Map_Cell(0, 19)), std::make_tuple(0, 0, 0, 1));
    Fill_Row(19);
    Game.stage_lines = 4;
    Clear_Well();
    EXPECT_EQ(Filled_Cells(), 10) << "nothing without score";
    Generate_Block(7);
    Game.stage_lines = 0;
    Clear_Well();
    EXPECT_EQ(Filled_Cells(), 0) << "free at stage_lines 0";
    EXPECT_EQ(Game.element, 7) << "the element is not touched";
}

// The play screen and buttons.
using ButtonScreen = Board;
struct PlayScreen : ::testing::Test {
    void SetUp() override { Use_Game_World(), srand(1), InitGameGraphics(); }
};

int Pixel(int x, int y) { return getpixel(screen, x, y); }

// A 20x20 tile of `colour` drawn masked at (x, y): its transparent top-left
// pixel shows what was beneath. (Later panel fills may cover its outer edge.)
bool Tile_At(int x, int y, int c) { return Pixel(x + 1, y + 1) == c && Pixel(x + 18, y + 18) == c && Pixel(x, y) != c; }

// Whether the counter at `y` shows exactly `value` in colour 5, as the
// built-in font draws it ending at x 550, and nothing else up to x 580.
bool Counter_Shows(int y, const char *value)
{
    BITMAP *expected = create_bitmap(screen->w, screen->h);
    clear_to_color(expected, 0);
    textout(expected, font, value, 550 - text_length(font, value), y, 5);
    bool same = true;
    for (int py = y; py < y + text_height(font); py++)
        for (int px = 360; px < 580; px++)
            same = same && (getpixel(expected, px, py) == 5) == (Pixel(px, py) == 5);
    destroy_bitmap(expected);
    return same;
}

TEST_F(PlayScreen, LaterFramesAndPanelsCoverEarlierOnes)
{
    const int tl = Object_Colour(DAT_FRAME_TOP_LEFT), br = Object_Colour(DAT_FRAME_BOTTOM_RIGHT);
    const int bl = Object_Colour(DAT_FRAME_BOTTOM_LEFT), v = Object_Colour(DAT_FRAME_VERTICAL);
    // The title's corners come last; the counters' sides, ending at y 120, lie
    // over their bottom corners at y 135; the pattern starts at (0, 0) and the
    // panels are filled with 0 over the frames' inner edges.
    const struct { int x, y, colour; } pixels[] = {
        {461, 166, tl}, {598, 243, br}, {345, 137, v}, {585, 137, v}, {345, 150, bl}, {590, 150, br},
        {0, 0, PATTERN_COLOUR_A}, {8, 0, PATTERN_COLOUR_B}, {360, 135, 0}, {579, 280, 0}, {480, 185, 0}};
    for (auto p : pixels)
        EXPECT_EQ(Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST_F(PlayScreen, WellPreviewAndCountersAtTheirPositions)
{
    Map_Cell(0, 19) = 3, Map_Cell(9, 0) = 8;
    Map_Cell(4, 10) = 9, Map_Cell(5, 10) = -1; // outside 1..8: left blank
    Generate_Block(7);
    Game.x = 2, Game.y = 5;
    Draw_Map();
    EXPECT_TRUE(Tile_At(40, 420, TILE_COLOUR_BASE + 3));
    EXPECT_TRUE(Tile_At(220, 40, TILE_COLOUR_BASE + 8));
    EXPECT_EQ(Pixel(40, 420), 0) << "the buffer is cleared to 0 beneath masked tiles";
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(Tile_At(40 + 20 * (2 + i), 140, TILE_COLOUR_BASE + 7));
    for (auto [x, y] : {std::pair{130, 250}, {150, 250}, {239, 439}}) // cells 9 and -1, the well's last pixel
        EXPECT_EQ(Pixel(x, y), 0) << x << "," << y;
    EXPECT_NE(Pixel(240, 439), 0) << "the frame begins right of the well";
    // The preview, copied opaquely: the tiles' transparent corner shows.
    int next = Game.next_element;
    Generate_Block(next);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 2; j++) {
            EXPECT_EQ(Pixel(370 + 20 * i, 195 + 20 * j),
                      Block_Cell(i, j) ? TILE_COLOUR_BASE + next : Object_Colour(DAT_PREVIEW_EMPTY));
            EXPECT_EQ(Pixel(360 + 20 * i, 185 + 20 * j), 0);
        }

    // Counters end at x 550, measured in the built-in font; eight digits grow to the left.
    Game.score = 1234567, Game.stage_lines = 79, Game.lines = 8, Game.pieces = 12345678;
    Draw_Map();
    const struct { int y; const char *value; } counters[] = {{42, "1234567"}, {66, "7"}, {90, "8"}, {114, "12345678"}};
    for (auto c : counters)
        EXPECT_TRUE(Counter_Shows(c.y, c.value)) << c.value;
    Game.score = 5; // the opaque background wipes the old value where the new text lies
    Draw_Map();
    EXPECT_TRUE(Counter_Shows(42, "5"));
}

TEST_F(ButtonScreen, DrawFrameCornersMouseInBoxEdgesAndClicks)
{
    DrawFrame(10, 20, 60, 50, 3, 4);
    const struct { int x, y, colour; } pixels[] = {
        {10, 20, 3}, {60, 50, 4}, {10, 50, 3}, {11, 49, 3}, {60, 20, 4}, {59, 21, 4}, {30, 21, 3}, {30, 49, 4},
        {30, 30, 0}, {12, 30, 0}}; // the verticals end on the corners; two pixels of bevel only
    for (auto p : pixels)
        EXPECT_EQ(Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    const struct { int x, y, inside; } mice[] = {
        {10, 30, 0}, {11, 30, -1}, {60, 30, 0}, {59, 30, -1}, {30, 20, 0}, {30, 21, -1}, {30, 50, 0}, {30, 49, -1}};
    for (auto m : mice) {
        mouse_x = m.x, mouse_y = m.y;
        EXPECT_EQ(mouseinbox(10, 20, 60, 50), m.inside) << m.x << "," << m.y;
    }
    Button overlong("0123456789012345678901234567890123", 0, 0, 10, 10, 1, 2, NULL);
    EXPECT_EQ(strlen(overlong.name), 27u) << "labels are cut, not overflowed";
    Button button("Credits", 200, 260, 440, 290, 15, 25, NULL);
    mouse_x = 300, mouse_y = 275, mouse_b = 2; // right button
    EXPECT_EQ(button.Clicked(), 0);
    mouse_x = 200, mouse_b = 1; // on the edge
    EXPECT_EQ(button.Clicked(), 0);
    EXPECT_EQ(Pixel(300, 275), 0) << "nothing drawn";
    // Clicked tracks the mouse until it is let go; the other thread waits for
    // each drawing it needs, within a generous bound.
    auto drawn = [](int colour) {
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30); Pixel(200, 260) != colour;)
            if (std::chrono::steady_clock::now() > end)
                return false;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    };
    for (int release_x : {310, 500}) {
        mouse_x = 300, mouse_b = 1;
        bool held = false, left = false;
        std::thread release([&, release_x] {
            held = drawn(15);
            mouse_x = release_x;
            left = release_x == 310 || drawn(25);
            mouse_b = 0;
        });
        EXPECT_EQ(button.Clicked(), release_x == 310 ? -1 : 0) << release_x;
        release.join();
        EXPECT_TRUE(held) << "drawn pressed while held";
        EXPECT_TRUE(left) << "drawn raised once the mouse leaves";
        EXPECT_EQ(button.pressed, 0);
        EXPECT_EQ(Pixel(200, 260), 25) << "redrawn raised: col2 above and left";
        EXPECT_EQ(Pixel(440, 290), 15);
    }
}

} // namespace
