// The credits background (object 14). The credits text scrolls over all of
// it in gold, so it is painted from the dark sky shades alone.
#include "pictures.h"
#include "palette.h"
#include "raster.h"

#include <stdlib.h>

static int sky(int level)
{
    return ramp_shade(RAMP_SKY, RAMP_SKY_COUNT, level);
}

// Outlines of large cells drifting in the dark, a shade above the sky
// behind them.
static void draw_ghost_cells(BITMAP *bmp)
{
    Lcg random(1402);
    for (int i = 0; i < 26; i++) {
        int size = 24 + random.below(5) * 8;
        int x = random.below(640 - size);
        int y = random.below(480 - size);
        int level = (y + size / 2) * (RAMP_SKY_COUNT - 1) / 479 + 3;
        rect(bmp, x, y, x + size - 1, y + size - 1, sky(level));
        rect(bmp, x + 3, y + 3, x + size - 4, y + size - 4, sky(level - 1));
    }
}

// Darkens the edges: each pixel drops by how far it lies from the centre.
static void vignette(BITMAP *bmp)
{
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) {
            int dx = abs(x - 320) * 100 / 320;
            int dy = abs(y - 240) * 100 / 240;
            int distance = dx > dy ? dx : dy;
            int drop = distance > 70 ? (distance - 70) / 8 : 0;
            int level = getpixel(bmp, x, y) - RAMP_SKY - drop;
            putpixel(bmp, x, y, sky(level));
        }
}

BITMAP *make_credits_background(void)
{
    BITMAP *bmp = make_bitmap(640, 480, RAMP_SKY);
    if (!bmp)
        return nullptr;
    vertical_gradient(bmp, 0, 0, 639, 479, RAMP_SKY, RAMP_SKY_COUNT);
    draw_ghost_cells(bmp);
    vignette(bmp);
    return bmp;
}
