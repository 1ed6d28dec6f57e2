// The game palette. Every colour a screen names by number gets a role, and
// every text is drawn on a background that keeps a contrast ratio of at
// least 4.5:1 with it:
//
//   index  role                                   drawn on
//   0      black: fills, well, text background     -
//   1      labelled button face                     -
//   5      gold: "Zorvane"/"Quibbleon", counter     0 (play screen), patterns 30
//          values, "O P T I O N S", "Keys",         (options/help), 14 (credits)
//          "Action", credits text
//   14     title buttons: raised bevel and label    1
//   15     white text: title lines, footers,        29 (title, lower band), 30, 31,
//          options labels, high-score table,        0 (name field, game over),
//          name entry; menu button shadow/pressed   1 (button face)
//   25     menu buttons: raised bevel and label     1
//   48     title buttons: shadow, pressed label     1
//   54     legend: action text                      0
//   65     counter labels                           0
//   70     pause message                            0
//   85     help lines                               30
//   86     legend keys; "Press ESC To Exit"         0, 30
//   142    outline of menu screens and boxes        (a line, not text)
//   143    outline of the help screen               (a line)
//   176    legend rule lines (minus signs)          0
//   227    outline of the start-game logo           (a line)
//   255    "HELP"                                   30
//
// Patterns 30 and 31 are painted only from RAMP_NIGHT, the title's lower
// band and the credits background only from RAMP_SKY, so checking the text
// colours against those ramps covers every pixel that can lie under text.
#include "palette.h"

#include <math.h>
#include <stdio.h>

struct Rgb {
    int r, g, b;   // 0..255
};

static void set_entry(PALETTE pal, int index, Rgb c)
{
    pal[index].r = (unsigned char)(c.r >> 2);
    pal[index].g = (unsigned char)(c.g >> 2);
    pal[index].b = (unsigned char)(c.b >> 2);
    pal[index].filler = 0;
}

static Rgb mix(Rgb a, Rgb b, double t)
{
    return Rgb{(int)lround(a.r + (b.r - a.r) * t), (int)lround(a.g + (b.g - a.g) * t),
               (int)lround(a.b + (b.b - a.b) * t)};
}

// Shades from `from` to `to` through `mid`, darkest first.
static void set_ramp(PALETTE pal, int first, int count, Rgb from, Rgb mid, Rgb to)
{
    for (int i = 0; i < count; i++) {
        double t = count > 1 ? (double)i / (count - 1) : 0.0;
        Rgb c = t < 0.5 ? mix(from, mid, t * 2) : mix(mid, to, (t - 0.5) * 2);
        set_entry(pal, first + i, c);
    }
}

// Cell faces are kept dark enough that the white game-over text stays
// readable over a full well.
static const Rgb cell_faces[CELL_COLOURS] = {
    {190, 30, 30},    // red
    {170, 70, 0},     // orange
    {115, 100, 0},    // mustard
    {20, 115, 35},    // green
    {0, 110, 130},    // teal
    {40, 70, 200},    // blue
    {130, 40, 170},   // violet
    {180, 30, 110},   // magenta
};

int cell_colour(int cell, int shade)
{
    return RAMP_CELLS + cell * CELL_SHADES + shade;
}

int ramp_shade(int first, int count, int level)
{
    if (level < 0)
        level = 0;
    if (level >= count)
        level = count - 1;
    return first + level;
}

int ramp_colour(int first, int count, int level, int levels)
{
    if (levels <= 1)
        return first;
    if (level < 0)
        level = 0;
    if (level >= levels)
        level = levels - 1;
    return first + (level * (count - 1) + (levels - 1) / 2) / (levels - 1);
}

static void set_cells(PALETTE pal)
{
    const Rgb white{255, 255, 255};
    const Rgb black{0, 0, 0};
    for (int c = 0; c < CELL_COLOURS; c++) {
        Rgb face = cell_faces[c];
        set_entry(pal, cell_colour(c, SHADE_OUTLINE), mix(face, black, 0.65));
        set_entry(pal, cell_colour(c, SHADE_DARK), mix(face, black, 0.35));
        set_entry(pal, cell_colour(c, SHADE_FACE), face);
        set_entry(pal, cell_colour(c, SHADE_LIGHT), mix(face, white, 0.35));
        set_entry(pal, cell_colour(c, SHADE_HIGHLIGHT), mix(face, white, 0.7));
    }
}

// A conventional 16-colour set for the low indices the screens do not name.
static void set_low_colours(PALETTE pal)
{
    static const Rgb low[16] = {
        {0, 0, 0},       {28, 36, 72},    {0, 140, 0},     {0, 140, 140},
        {150, 0, 0},     {255, 216, 96},  {150, 90, 0},    {170, 170, 170},
        {85, 85, 85},    {85, 85, 255},   {85, 255, 85},   {85, 255, 255},
        {255, 85, 85},   {255, 85, 255},  {255, 240, 120}, {226, 230, 238},
    };
    for (int i = 0; i < 16; i++)
        set_entry(pal, i, low[i]);
}

