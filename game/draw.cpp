// The play screen: the static picture of frames, titles and legend, and the
// well with its counters, redrawn on every pass of the play loop.
#include "game/game.h"

#include <stdio.h>
#include <string.h>

#include "app/app.h"

namespace {

const int WELL_LEFT = 40;
const int WELL_TOP = 40;
const int COUNTER_RIGHT = 550;     // counters end here, measured in the built-in font
const int COUNTER_LABEL_X = 365;
const int COUNTER_Y[4] = {42, 66, 90, 114};

struct LegendLine {
    const char *text;
    int x;
    int y;
    int colour;
};

const char RULE[] = "---------------------------";

const LegendLine LEGEND[] = {
    {"Left & Right Arrows", 365, 282, COL_LEGEND_KEY},
    {"[Move piece left & right]", 381, 292, COL_LEGEND_ACTION},
    {RULE, 365, 302, COL_RULE},
    {"Up Arrow", 365, 312, COL_LEGEND_KEY},
    {"[Rotate piece]", 470, 312, COL_LEGEND_ACTION},
    {RULE, 365, 322, COL_RULE},
    {"Down Arrow", 365, 332, COL_LEGEND_KEY},
    {"[Lower piece]", 478, 332, COL_LEGEND_ACTION},
    {RULE, 365, 342, COL_RULE},
    {"Space Bar", 365, 352, COL_LEGEND_KEY},
    {"[Drop piece]", 485, 352, COL_LEGEND_ACTION},
    {RULE, 365, 362, COL_RULE},
    {"F2", 365, 372, COL_LEGEND_KEY},
    {"[New Game]", 501, 372, COL_LEGEND_ACTION},
    {RULE, 365, 382, COL_RULE},
    {"F3", 365, 392, COL_LEGEND_KEY},
    {"[Screenshot]", 485, 392, COL_LEGEND_ACTION},
    {RULE, 365, 402, COL_RULE},
    {"P", 365, 412, COL_LEGEND_KEY},
    {"[Pause Game]", 485, 412, COL_LEGEND_ACTION},
    {RULE, 365, 422, COL_RULE},
    {"ESC", 365, 432, COL_LEGEND_KEY},
    {"[Quit Game]", 493, 432, COL_LEGEND_ACTION},
};

void Sprite(int index, int x, int y)
{
    draw_sprite(screen, Datafile_Bitmap(index), x, y);
}

// Corners in the sequence top-left, top-right, bottom-left, bottom-right.
void Corners(int left, int top, int right, int bottom)
{
    Sprite(DAT_FRAME_TOP_LEFT, left, top);
    Sprite(DAT_FRAME_TOP_RIGHT, right, top);
    Sprite(DAT_FRAME_BOTTOM_LEFT, left, bottom);
    Sprite(DAT_FRAME_BOTTOM_RIGHT, right, bottom);
}

// Each step draws on the first line, then on the second.
void Horizontal_Edges(int from_x, int to_x, int top, int bottom)
{
    for (int x = from_x; x <= to_x; x += CELL_PIXELS) {
        Sprite(DAT_FRAME_HORIZONTAL, x, top);
        Sprite(DAT_FRAME_HORIZONTAL, x, bottom);
    }
}

void Vertical_Edges(int from_y, int to_y, int left, int right)
{
    for (int y = from_y; y <= to_y; y += CELL_PIXELS) {
        Sprite(DAT_FRAME_VERTICAL, left, y);
        Sprite(DAT_FRAME_VERTICAL, right, y);
    }
}

void Draw_Legend(void)
{
    for (const LegendLine &line : LEGEND) {
        textout(screen, font, line.text, line.x, line.y, line.colour);
    }
}

void Draw_Counter_Labels(void)
{
    const char *labels[4] = {"Score:", "Stage:", "Lines:", "Pieces:"};
    for (int k = 0; k < 4; k++) {
        strcpy(text, labels[k]);
        textout(screen, Datafile_Font(DAT_FONT_SMALL), text, COUNTER_LABEL_X, COUNTER_Y[k],
                COL_COUNTER_LABEL);
    }
}

void Draw_Cell(int value, int column, int row)
{
    // Values outside 1..8 can come only from a loaded file; they stay blank.
    if (Is_Element(value)) {
        draw_sprite(buffer, Datafile_Bitmap(DAT_TILE_FIRST + value - 1), CELL_PIXELS * column,
                    CELL_PIXELS * row);
    }
}

} // namespace

