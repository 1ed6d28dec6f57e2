// The rules of the well, through the operations the play loop calls.
#include <gtest/gtest.h>

#include <stdint.h>

#include <set>
#include <tuple>
#include <vector>

#include "support/game_world.h"

namespace {

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
    EXPECT_EQ(Game.x * 100 + Game.y, 611) << "the position is left alone";
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
    // Records loaded from a file may stand anywhere: cells off the map are dropped.
    Generate_Block(27);
    Game.x = -2, Game.y = 18;
    Put_Block();
    EXPECT_EQ(Map_Cell(0, 18) * 10 + Map_Cell(1, 18), 77);
    Game.x = 1000000, Game.y = 1000000;
    Put_Block();
    Draw_Map();
    EXPECT_EQ(std::make_tuple(Filled_Cells(), Game.pieces, Game.score), std::make_tuple(3, 2, 60)) << "each counted";
}

TEST_F(Board, RowScanRemovesNonAdjacentRowsButNeverRowZero)
{
    Fill_Row(0);
    Delete_Row();
    EXPECT_EQ(std::make_tuple(Game.lines, Filled_Cells()), std::make_tuple(0, 10));
    Use_Game_World();
    Fill_Row(19), Fill_Row(18, 0), Fill_Row(17, 4);
    Map_Cell(3, 16) = 6, Map_Cell(2, 0) = 3;
    Generate_Block(17); // a vertical straight in column 4, rows 16..19, completes rows 19 and 17
    Game.x = 4, Game.y = 16;
    Put_Block();
    EXPECT_EQ(std::tie(Game.lines, Game.stage_lines, Game.score), std::make_tuple(2, 2, 255));
    EXPECT_EQ(std::tie(Map_Cell(0, 19), Map_Cell(1, 19), Map_Cell(3, 18)), std::make_tuple(0, 5, 6))
        << "the former rows 18 and 16 lie in rows 19 and 18";
    EXPECT_EQ(Map_Cell(2, 0) + Map_Cell(2, 1) + Map_Cell(2, 2), 9) << "row 0 stays and is copied down each time";
    EXPECT_EQ(Filled_Cells(), 9 + 2 + 3);
}

TEST_F(Board, FullRowZeroCopiedDownIsNotRemovedAgainAndAgain)
{
    // Each removal copies row 0 into row 1: a full row 0 would refill row 1
    // for ever, so the scan stops there and the game goes on.
    Fill_Row(0), Fill_Row(19);
    Delete_Row();
    EXPECT_EQ(Game.lines, 1);
    auto full = [](int y) { return Map_Cell(0, y) && Map_Cell(5, y) && Map_Cell(9, y); };
    EXPECT_EQ(std::make_tuple(full(0), full(1), Map_Cell(0, 19) != 0), std::make_tuple(true, true, false));
    Delete_Row();
    EXPECT_EQ(Game.lines, 1) << "the copy in row 1 is left where it is";
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
    EXPECT_EQ(Filled_Cells() * 100 + Game.element, 7) << "free at stage_lines 0; the element is not touched";
}

} // namespace

TEST_F(Board, CountersOfALoadedGameStopAtTheirLimits)
{
    Game.score = INT32_MAX - 10, Game.pieces = INT32_MAX, Game.stage_lines = INT32_MAX - 1;
    Fill_Row(19);
    Delete_Row();
    EXPECT_EQ(std::make_tuple(Game.score, Game.pieces, Game.stage_lines),
              std::make_tuple(INT32_MAX, INT32_MAX, INT32_MAX));
}
