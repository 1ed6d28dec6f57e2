// The rules of the well through the operations the play loop calls, the
// preview of the next element and the button's clicks, on 8-bit memory
// bitmaps; the library runs without a display, with a datafile built in code.
// Where the play screen's pieces lie is the end-to-end sessions' to see.
#include <errno.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "game/game.h"
#include "support/player_fixture.h"
#include "ui/button.h"

namespace {

// Object `index` is a bitmap of colour 110 + index but for a transparent
// top-left pixel, so masked and opaque copies differ; the patterns are 16x16.
int Object_Colour(int index) { return 110 + index; }

// Sets up once per process, then clears the screen, the record and the settings.
void Use_Game_World(void)
{
    [[maybe_unused]] static bool started = [] {
        static DATAFILE objects[DAT_OBJECT_COUNT + 1];
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            abort();
        set_color_depth(8);
        for (int index = 0; index < DAT_OBJECT_COUNT; index++) {
            int size = index >= DAT_PATTERN_SCREENS && index <= DAT_PATTERN_PLAY ? 16 : 20;
            BITMAP *bmp = create_bitmap(size, size);
            clear_to_color(bmp, Object_Colour(index));
            putpixel(bmp, 0, 0, 0);
            objects[index] = {bmp, DAT_BITMAP, 0, NULL};
        }
        for (int index : {DAT_FONT_SMALL, DAT_FONT_NUMBERS, DAT_FONT_LARGE})
            objects[index] = {font, DAT_FONT, 0, NULL};
        objects[DAT_OBJECT_COUNT].type = DAT_END;
        data = objects;
        screen = create_bitmap(640, 480);
        buffer = create_bitmap(200, 400);
        return true;
    }();
    clear_to_color(screen, 0);
    memset(&Game, 0, sizeof Game);
    end_game = game_time = sound_on = music_on = start_level = start_blocks = 0;
}

struct Board : ::testing::Test {
    void SetUp() override { Use_Game_World(); }
};

using Shape = std::set<std::pair<int, int>>;

Shape Shape_Of(int code)
{
    Generate_Block(code);
    Shape shape;
    for (int i = 0; i < BLOCK_SIZE * BLOCK_SIZE; i++)
        if (Game.block[i] != 0)
            shape.insert({i / BLOCK_SIZE, i % BLOCK_SIZE});
    return shape;
}

void Place(int code, int x, int y)
{
    Generate_Block(code);
    Game.x = x;
    Game.y = y;
}

void Fill_Row(int y, int gap_column = -1)
{
    for (int x = 0; x < MAP_W; x++)
        Map_Cell(x, y) = x == gap_column ? 0 : 5;
}

int Filled_Cells(void)
{
    return (int)(MAP_W * MAP_H - std::count(Game.map, Game.map + MAP_W * MAP_H, 0));
}

int Pixel(int x, int y) { return getpixel(screen, x, y); }

// Every code is a quarter turn clockwise of the one before, against the
// block's top-left corner, and Rotate_Block goes round the four.
TEST_F(Board, ShapesAndQuarterTurns)
{
    Game.x = 6;
    for (int code = 1; code <= 38; code += code % 10 == 8 ? 3 : 1) {
        SCOPED_TRACE(code);
        Shape shape = Shape_Of(code), turned;
        for (auto [i, j] : shape) {
            EXPECT_EQ(Block_Cell(i, j), code % 10);
            turned.insert({Game.height - 1 - j, i});
        }
        Rotate_Block(); // in the open
        EXPECT_EQ(Game.element, code >= 30 ? code - 30 : code + 10);
        EXPECT_EQ(Shape_Of(Game.element), turned);
    }
    EXPECT_EQ(Game.x, 6) << "the position is left alone";
}

TEST(BoardDeath, UnknownElementEndsTheProgramWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int code : {0, 9, 10, 40, -1})
        EXPECT_EXIT((Use_Game_World(), Generate_Block(code)), ::testing::ExitedWithCode(1), "")
            << code;
}

