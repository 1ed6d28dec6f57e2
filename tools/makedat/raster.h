// Small drawing helpers for the builder's 8-bit memory bitmaps.
#ifndef MAKEDAT_RASTER_H
#define MAKEDAT_RASTER_H

#include <allegro.h>

#include "freetype_text.h"

// A fixed-seed generator: the same sources must give the same datafile.
struct Lcg {
    unsigned state;
    explicit Lcg(unsigned seed) : state(seed) {}
    unsigned next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return (int)(next() % (unsigned)n); }
};

BITMAP *make_bitmap(int w, int h, int colour);

// A bevel `width` pixels wide just inside (x1,y1)-(x2,y2): `light` on the top
// and left, `dark` on the bottom and right.
void bevel(BITMAP *bmp, int x1, int y1, int x2, int y2, int width, int light, int dark);

// Vertical gradient over a palette ramp between rows y1 and y2.
void vertical_gradient(BITMAP *bmp, int x1, int y1, int x2, int y2, int first, int count);

// Paints text coverage at (x, y) (top-left of the coverage box): pixels at or
// above `threshold` take the colour `colour_at(row)` picks by row within the
// box; `outline` >= 0 draws a one-pixel ring of that colour around them and
// `shadow` >= 0 a drop shadow `shadow_offset` pixels down-right.
struct TextStyle {
    int threshold = 110;
    int first = 0;        // ramp the letters are filled from, top to bottom
    int count = 1;
    bool reverse = false; // brightest at the top when true
    int outline = -1;
    int shadow = -1;
    int shadow_offset = 3;
};
void paint_text(BITMAP *bmp, const Coverage &text, int x, int y, const TextStyle &style);

#endif
