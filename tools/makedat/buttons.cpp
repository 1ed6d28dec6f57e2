// Button pictures. A button copies the top-left (x2-x1) x (y2-y1) pixels of
// its picture and draws its two-pixel bevel over the outer edge, so each
// picture is exactly the size of the buttons that use it.
#include "pictures.h"
#include "palette.h"
#include "raster.h"

// The face the labelled buttons would show were their pictures drawn: the
// button colour with a faint sheen in the upper half.
static BITMAP *plain_face(int w, int h)
{
    BITMAP *bmp = make_bitmap(w, h, COL_BUTTON_FACE);
    if (!bmp)
        return nullptr;
    for (int y = 2; y < h / 2; y++)
        for (int x = 2 + (y & 1); x < w - 2; x += 2)
            putpixel(bmp, x, y, RAMP_NIGHT + 5);
    bevel(bmp, 0, 0, w - 1, h - 1, 2, COL_BUTTON_LIGHT, COL_TEXT);
    return bmp;
}

BITMAP *make_button_labelled(void)
{
    return plain_face(240, 30);
}

BITMAP *make_button_title(void)
{
    return plain_face(140, 25);
}

// An arrowhead pointing left (decrease) or right (increase), centred on the
// 27x27 area the bevel leaves visible.
BITMAP *make_button_arrow(bool increase)
{
    const int size = 30;
    BITMAP *bmp = make_bitmap(size, size, COL_BUTTON_FACE);
    if (!bmp)
        return nullptr;
    const int cy = 15;
    const int tip = increase ? 21 : 8;
    const int back = increase ? 10 : 19;
    // Shadow one pixel down-right, then the arrow in the buttons' light colour.
    triangle(bmp, tip + 1, cy + 1, back + 1, cy - 6, back + 1, cy + 7, RAMP_NIGHT);
    triangle(bmp, tip, cy, back, cy - 7, back, cy + 7, COL_BUTTON_LIGHT);
    // A highlight along the upper slope.
    line(bmp, back, cy - 7, tip, cy, COL_WHITE);
    return bmp;
}
