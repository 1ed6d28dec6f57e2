// Sizes follow the tightest layouts that use each font:
// - small (33): "to continue..." of the pause message must fit between x 75
//   and the well's right edge at 239; credits lines are 20 px apart.
// - numbers (34): the high-score columns leave "Pieces" 49 px (x 590..639)
//   and four digits 39 px; table rows are 20 px apart.
// - large (35): "Quibbleon" at x 500 must end inside the title box (580),
//   and its two words sit 15 px apart; labels must fit 25 px high buttons.
#include "fonts.h"

const FontSource font_small = {"DejaVuSans.ttf", 14, false};
// The counters are "%7d" drawn over their old value on an opaque background:
// with spaces as wide as digits every value covers exactly the last one, so
// a shorter number leaves no stale digit behind.
const FontSource font_numbers = {"DejaVuSansCondensed-Bold.ttf", 13, true};
const FontSource font_large = {"DejaVuSansCondensed-Bold.ttf", 14, false};

bool build_font(const FontSource &source, FontData *font)
{
    *font = FontData();
    if (!render_mono_glyphs(source.file, source.pixel_size, font->first, font->last, &font->glyphs,
                            &font->ascent))
        return false;
    if (source.figure_space) {
        MonoGlyph &space = font->glyphs[(size_t)(' ' - font->first)];
        space.w = font->glyphs[(size_t)('0' - font->first)].w;
        space.bits.assign((size_t)((space.w + 7) / 8 * space.h), 0);
    }
    return true;
}

int font_text_width(const FontData &font, const char *text)
{
    int width = 0;
    for (const char *c = text; *c; c++) {
        int ch = (unsigned char)*c;
        if (ch >= font.first && ch <= font.last)
            width += font.glyphs[(size_t)(ch - font.first)].w;
    }
    return width;
}

void dat_write_font(DatWriter *w, const char *name, const FontData &font)
{
    dat_begin_object(w, DAT_FONT, name);
    if (!w->in_object)
        return;
    dat_put_word(w, 0);   // the ranged format of Allegro 3.9 and later
    dat_put_word(w, 1);   // one range
    unsigned char mono = 1;
    dat_put_bytes(w, &mono, 1);
    dat_put_long(w, font.first);
    dat_put_long(w, font.last);   // inclusive
    for (const MonoGlyph &glyph : font.glyphs) {
        dat_put_word(w, glyph.w);
        dat_put_word(w, glyph.h);
        dat_put_bytes(w, glyph.bits.data(), (long)glyph.bits.size());
    }
    dat_end_object(w);
}
