// The game palette (datafile object 25): the indices the screens draw with
// by number, and the ramps the builder's pictures are painted from.
#ifndef MAKEDAT_PALETTE_H
#define MAKEDAT_PALETTE_H

#include <allegro.h>

// Colours the screens use by number (see the table in palette.cpp).
enum PaletteRole {
    COL_BLACK = 0,            // cleared areas; transparent in masked sprites
    COL_BUTTON_FACE = 1,      // face of every labelled button
    COL_GOLD = 5,             // play-screen title words, counter values, headings, credits text
    COL_YELLOW = 14,          // title-screen buttons: raised bevel and label
    COL_TEXT = 15,            // general white text; menu buttons' shadow bevel
    COL_POINTER_BLACK = 16,   // true black other than 0, for the mouse pointer's outline
    COL_BUTTON_LIGHT = 25,    // menu buttons: raised bevel and label
    COL_ORANGE = 48,          // title-screen buttons: shadow bevel, pressed label
    COL_LEGEND_ACTION = 54,   // play-screen legend: what a key does
    COL_COUNTER_LABEL = 65,   // "Score:", "Stage:", ...
    COL_PAUSE = 70,           // pause message
    COL_HELP_TEXT = 85,       // help screen lines
    COL_LEGEND_KEY = 86,      // play-screen legend keys; "Press ESC To Exit"
    COL_OUTLINE = 142,        // outline of the menu screens and boxes
    COL_HELP_OUTLINE = 143,   // outline of the help screen
    COL_RULE = 176,           // legend's dashed rule lines
    COL_LOGO_OUTLINE = 227,   // outline around the start-game menu logo
    COL_WHITE = 255,          // "HELP"
};

// Ramps: first index and number of shades, darkest first.
enum PaletteRamp {
    RAMP_NIGHT = 17, RAMP_NIGHT_COUNT = 8,      // backgrounds behind text, all very dark
    RAMP_SKY = 26, RAMP_SKY_COUNT = 22,         // title and credits skies, dark
    RAMP_METAL = 71, RAMP_METAL_COUNT = 14,     // frame tiles, buttons' pictures
    RAMP_CELLS = 87, RAMP_CELLS_COUNT = 40,     // 8 cell colours x CELL_SHADES
    RAMP_LOGO = 127, RAMP_LOGO_COUNT = 15,      // gold lettering, dark to bright
    RAMP_GLOW = 144, RAMP_GLOW_COUNT = 32,      // cyan-violet lettering and stars
    RAMP_GREY = 192, RAMP_GREY_COUNT = 35,      // neutral greys
    RAMP_EMBER = 228, RAMP_EMBER_COUNT = 27,    // warm accents
};

enum { CELL_COLOURS = 8, CELL_SHADES = 5 };
// Shade order within a cell colour.
enum CellShade { SHADE_OUTLINE, SHADE_DARK, SHADE_FACE, SHADE_LIGHT, SHADE_HIGHLIGHT };

int cell_colour(int cell, int shade);   // cell 0..7
int ramp_colour(int first, int count, int level, int levels);  // level 0..levels-1 spread over a ramp

void build_palette(PALETTE pal);

// WCAG contrast ratio of two palette entries (6-bit components).
double palette_contrast(const PALETTE pal, int a, int b);

// Checks every text/background pair the screens draw; prints the failures.
bool palette_pairs_legible(const PALETTE pal);

#endif