TEST_F(Board, RotationAndPlacementOnlyWhereTheElementFits)
{
    Place(17, 9, 4); // a vertical straight against the right wall
    Rotate_Block();
    EXPECT_EQ(Game.element, 17);
    EXPECT_EQ(Game.height, 4) << "the old block is back";
    Place(7, 2, 10); // the turn would cover (2, 12); there is no wall kick
    Map_Cell(2, 12) = 1;
    Rotate_Block();
    EXPECT_EQ(Game.element, 7);
    Map_Cell(2, 12) = 0;
    Rotate_Block();
    EXPECT_EQ(Game.element, 17);
    Generate_Block(17); // column 0 of the block only: empty columns may hang outside
    Map_Cell(0, 19) = 8;
    const struct { int x, y, fits; } cases[] = {{9, 0, -1}, {10, 0, 0}, {-1, 0, 0}, {0, 15, -1},
                                                {0, 16, 0}, {1, 16, -1}, {1, 17, 0}, {3, -1, 0}};
    for (auto c : cases) {
        Game.x = c.x;
        Game.y = c.y;
        EXPECT_EQ(Can_Put(), c.fits) << c.x << "," << c.y;
    }
}

TEST_F(Board, RowScanRemovesNonAdjacentRowsButNeverRowZero)
{
    Fill_Row(19);
    Fill_Row(18, 0);
    Fill_Row(17, 4);
    Map_Cell(3, 16) = 6;
    Map_Cell(2, 0) = 3;
    Place(17, 4, 16); // a vertical straight in rows 16..19 completes rows 19 and 17
    Put_Block();
    EXPECT_EQ(Game.lines, 2);
    EXPECT_EQ(Map_Cell(0, 19), 0) << "the former row 18 lies in row 19";
    EXPECT_EQ(Map_Cell(1, 19), 5);
    EXPECT_EQ(Map_Cell(3, 18), 6) << "the former row 16 lies in row 18";
    for (int y = 0; y <= 2; y++) // row 0 stays and is copied down at each removal
        EXPECT_EQ(Map_Cell(2, y), 3) << y;
    EXPECT_EQ(Filled_Cells(), 9 + 2 + 3);
}

TEST_F(Board, UnderAFullRowZeroEachFullRowGoesOnceAndTheCopiesStay)
{
    // Each removal copies row 0 into row 1, where a full row 0 stays full.
    const std::vector<int> full_rows[] = {
        {0}, {0, 19}, {0, 18, 19}, {0, 1, 2}, {0, 1, 5, 6, 7, 8, 9, 19}};
    for (const auto &rows : full_rows) {
        SCOPED_TRACE(rows.back());
        Use_Game_World();
        for (int y : rows)
            Fill_Row(y);
        Delete_Row();
        EXPECT_EQ(Game.lines, (int)rows.size() - 1);
        EXPECT_EQ(Filled_Cells(), 10 * (int)rows.size()) << "rows 0 to lines hold row 0";
    }
}

TEST_F(Board, ScoringAndTheFallInterval)
{
    const struct { int stage_lines, rows, score, delay; } cases[] = {
        {0, 0, 30, 55}, {0, 1, 130, 55}, {36, 4, 605, 47}, {30, 0, 30, 49}, {9, 0, 30, 55},
        {10, 0, 30, 53}, {269, 0, 30, 3}, {270, 0, 30, 2}, {500, 0, 30, 2}};
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << c.stage_lines << " stage lines, rows " << c.rows);
        Use_Game_World();
        Game.stage_lines = c.stage_lines;
        for (int y = MAP_H - c.rows; y < MAP_H; y++)
            Fill_Row(y);
        Delete_Row();
        EXPECT_EQ(Game.score, c.score);
        EXPECT_EQ(Game.delay, c.delay);
        EXPECT_EQ(Game.pieces, 1);
    }
    // The counters of a loaded game stop at the top of their range.
    Game.score = INT32_MAX - 10;
    Game.pieces = INT32_MAX;
    Game.stage_lines = INT32_MAX - 1;
    Fill_Row(19);
    Delete_Row();
    EXPECT_EQ(Game.score, INT32_MAX);
    EXPECT_EQ(Game.pieces, INT32_MAX);
    EXPECT_EQ(Game.stage_lines, INT32_MAX);
}

