// The play screen's fixed pixels, the button's frame and hit test, drawn on
// an 8-bit memory bitmap standing in for the screen.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/game_world.h"
#include "ui/button.h"

namespace {

struct ButtonScreen : ::testing::Test {
    void SetUp() override { Use_Game_World(); }
};
struct PlayScreen : ::testing::Test {
    void SetUp() override { Use_Game_World(), srand(1), InitGameGraphics(); }
};

int Pixel(int x, int y) { return getpixel(screen, x, y); }

// A 20x20 tile of `colour` drawn masked at (x, y): its transparent top-left
// pixel shows what was beneath. (Later panel fills may cover its outer edge.)
bool Tile_At(int x, int y, int c) { return Pixel(x + 1, y + 1) == c && Pixel(x + 18, y + 18) == c && Pixel(x, y) != c; }

bool Has_Colour(int x1, int x2, int y1, int y2, int colour)
{
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++)
            if (Pixel(x, y) == colour)
                return true;
    return false;
}

TEST_F(PlayScreen, FramesInTheirOrderBackgroundAndPanels)
{
    const int tl = Object_Colour(DAT_FRAME_TOP_LEFT), tr = Object_Colour(DAT_FRAME_TOP_RIGHT);
    const int bl = Object_Colour(DAT_FRAME_BOTTOM_LEFT), br = Object_Colour(DAT_FRAME_BOTTOM_RIGHT);
    const int h = Object_Colour(DAT_FRAME_HORIZONTAL), v = Object_Colour(DAT_FRAME_VERTICAL);
    const struct { int x, y, colour; } tiles[] = {
        {20, 20, tl}, {240, 20, tr}, {20, 440, bl}, {240, 440, br}, {340, 20, tl}, {580, 20, tr}, // well, counters
        {340, 165, tl}, {440, 165, tr}, {340, 225, bl}, {440, 225, br},                             // preview
        {340, 260, tl}, {580, 260, tr}, {340, 440, bl}, {580, 440, br},                             // legend
        {40, 20, h}, {220, 440, h}, {20, 40, v}, {240, 420, v}, {360, 260, h}, {580, 280, v}, {340, 420, v},
        {420, 225, h}, {440, 205, v},
        // The title's edges come after the preview's top-right corner and its corners last of all.
        {460, 165, tl}, {580, 225, br}, {480, 165, h}, {560, 225, h}};
    for (auto t : tiles)
        EXPECT_TRUE(Tile_At(t.x, t.y, t.colour)) << t.x << "," << t.y;
    // The counters' sides end at y 120 over their bottom corners at y 135; the
    // background pattern starts at (0, 0); the panels are filled with 0.
    const int a = PATTERN_COLOUR_A, b = PATTERN_COLOUR_B;
    const struct { int x, y, colour; } pixels[] = {
        {345, 137, v}, {585, 137, v}, {345, 150, bl}, {590, 150, br}, {0, 0, a}, {8, 0, b}, {304, 456, b},
        {639, 479, a}, {360, 135, 0}, {579, 134, 0}, {579, 280, 0}, {360, 440, 0}, {565, 440, 0}, {480, 185, 0}};
    for (auto p : pixels)
        EXPECT_EQ(Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    // Title, legend and labels in their colours, the legend's first line at y 282.
    EXPECT_TRUE(Has_Colour(505, 560, 190, 197, 5) && Has_Colour(365, 516, 282, 289, 86) &&
                Has_Colour(381, 580, 292, 299, 54) && Has_Colour(365, 580, 302, 309, 176) &&
                Has_Colour(365, 420, 114, 121, 65) && !Has_Colour(360, 580, 272, 279, 86));
}

TEST_F(PlayScreen, WellPreviewAndCountersAtTheirPositions)
{
    Map_Cell(0, 19) = 3, Map_Cell(9, 0) = 8;
    Map_Cell(4, 10) = 9, Map_Cell(5, 10) = -1; // outside 1..8: left blank
    Generate_Block(7);
    Game.x = 2, Game.y = 5;
    Draw_Map();
    EXPECT_TRUE(Tile_At(40, 420, TILE_COLOUR_BASE + 3) && Tile_At(220, 40, TILE_COLOUR_BASE + 8));
    EXPECT_EQ(Pixel(40, 420), 0) << "the buffer is cleared to 0 beneath masked tiles";
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(Tile_At(40 + 20 * (2 + i), 140, TILE_COLOUR_BASE + 7));
    EXPECT_EQ(Pixel(130, 250) | Pixel(150, 250) | Pixel(239, 439), 0);
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

    // Counters end at x 550, measured in the built-in font.
    Game.score = 12345678; // eight digits grow to the left
    Game.stage_lines = 70;
    Draw_Map();
    EXPECT_TRUE(Has_Colour(542, 549, 66, 73, 5)) << "stage 7";
    EXPECT_FALSE(Has_Colour(360, 533, 66, 73, 5)) << "one digit only";
    EXPECT_FALSE(Has_Colour(550, 579, 42, 121, 5));
    EXPECT_TRUE(Has_Colour(486, 493, 42, 49, 5)) << "the eighth digit starts at 486";
    EXPECT_FALSE(Has_Colour(470, 485, 42, 49, 5));
    Game.score = 5; // the opaque background wipes the old value where the new text lies
    Draw_Map();
    EXPECT_FALSE(Has_Colour(494, 541, 42, 49, 5));
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
    for (int release_x : {310, 500}) {
        mouse_x = 300, mouse_b = 1;
        int held = -1;
        std::thread release([&held, release_x] { // Clicked tracks the mouse until it is let go
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            held = Pixel(200, 260);
            mouse_x = release_x;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            mouse_b = 0;
        });
        EXPECT_EQ(button.Clicked(), release_x == 310 ? -1 : 0) << release_x;
        release.join();
        EXPECT_EQ(held, 15) << "drawn pressed while held";
        EXPECT_EQ(button.pressed, 0);
        EXPECT_EQ(Pixel(200, 260) * 100 + Pixel(440, 290), 2515) << "redrawn raised: col2 above and left";
    }
}

} // namespace
