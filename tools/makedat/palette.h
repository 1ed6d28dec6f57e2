// The game palette (datafile object 25): the ramps the builder's pictures
// are painted from, beside the indices the screens draw with.
#ifndef MAKEDAT_PALETTE_H
#define MAKEDAT_PALETTE_H

#include <allegro.h>

#include "app/colours.h"

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
int ramp_shade(int first, int count, int level);  // shade `level` of a ramp, held to its ends

void build_palette(PALETTE pal);

// WCAG contrast ratio of two palette entries (6-bit components).
double palette_contrast(const PALETTE pal, int a, int b);

// Checks every text/background pair the screens draw; prints the failures.
bool palette_pairs_legible(const PALETTE pal);

#endif
