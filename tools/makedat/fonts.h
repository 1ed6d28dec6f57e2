// The game's three fonts (objects 33, 34, 35), rasterised from DejaVu.
#ifndef MAKEDAT_FONTS_H
#define MAKEDAT_FONTS_H

#include "datafile_writer.h"
#include "freetype_text.h"

#include <vector>

struct FontSource {
    const char *file;   // DejaVu file name
    int pixel_size;
    bool figure_space;  // space as wide as a digit, so right-aligned numbers line up
};

struct FontData {
    int first = 32;     // printable ASCII
    int last = 126;
    int ascent = 0;
    std::vector<MonoGlyph> glyphs;   // last - first + 1 cells
};

extern const FontSource font_small;     // object 33: labels, pause message, screen texts
extern const FontSource font_numbers;   // object 34: counter values, high-score table
extern const FontSource font_large;     // object 35: button labels, titles, headings

bool build_font(const FontSource &source, FontData *font);
int font_text_width(const FontData &font, const char *text);

// A FONT object in the library's 3.9+ layout: one range of mono glyphs.
void dat_write_font(DatWriter *w, const char *name, const FontData &font);

#endif