void InitGameGraphics(void)
{
    drawing_mode(DRAW_MODE_COPY_PATTERN, Datafile_Bitmap(DAT_PATTERN_PLAY), 0, 0);
    rectfill(screen, 0, 0, 640, 480, 0);
    Draw_Frame();
    drawing_mode(DRAW_MODE_SOLID, NULL, 0, 0);
    rectfill(screen, 360, 40, 580, 135, COL_BLACK);
    rectfill(screen, 360, 280, 580, 440, COL_BLACK);
    rectfill(screen, 480, 185, 580, 225, COL_BLACK);
    textout(screen, Datafile_Font(DAT_FONT_LARGE), "Zorvane", 505, 190, COL_GOLD);
    textout(screen, Datafile_Font(DAT_FONT_LARGE), "Quibbleon", 500, 205, COL_GOLD);
    Draw_Legend();
    Draw_Counter_Labels();
    for (int y = 0; y < MAP_H; y++) {
        for (int x = 0; x < MAP_W; x++) {
            Map_Cell(x, y) = 0;
        }
    }
    Game.next_element = Random(ELEMENT_COUNT) + 1;
    Generate_New();
    Draw_Map();
}

void Draw_Frame(void)
{
    Corners(20, 20, 240, 440);   // well
    Corners(340, 20, 580, 135);  // counters
    Corners(340, 165, 440, 225); // preview
    Corners(340, 260, 580, 440); // legend
    Horizontal_Edges(360, 560, 260, 440);
    Vertical_Edges(280, 420, 340, 580);
    Horizontal_Edges(360, 560, 20, 135);
    Vertical_Edges(40, 120, 340, 580);
    Horizontal_Edges(360, 420, 165, 225);
    Horizontal_Edges(40, 220, 20, 440);
    Vertical_Edges(185, 205, 340, 440);
    Vertical_Edges(40, 420, 20, 240);
    Vertical_Edges(185, 205, 460, 580);
    Horizontal_Edges(460, 580, 165, 225);
    Corners(460, 165, 580, 225); // title, last
}

void Draw_Map(void)
{
    clear(buffer);
    for (int x = 0; x < MAP_W; x++) {
        for (int y = 0; y < MAP_H; y++) {
            Draw_Cell(Map_Cell(x, y), x, y);
        }
    }
    for (int i = 0; i < BLOCK_SIZE; i++) {
        for (int j = 0; j < BLOCK_SIZE; j++) {
            // In play the element always lies in the well; a loaded record
            // may put it anywhere, and what lies outside is not drawn.
            int column = Game.x + i;
            int row = Game.y + j;
            if (column >= 0 && column < MAP_W && row >= 0 && row < MAP_H) {
                Draw_Cell(Block_Cell(i, j), column, row);
            }
        }
    }
    blit(buffer, screen, 0, 0, WELL_LEFT, WELL_TOP, buffer->w, buffer->h);
    // An opaque background wipes the previous value.
    text_mode(0);
    const int values[4] = {Game.score, Game.stage_lines / 10, Game.lines, Game.pieces};
    for (int k = 0; k < 4; k++) {
        snprintf(text, sizeof text, "%7d", values[k]);
        // Measured in the built-in font, whatever font draws it.
        textout(screen, Datafile_Font(DAT_FONT_NUMBERS), text, COUNTER_RIGHT - text_length(font, text),
                COUNTER_Y[k], COL_GOLD);
    }
}