TEST_F(Board, NewElementsThePreviewStartingRowsAndANewGame)
{
    srand(7);
    Game.next_element = 5;
    Game.stage_lines = 23;
    Generate_New();
    srand(7);
    EXPECT_EQ(Game.element, 5);
    EXPECT_EQ(Game.next_element, rand() % 8 + 1);
    EXPECT_EQ(Game.x, 3);
    EXPECT_EQ(Game.y, 0);
    EXPECT_EQ(Game.stage, 2);
    EXPECT_EQ(end_game, 0);
    int32_t next[BLOCK_SIZE * BLOCK_SIZE] = {0};
    Element_Block(Game.next_element, next);
    for (int i = 0; i < BLOCK_SIZE * 2; i++) // copied opaquely: the tiles' corner shows
        EXPECT_EQ(Pixel(361 + 20 * (i / 2), 186 + 20 * (i % 2)),
                  Object_Colour(next[i / 2 * BLOCK_SIZE + i % 2] ? Game.next_element - 1
                                                                   : DAT_PREVIEW_EMPTY)) << i;
    for (int x : {5, 4}) { // the square covers (3,0) (4,0) (3,1) (4,1)
        Use_Game_World();
        Game.next_element = 3;
        Map_Cell(x, 1) = 2;
        Generate_New();
        EXPECT_EQ(end_game, x == 4 ? -1 : 0) << x;
        EXPECT_EQ(Filled_Cells(), 1) << "a blocked element is not placed";
    }
    Use_Game_World();
    srand(3);
    Add_Starting_Rows(4);
    srand(3); // one draw per cell, bottom row first, left to right
    for (int y = MAP_H - 1; y >= 0; y--)
        for (int x = 0; x < MAP_W; x++)
            EXPECT_EQ(Map_Cell(x, y), y >= 16 && rand() % 2 != 0 ? 1 : 0) << x << "," << y;
    Game.score = 999; // a new game after another; its speed: the end-to-end sessions
    Game.lines = 12;
    Game.pieces = 40;
    end_game = -1;
    start_level = 3;
    Begin_Game();
    EXPECT_EQ(Game.score, 0);
    EXPECT_EQ(Game.lines, 0);
    EXPECT_EQ(Game.pieces, 0);
    EXPECT_EQ(end_game, 0);
    EXPECT_EQ(Game.stage, 0) << "the first element enters while stage_lines is still 1";
}

TEST_F(Board, ClearingTheWellBuysCellsRowByRowAtFiveTimesStageLines)
{
    Map_Cell(9, 19) = Map_Cell(0, 19) = Map_Cell(5, 2) = Map_Cell(1, 2) = 1;
    Game.stage_lines = 1;
    Game.score = 12;
    Clear_Well();
    EXPECT_EQ(Game.score, 0);
    EXPECT_EQ(Map_Cell(1, 2), 0);
    EXPECT_EQ(Map_Cell(5, 2), 0);
    EXPECT_EQ(Map_Cell(0, 19), 1) << "the score ran out";
    Game.stage_lines = 0;
    Clear_Well();
    EXPECT_EQ(Filled_Cells(), 0) << "free at stage_lines 0";
}

// A click counts strictly inside the box, and only if the mouse is let go
// there: Clicked owns it until then. The other thread waits for each drawing.
TEST_F(Board, ButtonEdgesAndClicks)
{
    const struct { int x, y, inside; } mice[] = {{10, 30, 0}, {11, 30, -1}, {60, 30, 0},
                                                 {59, 30, -1}, {30, 20, 0}, {30, 21, -1},
                                                 {30, 50, 0}, {30, 49, -1}};
    for (auto m : mice) {
        mouse_x = m.x;
        mouse_y = m.y;
        EXPECT_EQ(mouseinbox(10, 20, 60, 50), m.inside) << m.x << "," << m.y;
    }
    Button button("0123456789012345678901234567890123", 200, 260, 440, 290, 15, 25, NULL);
    EXPECT_EQ(strlen(button.name), 27u) << "labels are cut, not overflowed";
    for (int release_x : {310, 500}) {
        mouse_x = 300;
        mouse_y = 275;
        mouse_b = 1;
        std::thread release([release_x] {
            wait_until([] { return Pixel(200, 260) == 15; }); // drawn pressed
            mouse_x = release_x;
            wait_until([release_x] { return release_x == 310 || Pixel(200, 260) == 25; });
            mouse_b = 0;
        });
        EXPECT_EQ(button.Clicked(), release_x == 310 ? -1 : 0) << release_x;
        release.join();
        EXPECT_EQ(Pixel(200, 260), 25) << "redrawn raised: col2 above and left";
    }
}

} // namespace
