// The title screen (object 29) and the logo (object 27). The title keeps
// its lower band, where the game writes two lines of white text, free of
// anything but the dark sky shades.
#include "pictures.h"
#include "palette.h"
#include "raster.h"

static const char *const title_face = "DejaVuSans-Bold.ttf";

// The largest size at which `text` is at most `max_width` wide.
static bool fit_text(const char *face, const char *text, int start_size, int max_width, Coverage *out)
{
    for (int size = start_size; size >= 8; size--) {
        if (!render_text(face, size, text, out))
            return false;
        if (out->w <= max_width)
            return true;
    }
    return false;
}

static void draw_stars(BITMAP *bmp, int bottom)
{
    Lcg random(1701);
    for (int i = 0; i < 160; i++) {
        int x = random.below(bmp->w);
        int y = random.below(bottom);
        int level = RAMP_GLOW_COUNT / 2 + random.below(RAMP_GLOW_COUNT / 2);
        putpixel(bmp, x, y, RAMP_GLOW + level);
        if (level > RAMP_GLOW_COUNT - 4) {   // the brightest stars twinkle
            putpixel(bmp, x - 1, y, RAMP_GLOW + level / 2);
            putpixel(bmp, x + 1, y, RAMP_GLOW + level / 2);
            putpixel(bmp, x, y - 1, RAMP_GLOW + level / 2);
            putpixel(bmp, x, y + 1, RAMP_GLOW + level / 2);
        }
    }
}

static void draw_cell(BITMAP *bmp, BITMAP *const tiles[8], int cell, int x, int y)
{
    draw_sprite(bmp, tiles[cell], x, y);
}

// Four-cell shapes, as (column,row) offsets in cells.
struct Shape {
    int cells[4][2];
};
static const Shape shape_t = {{{0, 0}, {1, 0}, {2, 0}, {1, 1}}};
static const Shape shape_s = {{{1, 0}, {2, 0}, {0, 1}, {1, 1}}};
static const Shape shape_i = {{{0, 0}, {0, 1}, {0, 2}, {0, 3}}};
static const Shape shape_l = {{{0, 0}, {0, 1}, {0, 2}, {1, 2}}};
static const Shape shape_o = {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}};

static void draw_shape(BITMAP *bmp, BITMAP *const tiles[8], const Shape &shape, int cell, int x, int y)
{
    for (const auto &c : shape.cells)
        draw_cell(bmp, tiles, cell, x + c[0] * TILE_SIZE, y + c[1] * TILE_SIZE);
}

// Heights, in cells, of the two stacks of landed cells in the lower corners.
static const int left_stack[9] = {5, 4, 4, 3, 2, 3, 2, 1, 1};
static const int right_stack[8] = {1, 2, 1, 3, 4, 3, 5, 6};

static void draw_stacks(BITMAP *bmp, BITMAP *const tiles[8])
{
    Lcg random(404);
    for (int column = 0; column < 9; column++)
        for (int row = 0; row < left_stack[column]; row++)
            draw_cell(bmp, tiles, random.below(8), column * TILE_SIZE, 460 - row * TILE_SIZE);
    for (int column = 0; column < 8; column++)
        for (int row = 0; row < right_stack[column]; row++)
            draw_cell(bmp, tiles, random.below(8), 480 + column * TILE_SIZE, 460 - row * TILE_SIZE);
}

static void draw_falling_shapes(BITMAP *bmp, BITMAP *const tiles[8])
{
    draw_shape(bmp, tiles, shape_t, 6, 40, 300);
    draw_shape(bmp, tiles, shape_s, 3, 520, 280);
    draw_shape(bmp, tiles, shape_i, 4, 120, 250);
    draw_shape(bmp, tiles, shape_l, 1, 596, 290);
    draw_shape(bmp, tiles, shape_o, 0, 170, 372);
}

// The game's name in the logo ramp, brightest at the top, outlined.
static TextStyle gold_letters(int shadow, int shadow_offset)
{
    TextStyle style;
    style.first = RAMP_LOGO;
    style.count = RAMP_LOGO_COUNT;
    style.reverse = true;
    style.outline = RAMP_LOGO;
    style.shadow = shadow;
    style.shadow_offset = shadow_offset;
    return style;
}

static bool draw_title_words(BITMAP *bmp)
{
    TextStyle style = gold_letters(RAMP_SKY, 5);

    Coverage word;
    if (!fit_text(title_face, "Zorvane", 112, 600, &word))
        return false;
    paint_text(bmp, word, (bmp->w - word.w) / 2, 28, style);
    if (!fit_text(title_face, "Quibbleon", 112, 600, &word))
        return false;
    paint_text(bmp, word, (bmp->w - word.w) / 2, 138, style);

    TextStyle tagline;
    tagline.first = RAMP_GLOW + 18;
    tagline.count = RAMP_GLOW_COUNT - 18;
    tagline.reverse = true;
    tagline.shadow = RAMP_SKY;
    tagline.shadow_offset = 2;
    if (!render_text("DejaVuSans.ttf", 22, "a falling-block puzzle", &word))
        return false;
    paint_text(bmp, word, (bmp->w - word.w) / 2, 268, tagline);
    return true;
}

BITMAP *make_title_picture(void)
{
    BITMAP *bmp = make_bitmap(640, 480, RAMP_SKY);
    BITMAP *tiles[8] = {};
    bool ok = bmp != nullptr;
    for (int i = 0; i < 8 && ok; i++)
        ok = (tiles[i] = make_cell_tile(i)) != nullptr;
    if (ok) {
        vertical_gradient(bmp, 0, 0, 639, 479, RAMP_SKY, RAMP_SKY_COUNT);
        draw_stars(bmp, 420);
        draw_falling_shapes(bmp, tiles);
        draw_stacks(bmp, tiles);
        ok = draw_title_words(bmp);
    }
    for (BITMAP *tile : tiles)
        if (tile)
            destroy_bitmap(tile);
    if (!ok && bmp) {
        destroy_bitmap(bmp);
        bmp = nullptr;
    }
    return bmp;
}

// An opaque plaque, so it looks the same drawn masked on the menu's pattern
// and copied plainly onto the credits background.
BITMAP *make_logo(void)
{
    BITMAP *bmp = make_bitmap(LOGO_W, LOGO_H, RAMP_NIGHT);
    if (!bmp)
        return nullptr;
    vertical_gradient(bmp, 0, 0, LOGO_W - 1, LOGO_H - 1, RAMP_NIGHT, RAMP_NIGHT_COUNT - 2);
    bevel(bmp, 0, 0, LOGO_W - 1, LOGO_H - 1, 1, RAMP_METAL + 12, RAMP_METAL + 2);
    bevel(bmp, 1, 1, LOGO_W - 2, LOGO_H - 2, 1, RAMP_METAL + 8, RAMP_METAL + 1);

    TextStyle style = gold_letters(COL_POINTER_BLACK, 2);
    Coverage text;
    if (!fit_text(title_face, "Zorvane Quibbleon", 48, LOGO_W - 30, &text)) {
        destroy_bitmap(bmp);
        return nullptr;
    }
    paint_text(bmp, text, (LOGO_W - text.w) / 2, (LOGO_H - text.h) / 2, style);
    return bmp;
}
