// The rules of the well: elements, their rotation and placement, row
// removal, scoring and the fall interval. The only drawing is the preview of
// the next element; the only sound is the row-removal sample.
#include "game/game.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "app/app.h"

GAME Game;
int end_game = 0;

namespace {

struct Cell {
    int i;
    int j;
};

// The four cells of every element (1..8) in every rotation (0..3), as (i, j)
// block coordinates; rotation 0 is how an element enters the well.
const Cell ELEMENT_CELLS[ELEMENT_COUNT][4][4] = {
    {{{1, 0}, {2, 0}, {0, 1}, {1, 1}}, {{0, 0}, {0, 1}, {1, 1}, {1, 2}},
     {{1, 0}, {2, 0}, {0, 1}, {1, 1}}, {{0, 0}, {0, 1}, {1, 1}, {1, 2}}},
    {{{0, 0}, {1, 0}, {1, 1}, {2, 1}}, {{1, 0}, {0, 1}, {1, 1}, {0, 2}},
     {{0, 0}, {1, 0}, {1, 1}, {2, 1}}, {{1, 0}, {0, 1}, {1, 1}, {0, 2}}},
    {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
     {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
    {{{1, 0}, {0, 1}, {1, 1}, {2, 1}}, {{0, 0}, {0, 1}, {1, 1}, {0, 2}},
     {{0, 0}, {1, 0}, {2, 0}, {1, 1}}, {{1, 0}, {0, 1}, {1, 1}, {1, 2}}},
    {{{2, 0}, {0, 1}, {1, 1}, {2, 1}}, {{0, 0}, {0, 1}, {0, 2}, {1, 2}},
     {{0, 0}, {1, 0}, {2, 0}, {0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {1, 2}}},
    {{{0, 0}, {0, 1}, {1, 1}, {2, 1}}, {{0, 0}, {1, 0}, {0, 1}, {0, 2}},
     {{0, 0}, {1, 0}, {2, 0}, {2, 1}}, {{1, 0}, {1, 1}, {0, 2}, {1, 2}}},
    {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}},
     {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}}},
    {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}},
     {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}}},
};

const int ROW_SAMPLE_VOLUME = 255; // the row sample ignores sound_volume
const int SAMPLE_PAN = 125;
const int SAMPLE_PITCH = 1000;     // unchanged pitch
const int PREVIEW_X = 360;
const int PREVIEW_Y = 185;
const int PREVIEW_ROWS = 2;        // every element enters within block rows 0 and 1

void Set_Extent(int code)
{
    int element = Code_Element(code);
    int rotation = Code_Rotation(code);
    if (element == 3) {
        Game.width = 2;
        Game.height = 2;
    } else if (element == 7 || element == 8) {
        Game.width = rotation % 2 == 0 ? 4 : 1;
        Game.height = rotation % 2 == 0 ? 1 : 4;
    } else {
        Game.width = rotation % 2 == 0 ? 3 : 2;
        Game.height = rotation % 2 == 0 ? 2 : 3;
    }
}

int Inside_Map(int x, int y)
{
    return x >= 0 && x < MAP_W && y >= 0 && y < MAP_H;
}

int Row_Full(int y)
{
    return Row_Full_In(&Game, y) ? -1 : 0;
}

// Row 0 stays as it was, so whatever it held is now in rows 0 and 1.
void Drop_Rows_Onto(int y)
{
    for (int k = y; k >= 1; k--) {
        for (int x = 0; x < MAP_W; x++) {
            Map_Cell(x, k) = Map_Cell(x, k - 1);
        }
    }
}

void Draw_Preview(void)
{
    for (int i = 0; i < BLOCK_SIZE; i++) {
        for (int j = 0; j < PREVIEW_ROWS; j++) {
            int object = Block_Cell(i, j) ? Game.next_element - 1 : DAT_PREVIEW_EMPTY;
            blit(Datafile_Bitmap(object), screen, 0, 0, PREVIEW_X + CELL_PIXELS * i,
                 PREVIEW_Y + CELL_PIXELS * j, CELL_PIXELS, CELL_PIXELS);
        }
    }
}

} // namespace

bool Row_Full_In(const GAME *game, int y)
{
    for (int x = 0; x < MAP_W; x++) {
        if (game->map[x * MAP_H + y] == 0) {
            return false;
        }
    }
    return true;
}

// A loaded game may carry any counter values; the sums stop at the ends of
// the 32-bit fields instead of overflowing.
void Add_Saturating(int32_t &counter, long long amount)
{
    long long sum = (long long)counter + amount;
    counter = (int32_t)(sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : sum));
}

int Random(int n)
{
    return rand() % n;
}

