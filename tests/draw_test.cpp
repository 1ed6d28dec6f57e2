// The play screen's fixed pixels, the button's frame and hit test, drawn on
// an 8-bit memory bitmap standing in for the screen.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/app.h"
#include "game/game.h"
#include "support/game_world.h"
#include "ui/button.h"

namespace {

class PlayScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        Use_Game_World();
        srand(1);
        InitGameGraphics();
    }
};

int Pixel(int x, int y)
{
    return getpixel(screen, x, y);
}

// Whether a 20x20 tile of `colour` lies at (x, y), drawn masked: its
// transparent top-left pixel shows what was beneath. (The panel fills that
// follow the frames may cover a tile's outer row or column.)
bool Tile_At(int x, int y, int colour)
{
    return Pixel(x + 1, y + 1) == colour && Pixel(x + 18, y + 18) == colour && Pixel(x + 10, y + 10) == colour &&
           Pixel(x, y) != colour;
}

bool Row_Has_Colour(int x1, int x2, int y1, int y2, int colour)
{
    for (int y = y1; y <= y2; y++) {
        for (int x = x1; x <= x2; x++) {
            if (Pixel(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(PlayScreen, FrameCornersSitAtTheLayoutPositions)
{
    const int frames[5][4] = {
        {20, 20, 240, 440}, {340, 20, 580, 135}, {340, 165, 440, 225}, {460, 165, 580, 225}, {340, 260, 580, 440}};
    for (const auto &f : frames) {
        SCOPED_TRACE(f[0] * 1000 + f[1]);
        EXPECT_TRUE(Tile_At(f[0], f[1], Object_Colour(DAT_FRAME_TOP_LEFT)));
        EXPECT_TRUE(Tile_At(f[2], f[1], Object_Colour(DAT_FRAME_TOP_RIGHT)));
        if (f[3] != 135) { // the counters' bottom corners are partly covered (next test)
            EXPECT_TRUE(Tile_At(f[0], f[3], Object_Colour(DAT_FRAME_BOTTOM_LEFT)));
            EXPECT_TRUE(Tile_At(f[2], f[3], Object_Colour(DAT_FRAME_BOTTOM_RIGHT)));
        }
    }
}

TEST_F(PlayScreen, EdgeRunsCoverBothEndsAndLaterTilesWin)
{
    int horizontal = Object_Colour(DAT_FRAME_HORIZONTAL);
    int vertical = Object_Colour(DAT_FRAME_VERTICAL);
    EXPECT_TRUE(Tile_At(40, 20, horizontal));
    EXPECT_TRUE(Tile_At(220, 440, horizontal));
    EXPECT_TRUE(Tile_At(20, 40, vertical));
    EXPECT_TRUE(Tile_At(240, 420, vertical));
    EXPECT_TRUE(Tile_At(360, 260, horizontal));
    EXPECT_TRUE(Tile_At(560, 440, horizontal));
    EXPECT_TRUE(Tile_At(580, 280, vertical));
    EXPECT_TRUE(Tile_At(340, 420, vertical));
    EXPECT_TRUE(Tile_At(420, 225, horizontal));
    EXPECT_TRUE(Tile_At(440, 205, vertical));
    // The counters' sides end at y 120 (tiles reach 139); their bottom
    // corners at y 135, drawn earlier, lie beneath them.
    EXPECT_EQ(Pixel(345, 137), vertical);
    EXPECT_EQ(Pixel(585, 137), vertical);
    EXPECT_EQ(Pixel(345, 150), Object_Colour(DAT_FRAME_BOTTOM_LEFT));
    EXPECT_EQ(Pixel(590, 150), Object_Colour(DAT_FRAME_BOTTOM_RIGHT));
    // The legend panel's fill covers the bottom edge's top row.
    EXPECT_EQ(Pixel(565, 440), 0);
    // The title's edges come after the preview's top-right corner at 440..459
    // and its own corners come last of all.
    EXPECT_TRUE(Tile_At(460, 165, Object_Colour(DAT_FRAME_TOP_LEFT)));
    EXPECT_TRUE(Tile_At(580, 225, Object_Colour(DAT_FRAME_BOTTOM_RIGHT)));
    EXPECT_TRUE(Tile_At(480, 165, horizontal));
    EXPECT_TRUE(Tile_At(560, 225, horizontal));
}

TEST_F(PlayScreen, BackgroundIsThePatternAndThePanelsAreFilledBlack)
{
    int a = PATTERN_COLOUR_A;
    int b = PATTERN_COLOUR_B;
    EXPECT_EQ(Pixel(0, 0), a);
    EXPECT_EQ(Pixel(8, 0), b);
    EXPECT_EQ(Pixel(300, 10), (300 / 8 + 10 / 8) % 2 ? b : a);
    EXPECT_EQ(Pixel(639, 479), a);
    EXPECT_EQ(Pixel(300, 460), (300 / 8 + 460 / 8) % 2 ? b : a);
    // Counters, legend and title panels: colour 0 in the corners the text leaves alone.
    EXPECT_EQ(Pixel(360, 135), 0);
    EXPECT_EQ(Pixel(579, 134), 0);
    EXPECT_EQ(Pixel(579, 280), 0);
    EXPECT_EQ(Pixel(360, 440), 0);
    EXPECT_EQ(Pixel(480, 185), 0);
    EXPECT_EQ(Pixel(579, 224), 0);
}

TEST_F(PlayScreen, TitleLegendAndLabelsAreDrawnInTheirColours)
{
    EXPECT_TRUE(Row_Has_Colour(505, 560, 190, 197, 5));
    EXPECT_TRUE(Row_Has_Colour(500, 572, 205, 212, 5));
    EXPECT_TRUE(Row_Has_Colour(365, 516, 282, 289, 86));
    EXPECT_TRUE(Row_Has_Colour(381, 580, 292, 299, 54));
    EXPECT_TRUE(Row_Has_Colour(365, 580, 302, 309, 176));
    EXPECT_TRUE(Row_Has_Colour(493, 580, 432, 439, 54));
    EXPECT_FALSE(Row_Has_Colour(360, 580, 272, 279, 86));
    EXPECT_TRUE(Row_Has_Colour(365, 420, 42, 49, 65));
    EXPECT_TRUE(Row_Has_Colour(365, 420, 114, 121, 65));
}

TEST_F(PlayScreen, WellCellsAndTheElementAreDrawnMaskedFromFortyForty)
{
    memset(Game.map, 0, sizeof Game.map);
    Map_Cell(0, 19) = 3;
    Map_Cell(9, 0) = 8;
    Map_Cell(4, 10) = 9;  // outside 1..8: left blank
    Map_Cell(5, 10) = -1;
    Generate_Block(7);
    Game.x = 2;
    Game.y = 5;
    Draw_Map();
    EXPECT_TRUE(Tile_At(40, 420, TILE_COLOUR_BASE + 3));
    EXPECT_TRUE(Tile_At(220, 40, TILE_COLOUR_BASE + 8));
    EXPECT_EQ(Pixel(40, 420), 0) << "the buffer is cleared to 0 beneath masked tiles";
    for (int i = 0; i < 4; i++) {
        EXPECT_TRUE(Tile_At(40 + 20 * (2 + i), 40 + 20 * 5, TILE_COLOUR_BASE + 7));
    }
    EXPECT_EQ(Pixel(130, 250), 0);
    EXPECT_EQ(Pixel(150, 250), 0);
    EXPECT_EQ(Pixel(239, 439), 0);
    EXPECT_NE(Pixel(240, 439), 0) << "the frame begins right of the well";
}

TEST_F(PlayScreen, PreviewShowsTheNextElementInItsFourByTwoCells)
{
    int next = Game.next_element;
    Generate_Block(next);
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 2; j++) {
            int colour = Block_Cell(i, j) ? TILE_COLOUR_BASE + next : Object_Colour(DAT_PREVIEW_EMPTY);
            EXPECT_EQ(Pixel(370 + 20 * i, 195 + 20 * j), colour);
        }
    }
}

TEST_F(PlayScreen, CountersEndAtX550MeasuredInTheBuiltInFont)
{
    Game.score = 12345678; // eight digits grow to the left
    Game.stage_lines = 70;
    Game.lines = 0;
    Game.pieces = 4;
    Draw_Map();
    EXPECT_TRUE(Row_Has_Colour(542, 549, 66, 73, 5)) << "stage 7";
    EXPECT_FALSE(Row_Has_Colour(550, 579, 42, 121, 5));
    EXPECT_FALSE(Row_Has_Colour(360, 533, 66, 73, 5)) << "one digit only";
    EXPECT_TRUE(Row_Has_Colour(486, 493, 42, 49, 5)) << "the eighth digit starts at 486";
    EXPECT_FALSE(Row_Has_Colour(470, 485, 42, 49, 5));
    // The opaque background wipes the previous value where the new text
    // lies; an eighth digit left of x 494 stays until the screen is redrawn.
    Game.score = 5;
    Draw_Map();
    EXPECT_FALSE(Row_Has_Colour(494, 541, 42, 49, 5));
    EXPECT_TRUE(Row_Has_Colour(542, 549, 42, 49, 5));
    EXPECT_TRUE(Row_Has_Colour(486, 493, 42, 49, 5));
}

class ButtonScreen : public ::testing::Test {
protected:
    void SetUp() override { Use_Game_World(); }
};

TEST_F(ButtonScreen, DrawFrameEndsWithTheVerticalsOnTheCorners)
{
    DrawFrame(10, 20, 60, 50, 3, 4);
    EXPECT_EQ(Pixel(10, 20), 3);
    EXPECT_EQ(Pixel(60, 50), 4);
    EXPECT_EQ(Pixel(10, 50), 3) << "lower-left ends in c1";
    EXPECT_EQ(Pixel(11, 49), 3);
    EXPECT_EQ(Pixel(60, 20), 4) << "upper-right ends in c2";
    EXPECT_EQ(Pixel(59, 21), 4);
    EXPECT_EQ(Pixel(30, 21), 3);
    EXPECT_EQ(Pixel(30, 49), 4);
    EXPECT_EQ(Pixel(30, 30), 0) << "only two pixels of bevel";
    EXPECT_EQ(Pixel(12, 30), 0);
}

TEST_F(ButtonScreen, MouseInBoxIsStrictOnAllFourEdges)
{
    mouse_x = 10;
    mouse_y = 30;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), 0);
    mouse_x = 11;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), -1);
    mouse_x = 60;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), 0);
    mouse_x = 59;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), -1);
    mouse_y = 20;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), 0);
    mouse_y = 50;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), 0);
    mouse_y = 49;
    EXPECT_EQ(mouseinbox(10, 20, 60, 50), -1);
}

