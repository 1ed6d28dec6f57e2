// The datafile's bitmaps, all drawn in code with the game palette. Each
// returns a new 8-bit memory bitmap the caller destroys (null when out of
// memory or when a font is missing).
#ifndef MAKEDAT_PICTURES_H
#define MAKEDAT_PICTURES_H

#include <allegro.h>

enum { TILE_SIZE = 20 };

// tiles.cpp
BITMAP *make_cell_tile(int cell);   // 0..7: cell values 1..8
BITMAP *make_preview_empty(void);
BITMAP *make_frame_horizontal(void);
BITMAP *make_frame_vertical(void);
enum FrameCorner { CORNER_TOP_LEFT, CORNER_TOP_RIGHT, CORNER_BOTTOM_LEFT, CORNER_BOTTOM_RIGHT };
BITMAP *make_frame_corner(FrameCorner corner);

// patterns.cpp: 64x64, a power of two as the copy-pattern mode needs
enum { PATTERN_SIZE = 64 };
BITMAP *make_pattern_screens(void);   // object 30
BITMAP *make_pattern_menu(void);      // object 31
BITMAP *make_pattern_play(void);      // object 32

// buttons.cpp
BITMAP *make_button_labelled(void);        // object 9: 240x30, the widest menu button
BITMAP *make_button_title(void);           // object 12: 140x25, the title-screen buttons
BITMAP *make_button_arrow(bool increase);  // objects 10 and 11: 30x30

// title.cpp, credits.cpp
enum { LOGO_W = 390, LOGO_H = 70 };   // fits the outline (135,25)-(524,94)
BITMAP *make_title_picture(void);      // object 29: 640x480
BITMAP *make_credits_background(void); // object 14: 640x480
BITMAP *make_logo(void);               // object 27

#endif
