// FreeType at the edge: opening the DejaVu faces that ship with Debian and
// rendering text into coverage maps the pictures and fonts are made from.
#ifndef MAKEDAT_FREETYPE_TEXT_H
#define MAKEDAT_FREETYPE_TEXT_H

#include <string>
#include <vector>

// Coverage of rendered text, 0 (none) .. 255 (full), row-major.
struct Coverage {
    int w = 0;
    int h = 0;
    int baseline = 0;   // rows from the top to the baseline
    std::vector<unsigned char> value;
    int at(int x, int y) const { return value[(size_t)y * w + x]; }
};

// One monochrome glyph cell: `w` x `h` pixels, rows of (w + 7) / 8 bytes,
// leftmost pixel in the top bit.
struct MonoGlyph {
    int w = 0;
    int h = 0;
    std::vector<unsigned char> bits;
    bool pixel(int x, int y) const { return bits[(size_t)y * ((w + 7) / 8) + x / 8] & (0x80 >> (x % 8)); }
};

bool freetype_start(void);
void freetype_stop(void);

// Full path of a DejaVu font file, e.g. "DejaVuSans-Bold.ttf".
std::string dejavu_path(const char *file_name);

// Anti-aliased rendering of a line of ASCII text at `pixel_size`; the box is
// as wide as the pen's advance and as tall as the face's ascent plus descent.
bool render_text(const char *font_file, int pixel_size, const char *text, Coverage *out);

// Monochrome glyphs for characters first..last, all of one height, each as
// wide as its advance; `ascent` receives the baseline row.
bool render_mono_glyphs(const char *font_file, int pixel_size, int first, int last,
                        std::vector<MonoGlyph> *glyphs, int *ascent);

#endif
