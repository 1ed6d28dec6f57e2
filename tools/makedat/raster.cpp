#include "raster.h"

#include <vector>

BITMAP *make_bitmap(int w, int h, int colour)
{
    BITMAP *bmp = create_bitmap_ex(8, w, h);
    if (bmp)
        clear_to_color(bmp, colour);
    return bmp;
}

void bevel(BITMAP *bmp, int x1, int y1, int x2, int y2, int width, int light, int dark)
{
    for (int i = 0; i < width; i++) {
        hline(bmp, x1 + i, y1 + i, x2 - i, light);
        vline(bmp, x1 + i, y1 + i, y2 - i, light);
        hline(bmp, x1 + i + 1, y2 - i, x2 - i, dark);
        vline(bmp, x2 - i, y1 + i + 1, y2 - i, dark);
    }
}

void vertical_gradient(BITMAP *bmp, int x1, int y1, int x2, int y2, int first, int count)
{
    int span = y2 - y1;
    for (int y = y1; y <= y2; y++) {
        int level = span > 0 ? (y - y1) * (count - 1) * 2 / span : 0;
        // Dither between neighbouring shades on alternate pixels so the
        // ramp shows no hard bands.
        for (int x = x1; x <= x2; x++) {
            int shade = level / 2 + ((level & 1) && ((x + y) & 1));
            if (shade > count - 1)
                shade = count - 1;
            putpixel(bmp, x, y, first + shade);
        }
    }
}

static bool covered(const Coverage &text, int x, int y, int threshold)
{
    return x >= 0 && y >= 0 && x < text.w && y < text.h && text.at(x, y) >= threshold;
}

void paint_text(BITMAP *bmp, const Coverage &text, int x, int y, const TextStyle &style)
{
    if (style.shadow >= 0) {
        for (int ty = 0; ty < text.h; ty++)
            for (int tx = 0; tx < text.w; tx++)
                if (covered(text, tx, ty, style.threshold))
                    putpixel(bmp, x + tx + style.shadow_offset, y + ty + style.shadow_offset, style.shadow);
    }
    if (style.outline >= 0) {
        for (int ty = -1; ty <= text.h; ty++)
            for (int tx = -1; tx <= text.w; tx++) {
                if (covered(text, tx, ty, style.threshold))
                    continue;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; dy++)
                    for (int dx = -1; dx <= 1 && !near; dx++)
                        near = covered(text, tx + dx, ty + dy, style.threshold);
                if (near)
                    putpixel(bmp, x + tx, y + ty, style.outline);
            }
    }
    // Letters fill only the rows between the tallest letter's top and the
    // baseline, so the gradient spans the visible glyphs.
    int top = text.h;
    for (int ty = 0; ty < text.h && top == text.h; ty++)
        for (int tx = 0; tx < text.w; tx++)
            if (covered(text, tx, ty, style.threshold)) {
                top = ty;
                break;
            }
    int span = text.baseline - top;
    for (int ty = 0; ty < text.h; ty++) {
        int level = span > 0 ? (ty - top) * (style.count - 1) / span : 0;
        if (level < 0)
            level = 0;
        if (level > style.count - 1)
            level = style.count - 1;
        int colour = style.first + (style.reverse ? style.count - 1 - level : level);
        for (int tx = 0; tx < text.w; tx++)
            if (covered(text, tx, ty, style.threshold))
                putpixel(bmp, x + tx, y + ty, colour);
    }
}
