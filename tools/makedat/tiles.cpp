// Cell tiles and the play screen's frame pieces, all 20x20. Every pixel is
// non-zero: index 0 is transparent when the tiles are drawn masked.
#include "pictures.h"
#include "palette.h"
#include "raster.h"

// A small emblem per cell colour, so the cells differ in shape as well as
// in colour. 6x6, '#' marks the emblem.
static const char *const emblems[8][6] = {
    {"..##..", ".####.", "######", "######", ".####.", "..##.."},   // disc
    {"######", "#....#", "#....#", "#....#", "#....#", "######"},   // square ring
    {"..##..", "..##..", "######", "######", "..##..", "..##.."},   // cross
    {"..##..", ".#..#.", "#....#", "#....#", ".#..#.", "..##.."},   // ring
    {"..##..", ".####.", "######", ".####.", "..##..", "......"},   // diamond
    {"#....#", ".#..#.", "..##..", "..##..", ".#..#.", "#....#"},   // saltire
    {"......", "..##..", ".####.", "######", "......", "......"},   // triangle
    {"##..##", "##..##", "......", "......", "##..##", "##..##"},   // four dots
};

BITMAP *make_cell_tile(int cell)
{
    BITMAP *tile = make_bitmap(TILE_SIZE, TILE_SIZE, cell_colour(cell, SHADE_FACE));
    if (!tile)
        return nullptr;
    const int last = TILE_SIZE - 1;
    rect(tile, 0, 0, last, last, cell_colour(cell, SHADE_OUTLINE));
    bevel(tile, 1, 1, last - 1, last - 1, 1, cell_colour(cell, SHADE_HIGHLIGHT),
          cell_colour(cell, SHADE_DARK));
    bevel(tile, 2, 2, last - 2, last - 2, 1, cell_colour(cell, SHADE_LIGHT),
          cell_colour(cell, SHADE_DARK));
    // A glint in the upper-left corner of the face.
    putpixel(tile, 4, 4, cell_colour(cell, SHADE_HIGHLIGHT));
    putpixel(tile, 5, 4, cell_colour(cell, SHADE_LIGHT));
    putpixel(tile, 4, 5, cell_colour(cell, SHADE_LIGHT));
    // The emblem is pressed into the face: dark with a light lower edge.
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 6; x++) {
            if (emblems[cell][y][x] != '#')
                continue;
            putpixel(tile, 7 + x, 7 + y, cell_colour(cell, SHADE_DARK));
            bool below_free = y == 5 || emblems[cell][y + 1][x] != '#';
            if (below_free)
                putpixel(tile, 7 + x, 8 + y, cell_colour(cell, SHADE_LIGHT));
        }
    return tile;
}

BITMAP *make_preview_empty(void)
{
    BITMAP *tile = make_bitmap(TILE_SIZE, TILE_SIZE, RAMP_NIGHT + 1);
    if (!tile)
        return nullptr;
    const int last = TILE_SIZE - 1;
    // A sunken slot: shadow on the upper left, faint light on the lower right.
    bevel(tile, 0, 0, last, last, 1, RAMP_NIGHT, RAMP_NIGHT + 3);
    putpixel(tile, TILE_SIZE / 2 - 1, TILE_SIZE / 2 - 1, RAMP_NIGHT + 3);
    return tile;
}

// Brightness across the frame's 20-pixel width: a rounded bar, dark at both
// edges so the neighbouring black fills meet it without a seam.
static const int bar_profile[TILE_SIZE] = {0, 2, 5, 8, 10, 12, 13, 12, 11, 10,
                                           9, 8, 8, 7, 6, 5, 4, 3, 1, 0};

static int metal(int level)
{
    return ramp_shade(RAMP_METAL, RAMP_METAL_COUNT, level);
}

BITMAP *make_frame_horizontal(void)
{
    BITMAP *tile = make_bitmap(TILE_SIZE, TILE_SIZE, RAMP_METAL);
    if (!tile)
        return nullptr;
    for (int y = 0; y < TILE_SIZE; y++)
        for (int x = 0; x < TILE_SIZE; x++) {
            // A faint groove every tile keeps long runs from looking flat.
            int groove = (x == 0 && y > 1 && y < TILE_SIZE - 2) ? -2 : 0;
            putpixel(tile, x, y, metal(bar_profile[y] + groove));
        }
    return tile;
}

BITMAP *make_frame_vertical(void)
{
    BITMAP *tile = make_bitmap(TILE_SIZE, TILE_SIZE, RAMP_METAL);
    if (!tile)
        return nullptr;
    for (int y = 0; y < TILE_SIZE; y++)
        for (int x = 0; x < TILE_SIZE; x++) {
            int groove = (y == 0 && x > 1 && x < TILE_SIZE - 2) ? -2 : 0;
            putpixel(tile, x, y, metal(bar_profile[x] + groove));
        }
    return tile;
}

// The corners are bolted plates; the light falls from the upper left on all
// four, and each keeps a darker notch on the side that faces the area it
// closes.
BITMAP *make_frame_corner(FrameCorner corner)
{
    BITMAP *tile = make_bitmap(TILE_SIZE, TILE_SIZE, metal(8));
    if (!tile)
        return nullptr;
    const int last = TILE_SIZE - 1;
    rect(tile, 0, 0, last, last, metal(0));
    bevel(tile, 1, 1, last - 1, last - 1, 2, metal(12), metal(3));
    // The bolt.
    circlefill(tile, 10, 10, 4, metal(4));
    circlefill(tile, 9, 9, 3, metal(10));
    circlefill(tile, 9, 9, 1, metal(13));
    hline(tile, 8, 10, 11, metal(5));   // the slot of the bolt head
    int nx = (corner == CORNER_TOP_LEFT || corner == CORNER_BOTTOM_LEFT) ? last - 3 : 3;
    int ny = (corner == CORNER_TOP_LEFT || corner == CORNER_TOP_RIGHT) ? last - 3 : 3;
    putpixel(tile, nx, ny, metal(2));
    return tile;
}