TEST_F(ButtonScreen, LabelledButtonHasAFaceOfColourOneAndARaisedBevel)
{
    Button button("Start Game", 200, 140, 440, 170, 15, 25, (BITMAP *)data[DAT_BUTTON_LABELLED].dat);
    button.DrawButton();
    EXPECT_EQ(Pixel(202, 142), 1);
    EXPECT_EQ(Pixel(438, 168), 1);
    EXPECT_EQ(Pixel(200, 140), 25) << "raised: col2 above and left";
    EXPECT_EQ(Pixel(440, 170), 15);
    EXPECT_TRUE(Row_Has_Colour(260, 380, 141, 169, 25)) << "the label";
    EXPECT_TRUE(Row_Has_Colour(260, 380, 141, 169, 15)) << "its shadow";
    button.pressed = -1;
    button.DrawButton();
    EXPECT_EQ(Pixel(200, 140), 15);
    EXPECT_EQ(Pixel(440, 170), 25);
}

TEST_F(ButtonScreen, PictureButtonShowsItsPictureUnderTheBevel)
{
    BITMAP *picture = (BITMAP *)data[DAT_BUTTON_DECREASE].dat;
    Button button(NULL, 80, 200, 110, 230, 15, 25, picture);
    EXPECT_STREQ(button.name, "");
    button.DrawButton();
    EXPECT_EQ(Pixel(95, 215), Object_Colour(DAT_BUTTON_DECREASE));
    EXPECT_EQ(Pixel(81, 201), 25);
    EXPECT_EQ(Pixel(110, 215), 15);
    EXPECT_EQ(Pixel(111, 215), 0) << "nothing right of the rectangle";
}

