// The rules of the well, through the operations the play loop calls.
#include <gtest/gtest.h>

#include <set>
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
    for (int i = 0; i < BLOCK_SIZE; i++)
        for (int j = 0; j < BLOCK_SIZE; j++)
            if (Block_Cell(i, j) != 0)
                shape.insert({i, j});
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
        const int element = code % 10;
        Shape shape = Shape_Of(code), turned;
        EXPECT_EQ(Game.element, code);
        EXPECT_TRUE(code > 10 || shape == entry[code - 1]) << code;
        for (auto [i, j] : shape) { // a quarter turn clockwise, against the top-left corner
            EXPECT_EQ(Block_Cell(i, j), element) << code;
            turned.insert({Game.height - 1 - j, i});
        }
        EXPECT_EQ(Shape_Of(code >= 30 ? element : code + 10), turned) << code;
    }
    EXPECT_EQ(Game.x * 100 + Game.y, 611) << "the position is left alone";
}

TEST(BoardDeath, UnknownElementEndsTheProgramWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int code : {0, 9, 10, 40, -1})
        EXPECT_EXIT((Use_Game_World(), Generate_Block(code)), ::testing::ExitedWithCode(1), "") << code;
}

TEST_F(Board, RotationCyclesAndIsRefusedWhereTheTurnedElementDoesNotFit)
{
    for (int element = 1; element <= ELEMENT_COUNT; element++) {
        Generate_Block(element);
        Game.x = 3, Game.y = 5;
        for (int turn = 1; turn <= 4; turn++, Rotate_Block())
            EXPECT_EQ(Game.element, element + 10 * (turn - 1));
        EXPECT_EQ(Game.element * 10000 + Game.x * 100 + Game.y, element * 10000 + 305);
    }
    Generate_Block(17); // vertical straight against the right wall
    Game.x = 9, Game.y = 4;
    Rotate_Block();
    EXPECT_EQ(Game.element * 100 + Game.width * 10 + Game.height, 1714) << "the old block is restored";
    Generate_Block(7); // the turn would cover (2, 12); there is no wall kick
    Game.x = 2, Game.y = 10;
    Map_Cell(2, 12) = 1;
    Rotate_Block();
    EXPECT_EQ(Game.element, 7);
    Map_Cell(2, 12) = 0;
    Rotate_Block();
    EXPECT_EQ(Game.element * 100 + Game.x, 1702);
}

TEST_F(Board, CanPutAndPutBlockStayInsideTheWell)
{
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
    EXPECT_EQ(Filled_Cells(), 3);
}

TEST_F(Board, RowScanRemovesNonAdjacentRowsButNeverRowZero)
{
    Fill_Row(0);
    Delete_Row();
    EXPECT_EQ(Game.lines * 100 + Filled_Cells(), 10);

    Use_Game_World();
    Fill_Row(19), Fill_Row(18, 0), Fill_Row(17);
    Map_Cell(3, 16) = 6, Map_Cell(2, 0) = 3;
    Delete_Row();
    EXPECT_EQ(Game.lines * 10 + Game.stage_lines, 22);
    EXPECT_EQ(Map_Cell(0, 19) * 10 + Map_Cell(1, 19), 5) << "the former row 18 lies in row 19";
    EXPECT_EQ(Map_Cell(3, 18), 6);
    EXPECT_EQ(Map_Cell(2, 0) + Map_Cell(2, 1) + Map_Cell(2, 2), 9) << "row 0 stays and is copied down each time";
    EXPECT_EQ(Filled_Cells(), 9 + 1 + 3);
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
        SCOPED_TRACE(c.stage_lines * 10 + c.rows);
        EXPECT_EQ(Game.score, c.score);
        EXPECT_EQ(Game.lines * 1000 + Game.stage_lines, c.rows * 1000 + c.stage_lines + c.rows);
        EXPECT_EQ(Game.delay, c.delay);
        EXPECT_EQ(Game.pieces, 1);
    }
    Use_Game_World(); // a placement that completes a row scores it
    Fill_Row(19, 0), Fill_Row(18, 0);
    Generate_Block(4); // T pointing up: (1,0) (0,1) (1,1) (2,1)
    Game.x = 0, Game.y = 18;
    Put_Block();
    EXPECT_EQ(Game.lines * 1000 + Game.score + Map_Cell(1, 19), 1134) << "the T's top cell dropped into row 19";
}

TEST_F(Board, NewElementsEnterAtColumnThreeUnlessBlocked)
{
    srand(7);
    Game.next_element = 5, Game.stage_lines = 23;
    Generate_New();
    srand(7);
    EXPECT_EQ(Game.next_element, rand() % 8 + 1);
    EXPECT_EQ(Game.element * 1000 + Game.x * 100 + Game.y * 10 + Game.stage, 5302);
    for (int x : {5, 4}) { // the square covers (3,0) (4,0) (3,1) (4,1)
        Use_Game_World();
        Game.next_element = 3;
        Map_Cell(x, 1) = 2;
        Generate_New();
        EXPECT_EQ(end_game, x == 4 ? -1 : 0);
        EXPECT_EQ(Filled_Cells(), 1) << "a blocked element is not placed";
    }
}

TEST_F(Board, StartingRowsAndTwoFreshRunsDealTheSameGame)
{
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
        EXPECT_EQ(Game.score | Game.lines | Game.pieces | end_game, 0);
        EXPECT_EQ(Game.stage_lines * 100 + Game.delay, 3049);
        EXPECT_EQ(Game.stage, 0) << "the first element enters while stage_lines is still 1";
        run.assign(Game.map, Game.map + 200);
        for (int piece = 0; piece < 30; piece++, Generate_New()) {
            run.push_back(Game.element);
            run.push_back(Game.next_element);
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
    EXPECT_EQ(Game.score, 0) << "(1,2) and (5,2) are bought, then the score runs out";
    EXPECT_EQ(Map_Cell(1, 2) + Map_Cell(5, 2) + 10 * (Map_Cell(0, 19) + Map_Cell(9, 19)), 20);
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
