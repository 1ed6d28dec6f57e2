// The desktop icons: the game's own cell tiles, four of them set as a
// square, written as a 48x48 PNG and as an SVG of the same pixels. They are
// files of their own for the install tree, not datafile objects.
#ifndef MAKEDAT_ICONS_H
#define MAKEDAT_ICONS_H

#include <allegro.h>

#include <string>
#include <vector>

enum { ICON_SIZE = 48 };

// Straight (not premultiplied) RGBA, row by row; alpha 0 where no tile is.
struct Rgba {
    int w = 0, h = 0;
    std::vector<unsigned char> pixels;   // w * h * 4
};

Rgba make_icon(const PALETTE pal);
std::vector<unsigned char> encode_png(const Rgba &image);
std::string encode_svg(const Rgba &image);

// zorvane.png and zorvane.svg in `dir`; false when either cannot be written.
bool write_icons(const char *dir, const PALETTE pal);

#endif
