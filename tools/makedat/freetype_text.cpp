// Text rendering with FreeType. Hinting is kept on: at the small sizes of
// the game's fonts it is what keeps stems one pixel wide and crisp.
#include "freetype_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdio.h>

static FT_Library library = nullptr;   // open between freetype_start and freetype_stop

bool freetype_start(void)
{
    if (library)
        return true;
    if (FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        fprintf(stderr, "makedat: FreeType could not be initialised\n");
        return false;
    }
    return true;
}

void freetype_stop(void)
{
    if (library)
        FT_Done_FreeType(library);
    library = nullptr;
}

std::string dejavu_path(const char *file_name)
{
    return std::string("/usr/share/fonts/truetype/dejavu/") + file_name;
}

static FT_Face open_face(const char *font_file, int pixel_size)
{
    if (!library)
        return nullptr;
    FT_Face face = nullptr;
    std::string path = dejavu_path(font_file);
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        fprintf(stderr, "makedat: cannot open font %s\n", path.c_str());
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(face, 0, pixel_size) != 0) {
        fprintf(stderr, "makedat: font %s has no size %d\n", path.c_str(), pixel_size);
        FT_Done_Face(face);
        return nullptr;
    }
    return face;
}

static int advance_pixels(FT_GlyphSlot slot)
{
    return (int)((slot->advance.x + 32) >> 6);
}

bool render_text(const char *font_file, int pixel_size, const char *text, Coverage *out)
{
    FT_Face face = open_face(font_file, pixel_size);
    if (!face)
        return false;
    int ascent = (int)((face->size->metrics.ascender + 63) >> 6);
    int descent = (int)((-face->size->metrics.descender + 63) >> 6);

    int width = 0;
    for (const char *c = text; *c; c++) {
        if (FT_Load_Char(face, (unsigned char)*c, FT_LOAD_DEFAULT) == 0)
            width += advance_pixels(face->glyph);
    }
    *out = Coverage();
    out->w = width + 2;   // room for overhanging strokes
    out->h = ascent + descent;
    out->baseline = ascent;
    out->value.assign((size_t)out->w * out->h, 0);

    int pen = 1;
    bool ok = true;
    for (const char *c = text; *c; c++) {
        if (FT_Load_Char(face, (unsigned char)*c, FT_LOAD_RENDER) != 0) {
            ok = false;
            continue;
        }
        FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap &bmp = slot->bitmap;
        for (unsigned row = 0; row < bmp.rows; row++) {
            int y = ascent - slot->bitmap_top + (int)row;
            for (unsigned col = 0; col < bmp.width; col++) {
                int x = pen + slot->bitmap_left + (int)col;
                if (x < 0 || x >= out->w || y < 0 || y >= out->h)
                    continue;
                unsigned char v = bmp.buffer[row * bmp.pitch + col];
                unsigned char &dst = out->value[(size_t)y * out->w + x];
                if (v > dst)
                    dst = v;
            }
        }
        pen += advance_pixels(slot);
    }
    FT_Done_Face(face);
    return ok;
}

static bool load_mono(FT_Face face, int ch)
{
    return FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0 &&
           face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
}

bool render_mono_glyphs(const char *font_file, int pixel_size, int first, int last,
                        std::vector<MonoGlyph> *glyphs, int *ascent)
{
    FT_Face face = open_face(font_file, pixel_size);
    if (!face)
        return false;

    // One line height for the whole font: the tallest ascent and deepest
    // descent of the characters actually in it.
    int top = 0;
    int bottom = 0;
    for (int ch = first; ch <= last; ch++) {
        if (!load_mono(face, ch))
            continue;
        FT_GlyphSlot slot = face->glyph;
        if (slot->bitmap_top > top)
            top = slot->bitmap_top;
        int below = (int)slot->bitmap.rows - slot->bitmap_top;
        if (below > bottom)
            bottom = below;
    }
    int height = top + bottom;

    bool ok = height > 0;
    glyphs->clear();
    for (int ch = first; ch <= last && ok; ch++) {
        if (!load_mono(face, ch)) {
            ok = false;
            break;
        }
        FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap &bmp = slot->bitmap;
        int left = slot->bitmap_left > 0 ? slot->bitmap_left : 0;
        int width = advance_pixels(slot);
        if (left + (int)bmp.width > width)
            width = left + (int)bmp.width;
        MonoGlyph glyph;
        glyph.w = width;
        glyph.h = height;
        int pitch = (width + 7) / 8;
        glyph.bits.assign((size_t)pitch * height, 0);
        for (unsigned row = 0; row < bmp.rows; row++) {
            int y = top - slot->bitmap_top + (int)row;
            for (unsigned col = 0; col < bmp.width; col++) {
                bool on = bmp.buffer[row * bmp.pitch + col / 8] & (0x80 >> (col % 8));
                int x = left + (int)col;
                if (on && y >= 0 && y < height && x < width)
                    glyph.bits[(size_t)y * pitch + x / 8] |= (unsigned char)(0x80 >> (x % 8));
            }
        }
        glyphs->push_back(glyph);
    }
    *ascent = top;
    FT_Done_Face(face);
    return ok;
}
