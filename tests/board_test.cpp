// The rules of the well, through the operations the play loop calls.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "app/app.h"
#include "game/game.h"
#include "support/game_world.h"

namespace {

using Shape = std::set<std::pair<int, int>>;

class Board : public ::testing::Test {
protected:
    void SetUp() override { Use_Game_World(); }
};

Shape Block_Shape(int *value = nullptr)
{
    Shape shape;
    for (int i = 0; i < BLOCK_SIZE; i++) {
        for (int j = 0; j < BLOCK_SIZE; j++) {
            if (Block_Cell(i, j) != 0) {
                shape.insert({i, j});
                if (value != nullptr) {
                    *value = Block_Cell(i, j);
                }
            }
        }
    }
    return shape;
}

Shape Shape_Of(int code)
{
    Generate_Block(code);
    return Block_Shape();
}

// A quarter turn clockwise, moved back against the top-left corner.
Shape Turned_Clockwise(const Shape &shape)
{
    int height = 0;
    for (auto [i, j] : shape) {
        height = std::max(height, j + 1);
    }
    Shape turned;
    int min_i = 99, min_j = 99;
    for (auto [i, j] : shape) {
        turned.insert({height - 1 - j, i});
        min_i = std::min(min_i, height - 1 - j);
        min_j = std::min(min_j, i);
    }
    Shape placed;
    for (auto [i, j] : turned) {
        placed.insert({i - min_i, j - min_j});
    }
    return placed;
}

void Fill_Row(int y, int gap_column = -1)
{
    for (int x = 0; x < MAP_W; x++) {
        Map_Cell(x, y) = x == gap_column ? 0 : 5;
    }
}

int Filled_Cells(void)
{
    int count = 0;
    for (int v : Game.map) {
        count += v != 0;
    }
    return count;
}

TEST_F(Board, CellsAreStoredColumnByColumn)
{
    Map_Cell(2, 5) = 7;
    Block_Cell(1, 2) = 4;
    EXPECT_EQ(Game.map[2 * 20 + 5], 7);
    EXPECT_EQ(Game.block[1 * 4 + 2], 4);
}

TEST_F(Board, EveryCodeHasFourCellsOfItsElementNumberAndItsExtent)
{
    for (int rotation = 0; rotation < 4; rotation++) {
        for (int element = 1; element <= ELEMENT_COUNT; element++) {
            int code = element + 10 * rotation;
            int value = 0;
            Generate_Block(code);
            Shape shape = Block_Shape(&value);
            SCOPED_TRACE(code);
            ASSERT_EQ(shape.size(), 4u);
            EXPECT_EQ(value, element);
            EXPECT_EQ(Game.element, code);
            int width = 0, height = 0;
            for (auto [i, j] : shape) {
                width = std::max(width, i + 1);
                height = std::max(height, j + 1);
            }
            EXPECT_EQ(Game.width, width);
            EXPECT_EQ(Game.height, height);
            if (rotation == 0) {
                EXPECT_LE(height, 2) << "an element enters within block rows 0 and 1";
            }
        }
    }
}

TEST_F(Board, EachRotationIsAQuarterTurnClockwiseOfThePrevious)
{
    for (int element = 1; element <= ELEMENT_COUNT; element++) {
        for (int rotation = 0; rotation < 4; rotation++) {
            int next = (rotation + 1) % 4;
            EXPECT_EQ(Shape_Of(element + 10 * next), Turned_Clockwise(Shape_Of(element + 10 * rotation)))
                << "element " << element << " rotation " << rotation;
        }
    }
}

TEST_F(Board, EntryShapesOfTheSevenForms)
{
    EXPECT_EQ(Shape_Of(1), (Shape{{1, 0}, {2, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(Shape_Of(2), (Shape{{0, 0}, {1, 0}, {1, 1}, {2, 1}}));
    EXPECT_EQ(Shape_Of(3), (Shape{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(Shape_Of(4), (Shape{{1, 0}, {0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(Shape_Of(5), (Shape{{2, 0}, {0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(Shape_Of(6), (Shape{{0, 0}, {0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(Shape_Of(7), (Shape{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(Shape_Of(8), Shape_Of(7));
}

TEST_F(Board, GenerateBlockLeavesThePositionAlone)
{
    Game.x = 6;
    Game.y = 11;
    Generate_Block(25);
    EXPECT_EQ(Game.x, 6);
    EXPECT_EQ(Game.y, 11);
}

TEST(BoardDeath, UnknownElementEndsTheProgramWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int code : {0, 9, 10, 19, 39, 40, -1}) {
        EXPECT_EXIT(
            {
                Use_Game_World();
                Generate_Block(code);
            },
            ::testing::ExitedWithCode(1), "")
            << code;
    }
}

TEST_F(Board, RotationCyclesThroughFourCodesBackToTheStart)
{
    for (int element = 1; element <= ELEMENT_COUNT; element++) {
        memset(Game.map, 0, sizeof Game.map);
        Generate_Block(element);
        Game.x = 3;
        Game.y = 5;
        Shape start = Block_Shape();
        std::vector<int> codes;
        for (int turn = 0; turn < 4; turn++) {
            Rotate_Block();
            codes.push_back(Game.element);
        }
        EXPECT_EQ(codes, (std::vector<int>{element + 10, element + 20, element + 30, element}));
        EXPECT_EQ(Block_Shape(), start);
        EXPECT_EQ(Game.x, 3);
        EXPECT_EQ(Game.y, 5);
    }
}

TEST_F(Board, SquareKeepsItsCellsWhileItsCodeTurns)
{
    Generate_Block(3);
    Game.x = 0;
    Game.y = 0;
    Shape square = Block_Shape();
    for (int expected : {13, 23, 33, 3}) {
        Rotate_Block();
        EXPECT_EQ(Game.element, expected);
        EXPECT_EQ(Block_Shape(), square);
    }
}

TEST_F(Board, RotationThatWouldLeaveTheWellIsRefused)
{
    Generate_Block(17); // vertical straight
    Game.x = 9;
    Game.y = 4;
    int before[16];
    memcpy(before, Game.block, sizeof before);
    Rotate_Block();
    EXPECT_EQ(Game.element, 17);
    EXPECT_EQ(0, memcmp(before, Game.block, sizeof before));
    EXPECT_EQ(Game.width, 1);
    EXPECT_EQ(Game.height, 4);
    EXPECT_EQ(Game.x, 9);
}

TEST_F(Board, RotationOntoAFilledCellIsRefusedAndThereIsNoWallKick)
{
    Generate_Block(7); // horizontal straight at row 10
    Game.x = 2;
    Game.y = 10;
    Map_Cell(2, 12) = 1; // under the turned element's third cell
    Rotate_Block();
    EXPECT_EQ(Game.element, 7);
    EXPECT_EQ(Block_Shape(), Shape_Of(7));
    Map_Cell(2, 12) = 0;
    Generate_Block(7);
    Rotate_Block();
    EXPECT_EQ(Game.element, 17);
    EXPECT_EQ(Game.x, 2);
}

TEST_F(Board, CanPutTestsWallsFloorAndFilledCellsOfFilledBlockCellsOnly)
{
    Generate_Block(17); // column 0 of the block only
    Game.y = 0;
    Game.x = 9;
    EXPECT_EQ(Can_Put(), -1) << "empty block columns may hang outside";
    Game.x = 10;
    EXPECT_EQ(Can_Put(), 0);
    Game.x = -1;
    EXPECT_EQ(Can_Put(), 0);
    Game.x = 0;
    Game.y = 16;
    EXPECT_EQ(Can_Put(), -1);
    Game.y = 17;
    EXPECT_EQ(Can_Put(), 0) << "row 20 is below the floor";
    Game.y = 16;
    Map_Cell(0, 19) = 8;
    EXPECT_EQ(Can_Put(), 0);
}

TEST_F(Board, PutBlockCopiesTheElementAndCountsIt)
{
    Generate_Block(4);
    Game.x = 3;
    Game.y = 18;
    Put_Block();
    EXPECT_EQ(Map_Cell(4, 18), 4);
    EXPECT_EQ(Map_Cell(3, 19), 4);
    EXPECT_EQ(Map_Cell(4, 19), 4);
    EXPECT_EQ(Map_Cell(5, 19), 4);
    EXPECT_EQ(Filled_Cells(), 4);
    EXPECT_EQ(Game.pieces, 1);
    EXPECT_EQ(Game.score, 30);
    EXPECT_EQ(Game.lines, 0);
}

TEST_F(Board, RemovingARowDropsEverythingAboveAndRescansTheSameRow)
{
    Fill_Row(19);
    Fill_Row(18, 4);
    Map_Cell(7, 17) = 2;
    Delete_Row();
    EXPECT_EQ(Game.lines, 1);
    EXPECT_EQ(Map_Cell(4, 19), 0) << "the former row 18 now lies in row 19";
    EXPECT_EQ(Map_Cell(0, 19), 5);
    EXPECT_EQ(Map_Cell(7, 18), 2);
    EXPECT_EQ(Filled_Cells(), 10);
}

TEST_F(Board, TwoRowsThatAreNotNeighboursGoInOnePlacement)
{
    Fill_Row(19);
    Fill_Row(18, 0);
    Fill_Row(17);
    Map_Cell(3, 16) = 6;
    Game.stage_lines = 0;
    Delete_Row();
    EXPECT_EQ(Game.lines, 2);
    EXPECT_EQ(Game.stage_lines, 2);
    EXPECT_EQ(Map_Cell(0, 19), 0);
    EXPECT_EQ(Map_Cell(1, 19), 5);
    EXPECT_EQ(Map_Cell(3, 18), 6);
    EXPECT_EQ(Game.score, 2 * 125 + 0 - 25 + 30);
}

TEST_F(Board, RowZeroIsNeverRemovedAndIsCopiedIntoRowOne)
{
    Fill_Row(0);
    Delete_Row();
    EXPECT_EQ(Game.lines, 0);
    EXPECT_EQ(Filled_Cells(), 10);

    Use_Game_World();
    Map_Cell(2, 0) = 3;
    Fill_Row(19);
    Delete_Row();
    EXPECT_EQ(Game.lines, 1);
    EXPECT_EQ(Map_Cell(2, 0), 3);
    EXPECT_EQ(Map_Cell(2, 1), 3);
}

TEST_F(Board, ScoringExamples)
{
    Game.stage_lines = 0;
    Fill_Row(19);
    Delete_Row();
    EXPECT_EQ(Game.score, 130) << "one row from stage_lines 0";

    Use_Game_World();
    Game.stage_lines = 36;
    for (int y = 16; y < 20; y++) {
        Fill_Row(y);
    }
    Delete_Row();
    EXPECT_EQ(Game.lines, 4);
    EXPECT_EQ(Game.stage_lines, 40);
    EXPECT_EQ(Game.score, 605);
    EXPECT_EQ(Game.delay, 55 - 2 * 4);

    Use_Game_World();
    Game.stage_lines = 30;
    Delete_Row();
    EXPECT_EQ(Game.score, 30) << "a placement that removes nothing";
    EXPECT_EQ(Game.delay, 49);
    EXPECT_EQ(Game.pieces, 1);
}

TEST_F(Board, FallIntervalShrinksByTwoAStageAndStopsAtTwo)
{
    const std::pair<int, int> cases[] = {{0, 55}, {9, 55}, {10, 53}, {260, 3}, {269, 3}, {270, 2}, {500, 2}};
    for (auto [stage_lines, delay] : cases) {
        Game.stage_lines = stage_lines;
        Delete_Row();
        EXPECT_EQ(Game.delay, delay) << stage_lines;
    }
}

TEST_F(Board, NewElementEntersAtColumnThreeRowZeroAndDrawsTheNextOne)
{
    srand(7);
    Game.next_element = 5;
    Game.stage_lines = 23;
    Generate_New();
    srand(7);
    int expected_next = rand() % 8 + 1;
    EXPECT_EQ(Game.element, 5);
    EXPECT_EQ(Game.next_element, expected_next);
    EXPECT_EQ(Game.x, 3);
    EXPECT_EQ(Game.y, 0);
    EXPECT_EQ(Game.stage, 2);
    EXPECT_EQ(end_game, 0);
    // The preview: the next element's tile where its cells are, the empty
    // tile elsewhere, copied opaquely (the tiles' transparent corner shows).
    Shape next = Shape_Of(expected_next);
    Generate_Block(5);
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 2; j++) {
            int colour = next.count({i, j}) ? TILE_COLOUR_BASE + expected_next : Object_Colour(DAT_PREVIEW_EMPTY);
            EXPECT_EQ(getpixel(screen, 365 + 20 * i, 190 + 20 * j), colour) << i << "," << j;
            EXPECT_EQ(getpixel(screen, 360 + 20 * i, 185 + 20 * j), 0);
        }
    }
}

TEST_F(Board, BlockedEntryEndsTheGameWithoutPlacingTheElement)
{
    Game.next_element = 3; // square: cells (3,0) (4,0) (3,1) (4,1)
    Map_Cell(4, 1) = 2;
    Generate_New();
    EXPECT_EQ(end_game, -1);
    EXPECT_EQ(Filled_Cells(), 1);

    Use_Game_World();
    Game.next_element = 3;
    Map_Cell(5, 0) = 2; // beside the square, not under it
    Generate_New();
    EXPECT_EQ(end_game, 0);
}

TEST_F(Board, StartingRowsFillOnlyTheBottomRowsWithOnes)
{
    srand(3);
    Add_Starting_Rows(4);
    int filled = 0;
    for (int y = 0; y < MAP_H; y++) {
        for (int x = 0; x < MAP_W; x++) {
            int v = Map_Cell(x, y);
            if (y < 16) {
                EXPECT_EQ(v, 0);
            } else {
                EXPECT_TRUE(v == 0 || v == 1);
                filled += v;
            }
        }
    }
    EXPECT_GT(filled, 5);
    EXPECT_LT(filled, 35);
    // One draw per cell, bottom row first, left to right.
    srand(3);
    for (int y = 19; y >= 16; y--) {
        for (int x = 0; x < MAP_W; x++) {
            EXPECT_EQ(Map_Cell(x, y), rand() % 2 != 0 ? 1 : 0) << x << "," << y;
        }
    }
    Use_Game_World();
    Add_Starting_Rows(0);
    EXPECT_EQ(Filled_Cells(), 0);
}

TEST_F(Board, AFullStartingRowIsRemovedAndScoredByTheFirstPlacement)
{
    Fill_Row(19);
    for (int x = 0; x < MAP_W; x++) {
        Map_Cell(x, 19) = 1;
    }
    Game.stage_lines = 0;
    Generate_Block(17);
    Game.x = 0;
    Game.y = 0;
    Put_Block();
    EXPECT_EQ(Game.lines, 1);
    EXPECT_EQ(Game.score, 130);
}

TEST_F(Board, TwoFreshRunsDealTheSameGame)
{
    std::vector<int> runs[2];
    for (auto &run : runs) {
        srand(1); // the library's start-up state: the game never seeds
        Use_Game_World();
        start_blocks = 5;
        start_level = 2;
        Begin_Game();
        run.assign(Game.map, Game.map + 200);
        for (int piece = 0; piece < 30; piece++) {
            Game.y = 0;
            run.push_back(Game.element);
            run.push_back(Game.next_element);
            memset(Game.map, 0, sizeof Game.map);
            Generate_New();
        }
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(Game.stage_lines, 20);
}

TEST_F(Board, GameStartSetsCountersSpeedAndTheFirstElement)
{
    Game.score = 999;
    Game.lines = 12;
    Game.pieces = 40;
    end_game = -1;
    start_level = 3;
    Begin_Game();
    EXPECT_EQ(Game.score, 0);
    EXPECT_EQ(Game.lines, 0);
    EXPECT_EQ(Game.pieces, 0);
    EXPECT_EQ(end_game, 0);
    EXPECT_EQ(Game.stage_lines, 30);
    EXPECT_EQ(Game.delay, 49);
    EXPECT_EQ(Game.stage, 0) << "the first element enters while stage_lines is still 1";
    EXPECT_EQ(Game.x, 3);
    EXPECT_GE(Game.element, 1);
    EXPECT_LE(Game.element, 8);
}

TEST_F(Board, ClearingTheWellCostsFiveTimesStageLinesPerCell)
{
    Map_Cell(9, 19) = 1;
    Map_Cell(0, 19) = 1;
    Map_Cell(5, 2) = 1;
    Map_Cell(1, 2) = 1;
    Game.stage_lines = 1;
    Game.score = 12;
    Clear_Well();
    // Row by row, left to right: (1,2) and (5,2) are bought, then the score runs out.
    EXPECT_EQ(Game.score, 0);
    EXPECT_EQ(Map_Cell(1, 2), 0);
    EXPECT_EQ(Map_Cell(5, 2), 0);
    EXPECT_EQ(Map_Cell(0, 19), 1);
    EXPECT_EQ(Map_Cell(9, 19), 1);
}

TEST_F(Board, ClearingTheWellIsFreeAtStageLinesZeroAndImpossibleWithoutScore)
{
    Fill_Row(19);
    Fill_Row(12, 3);
    Generate_Block(7);
    Game.stage_lines = 0;
    Game.score = 0;
    Clear_Well();
    EXPECT_EQ(Filled_Cells(), 0);
    EXPECT_EQ(Game.score, 0);
    EXPECT_EQ(Game.element, 7) << "the element is not touched";

    Fill_Row(19);
    Game.stage_lines = 4;
    Clear_Well();
    EXPECT_EQ(Filled_Cells(), 10);
}

TEST_F(Board, RecordsFromOutsidePlayNeverWriteOrReadOutsideTheWell)
{
    Generate_Block(27);
    Game.x = -2;
    Game.y = 18;
    EXPECT_EQ(Can_Put(), 0);
    Put_Block();
    EXPECT_EQ(Map_Cell(0, 18), 7);
    EXPECT_EQ(Map_Cell(1, 18), 7);
    EXPECT_EQ(Filled_Cells(), 2);
    Game.x = 3;
    Game.y = -1;
    EXPECT_EQ(Can_Put(), 0) << "a row above the well does not fit";
    Game.x = 1000000;
    Game.y = 1000000;
    Put_Block();
    Draw_Map();
    EXPECT_EQ(Filled_Cells(), 2);
}

} // namespace
