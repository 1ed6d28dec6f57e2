// A stand-in for the running game in memory: the game library initialised
// without a display, an 8-bit memory bitmap as the screen, the well's buffer,
// and a datafile built in code whose objects have recognisable colours.
#ifndef ZQ_TEST_GAME_WORLD_H
#define ZQ_TEST_GAME_WORLD_H

#include <allegro.h>

// Colours of the stand-in objects: a cell tile of value v is filled with
// TILE_COLOUR_BASE + v, the other bitmaps with OBJECT_COLOUR_BASE + index.
// Every tile keeps its top-left pixel at 0, the transparent index, so masked
// and opaque copies can be told apart.
#define TILE_COLOUR_BASE 100
#define OBJECT_COLOUR_BASE 110
#define PATTERN_COLOUR_A 200
#define PATTERN_COLOUR_B 201

// Sets everything up once per process; later calls clear the screen and the
// buffer and reset the game record and settings to a known state.
void Use_Game_World(void);
// The colour of the stand-in bitmap object `index`.
int Object_Colour(int index);

#endif