void Clear_Block(void)
{
    for (int &cell : Game.block) {
        cell = 0;
    }
}

int Element_Block(int code, int32_t block[BLOCK_SIZE * BLOCK_SIZE])
{
    if (!Is_Element_Code(code)) {
        return 0;
    }
    int element = Code_Element(code);
    for (const Cell &cell : ELEMENT_CELLS[element - 1][Code_Rotation(code)]) {
        block[cell.i * BLOCK_SIZE + cell.j] = element;
    }
    return -1;
}

void Generate_Block(int code)
{
    Clear_Block();
    if (!Element_Block(code, Game.block)) {
        // The message's second line names the offending code.
        char message[80];
        snprintf(message, sizeof message, "Unknown element to be generated,notify author\n%d\n", code);
        Error(message);
    }
    Set_Extent(code);
    Game.element = code;
}

void Generate_New(void)
{
    int coming = Game.next_element;
    Game.next_element = Random(ELEMENT_COUNT) + 1;
    Generate_Block(Game.next_element);
    Draw_Preview();
    Generate_Block(coming);
    Game.x = 3;
    Game.y = 0;
    Game.stage = Game.stage_lines / 10;
    if (!Can_Put()) {
        end_game = -1;
    }
}

int Can_Put(void)
{
    for (int i = 0; i < BLOCK_SIZE; i++) {
        for (int j = 0; j < BLOCK_SIZE; j++) {
            if (Block_Cell(i, j) == 0) {
                continue;
            }
            int x = Game.x + i;
            int y = Game.y + j;
            // Play never lifts an element above row 0; the row test only
            // guards against records loaded from a file.
            if (x > MAP_W - 1 || x < 0 || y > MAP_H - 1 || y < 0 || Map_Cell(x, y) != 0) {
                return 0;
            }
        }
    }
    return -1;
}

void Rotate_Block(void)
{
    int old_code = Game.element;
    int code = old_code + 10;
    if (code > 40) {
        code -= 40;
    }
    Generate_Block(code);
    if (!Can_Put()) {
        Generate_Block(old_code);
    }
}

void Put_Block(void)
{
    for (int i = 0; i < BLOCK_SIZE; i++) {
        for (int j = 0; j < BLOCK_SIZE; j++) {
            int value = Block_Cell(i, j);
            // Cells off the map can come only from a loaded record; they are dropped.
            if (value != 0 && Inside_Map(Game.x + i, Game.y + j)) {
                Map_Cell(Game.x + i, Game.y + j) = value;
            }
        }
    }
    Delete_Row();
}

void Delete_Row(void)
{
    // The rows that are full as the element lands, each removed once. Row 0
    // is never examined, and neither is the copy of it that each removal
    // leaves in row 1: under a full row 0 it would be removed for ever.
    bool removable[MAP_H] = {false};
    for (int y = 1; y < MAP_H; y++) {
        removable[y] = Row_Full(y);
    }
    int count = 0;
    int y = MAP_H - 1;
    while (y > 0) {
        if (removable[y]) {
            Drop_Rows_Onto(y);
            for (int k = y; k >= 1; k--) {
                removable[k] = removable[k - 1];
            }
            Add_Saturating(Game.lines, 1);
            count++;
        } else {
            y--;
        }
    }
    if (count > 0 && sound_on) {
        play_sample(Datafile_Sample(DAT_SAMPLE_ROW_REMOVED), ROW_SAMPLE_VOLUME, SAMPLE_PAN,
                    SAMPLE_PITCH, 0);
    }
    Add_Saturating(Game.stage_lines, count);
    if (count > 0) {
        Add_Saturating(Game.score, 125LL * count + 25LL * (Game.stage_lines / 10) - 25);
    }
    Game.delay = 55 - 2 * (Game.stage_lines / 10);
    Add_Saturating(Game.pieces, 1);
    Add_Saturating(Game.score, 30);
    if (Game.delay <= 1) {
        Game.delay = 2;
    }
}

void Add_Starting_Rows(int rows)
{
    for (int y = MAP_H - 1; y > MAP_H - 1 - rows; y--) {
        for (int x = 0; x < MAP_W; x++) {
            if (Random(2)) {
                Map_Cell(x, y) = 1;
            }
        }
    }
}

void Clear_Well(void)
{
    for (int y = 0; y < MAP_H; y++) {
        for (int x = 0; x < MAP_W; x++) {
            if (Map_Cell(x, y) == 0) {
                continue;
            }
            Add_Saturating(Game.score, -5LL * Game.stage_lines);
            if (Game.score < 0) {
                Game.score = 0;
            } else {
                Map_Cell(x, y) = 0;
            }
        }
    }
}
