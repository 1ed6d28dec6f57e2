// Background patterns, tiled by the screens in copy-pattern mode. The two
// that carry text (30 and 31) use only the dark RAMP_NIGHT shades, so every
// text colour keeps its contrast wherever it lands.
#include "pictures.h"
#include "palette.h"
#include "raster.h"

static int night(int level)
{
    return ramp_shade(RAMP_NIGHT, RAMP_NIGHT_COUNT, level);
}

// Woven diagonal bands: two sets of 16-pixel stripes crossing, the one "on
// top" lighter, with a soft shade at each band's edge.
BITMAP *make_pattern_screens(void)
{
    BITMAP *bmp = make_bitmap(PATTERN_SIZE, PATTERN_SIZE, night(0));
    if (!bmp)
        return nullptr;
    for (int y = 0; y < PATTERN_SIZE; y++)
        for (int x = 0; x < PATTERN_SIZE; x++) {
            int a = (x + y) & 31;        // position across a rising band
            int b = (x - y + 64) & 31;   // across a falling band
            bool rising_on_top = (((x + y) >> 5) + ((x - y + 64) >> 5)) & 1;
            int across = rising_on_top ? a : b;
            int level = across < 2 || across > 29 ? 1 : (across < 4 || across > 27 ? 3 : 2);
            if (!rising_on_top && (a < 2 || a > 29))
                level = 0;   // the gap where one band dives under the other
            putpixel(bmp, x, y, night(level));
        }
    return bmp;
}

// Faint blocks, 16x16, some a shade lighter, between dark seams: a wall of
// cells seen in the dark.
BITMAP *make_pattern_menu(void)
{
    BITMAP *bmp = make_bitmap(PATTERN_SIZE, PATTERN_SIZE, night(1));
    if (!bmp)
        return nullptr;
    Lcg random(31);
    for (int by = 0; by < PATTERN_SIZE; by += 16)
        for (int bx = 0; bx < PATTERN_SIZE; bx += 16) {
            int face = 1 + random.below(3);
            rectfill(bmp, bx, by, bx + 15, by + 15, night(face));
            rect(bmp, bx, by, bx + 15, by + 15, night(0));
        }
    return bmp;
}

// The play screen's backdrop: small raised studs on a dark plate.
BITMAP *make_pattern_play(void)
{
    BITMAP *bmp = make_bitmap(PATTERN_SIZE, PATTERN_SIZE, RAMP_SKY + 3);
    if (!bmp)
        return nullptr;
    for (int y = 0; y < PATTERN_SIZE; y++)
        for (int x = 0; x < PATTERN_SIZE; x++)
            if (((x >> 4) + (y >> 4)) & 1)
                putpixel(bmp, x, y, RAMP_SKY + 5);
    for (int cy = 8; cy < PATTERN_SIZE; cy += 16)
        for (int cx = 8; cx < PATTERN_SIZE; cx += 16) {
            circlefill(bmp, cx, cy, 3, RAMP_SKY + 1);
            circlefill(bmp, cx - 1, cy - 1, 2, RAMP_SKY + 10);
            putpixel(bmp, cx - 2, cy - 2, RAMP_SKY + 14);
        }
    return bmp;
}