TEST_F(ButtonScreen, OverlongLabelsAreCutTo27Characters)
{
    Button button("0123456789012345678901234567890123", 0, 0, 10, 10, 1, 2, NULL);
    EXPECT_EQ(strlen(button.name), 27u);
    button.ChangeName("View High Scores");
    EXPECT_STREQ(button.name, "View High Scores");
}

TEST_F(ButtonScreen, PressOutsideOrWithoutTheLeftButtonDrawsNothing)
{
    Button button("Options", 200, 180, 440, 210, 15, 25, NULL);
    mouse_x = 300;
    mouse_y = 195;
    mouse_b = 2; // right button
    EXPECT_EQ(button.Clicked(), 0);
    mouse_b = 1;
    mouse_x = 200; // on the edge
    EXPECT_EQ(button.Clicked(), 0);
    EXPECT_EQ(Pixel(300, 195), 0);
    mouse_b = 0;
}

// Lets the mouse go after a moment, somewhere; Clicked spins until then.
void Release_Later(int x, int y)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    mouse_x = x;
    mouse_y = y;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    mouse_b = 0;
}

TEST_F(ButtonScreen, ReleaseInsideIsAClickAndReleaseOutsideIsNot)
{
    Button button("Credits", 200, 260, 440, 290, 15, 25, NULL);
    mouse_x = 300;
    mouse_y = 275;
    mouse_b = 1;
    std::thread inside(Release_Later, 310, 280);
    EXPECT_EQ(button.Clicked(), -1);
    inside.join();
    EXPECT_EQ(button.pressed, 0);
    EXPECT_EQ(Pixel(200, 260), 25) << "redrawn raised";

    mouse_x = 300;
    mouse_y = 275;
    mouse_b = 1;
    std::thread outside(Release_Later, 500, 275);
    EXPECT_EQ(button.Clicked(), 0);
    outside.join();
    EXPECT_EQ(button.pressed, 0);
    EXPECT_EQ(Pixel(200, 260), 25);
}

} // namespace