void build_palette(PALETTE pal)
{
    // Spare indices start as a grey ramp so nothing is left undefined.
    for (int i = 0; i < PAL_SIZE; i++)
        set_entry(pal, i, Rgb{i, i, i});
    set_low_colours(pal);

    set_ramp(pal, RAMP_NIGHT, RAMP_NIGHT_COUNT, Rgb{6, 8, 20}, Rgb{22, 28, 58}, Rgb{40, 48, 92});
    set_ramp(pal, RAMP_SKY, RAMP_SKY_COUNT, Rgb{4, 4, 16}, Rgb{34, 18, 70}, Rgb{20, 62, 100});
    set_ramp(pal, RAMP_METAL, RAMP_METAL_COUNT, Rgb{20, 24, 36}, Rgb{96, 110, 140}, Rgb{226, 234, 250});
    set_cells(pal);
    set_ramp(pal, RAMP_LOGO, RAMP_LOGO_COUNT, Rgb{120, 40, 0}, Rgb{240, 150, 20}, Rgb{255, 246, 190});
    set_ramp(pal, RAMP_GLOW, RAMP_GLOW_COUNT, Rgb{30, 10, 70}, Rgb{90, 110, 230}, Rgb{220, 250, 255});
    set_ramp(pal, RAMP_GREY, RAMP_GREY_COUNT, Rgb{12, 12, 14}, Rgb{128, 128, 134}, Rgb{250, 250, 252});
    set_ramp(pal, RAMP_EMBER, RAMP_EMBER_COUNT, Rgb{60, 10, 0}, Rgb{220, 80, 20}, Rgb{255, 220, 150});

    set_entry(pal, COL_BLACK, Rgb{0, 0, 0});
    set_entry(pal, COL_BUTTON_FACE, Rgb{28, 36, 72});
    set_entry(pal, COL_GOLD, Rgb{255, 216, 96});
    set_entry(pal, COL_YELLOW, Rgb{255, 240, 120});
    set_entry(pal, COL_TEXT, Rgb{226, 230, 238});
    set_entry(pal, COL_POINTER_BLACK, Rgb{0, 0, 0});
    set_entry(pal, COL_BUTTON_LIGHT, Rgb{170, 230, 255});
    set_entry(pal, COL_ORANGE, Rgb{240, 150, 40});
    set_entry(pal, COL_LEGEND_ACTION, Rgb{150, 190, 255});
    set_entry(pal, COL_COUNTER_LABEL, Rgb{140, 230, 140});
    set_entry(pal, COL_PAUSE, Rgb{255, 120, 120});
    set_entry(pal, COL_HELP_TEXT, Rgb{240, 236, 200});
    set_entry(pal, COL_LEGEND_KEY, Rgb{255, 180, 80});
    set_entry(pal, COL_OUTLINE, Rgb{100, 140, 220});
    set_entry(pal, COL_HELP_OUTLINE, Rgb{130, 170, 240});
    set_entry(pal, COL_RULE, Rgb{136, 136, 150});
    set_entry(pal, COL_LOGO_OUTLINE, Rgb{230, 180, 60});
    set_entry(pal, COL_WHITE, Rgb{255, 255, 255});
}

static double channel_luminance(int six_bit)
{
    double c = (six_bit * 255.0 / 63.0) / 255.0;
    return c <= 0.03928 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

static double luminance(const RGB &c)
{
    return 0.2126 * channel_luminance(c.r) + 0.7152 * channel_luminance(c.g) +
           0.0722 * channel_luminance(c.b);
}

double palette_contrast(const PALETTE pal, int a, int b)
{
    double la = luminance(pal[a]);
    double lb = luminance(pal[b]);
    if (la < lb) {
        double t = la;
        la = lb;
        lb = t;
    }
    return (la + 0.05) / (lb + 0.05);
}

static const double minimum_contrast = 4.5;

static bool check_pair(const PALETTE pal, int text, int background)
{
    double ratio = palette_contrast(pal, text, background);
    if (ratio >= minimum_contrast)
        return true;
    fprintf(stderr, "makedat: colour %d on %d has contrast %.2f\n", text, background, ratio);
    return false;
}

bool palette_pairs_legible(const PALETTE pal)
{
    static const int on_black[] = {COL_GOLD, COL_TEXT, COL_LEGEND_ACTION, COL_COUNTER_LABEL,
                                   COL_PAUSE, COL_LEGEND_KEY, COL_RULE};
    static const int on_face[] = {COL_TEXT, COL_BUTTON_LIGHT, COL_YELLOW, COL_ORANGE};
    static const int on_patterns[] = {COL_GOLD, COL_TEXT, COL_HELP_TEXT, COL_LEGEND_KEY, COL_WHITE};
    static const int on_sky[] = {COL_GOLD, COL_TEXT};
    bool ok = true;
    for (int text : on_black)
        ok &= check_pair(pal, text, COL_BLACK);
    for (int text : on_face)
        ok &= check_pair(pal, text, COL_BUTTON_FACE);
    for (int text : on_patterns)
        for (int i = 0; i < RAMP_NIGHT_COUNT; i++)
            ok &= check_pair(pal, text, RAMP_NIGHT + i);
    for (int text : on_sky)
        for (int i = 0; i < RAMP_SKY_COUNT; i++)
            ok &= check_pair(pal, text, RAMP_SKY + i);
    return ok;
}
