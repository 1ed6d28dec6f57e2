// The rules of the well through the operations the play loop calls, and the
// preview of the next element on an 8-bit memory bitmap; the library runs
// without a display, with a datafile built in code. The start of a game, the
// play screen and the buttons are the end-to-end sessions' to see.
#include <errno.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "game/game.h"

namespace {

// Object `index` is a bitmap of colour 110 + index but for a transparent
// top-left pixel, so masked and opaque copies differ.
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
            BITMAP *bmp = create_bitmap(20, 20);
            clear_to_color(bmp, Object_Colour(index));
            putpixel(bmp, 0, 0, 0);
            objects[index] = {bmp, DAT_BITMAP, 0, NULL};
        }
        for (int index : {DAT_FONT_SMALL, DAT_FONT_NUMBERS, DAT_FONT_LARGE})
            objects[index] = {font, DAT_FONT, 0, NULL};
        objects[DAT_OBJECT_COUNT].type = DAT_END;
        data = objects;
        screen = create_bitmap(640, 480);
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

// Each element enters as listed; its other codes are quarter turns clockwise
// against the block's top-left corner.
TEST_F(Board, ShapesEntryFormsAndQuarterTurns)
{
    const Shape entry[ELEMENT_COUNT] = {
        {{1, 0}, {2, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}, {2, 1}},
        {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{1, 0}, {0, 1}, {1, 1}, {2, 1}},
        {{2, 0}, {0, 1}, {1, 1}, {2, 1}}, {{0, 0}, {0, 1}, {1, 1}, {2, 1}},
        {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}};
    for (int element = 1; element <= ELEMENT_COUNT; element++)
        EXPECT_EQ(Shape_Of(element), entry[element - 1]) << element;
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

TEST_F(Board, NewElementsAndThePreview)
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
    int32_t next[BLOCK_SIZE * BLOCK_SIZE];
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

} // namespace
