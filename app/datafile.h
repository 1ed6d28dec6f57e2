// Indices of the objects in zorvane.dat. The game addresses the datafile by
// index only; the builder in tools/makedat writes the objects at these places.
#ifndef ZQ_DATAFILE_H
#define ZQ_DATAFILE_H

#include <allegro.h>

enum DatafileIndex {
    DAT_TILE_FIRST = 0,            // 0..7: 20x20 cell tiles for cell values 1..8
    DAT_TILE_LAST = 7,
    DAT_BUTTON_LABELLED = 9,       // picture behind the labelled menu buttons (never shown)
    DAT_BUTTON_DECREASE = 10,      // options screen: button left of each value
    DAT_BUTTON_INCREASE = 11,      // options screen: button right of each value
    DAT_BUTTON_TITLE = 12,         // picture behind the title screen's buttons (never shown)
    DAT_SAMPLE_CLICK = 13,         // button click
    DAT_CREDITS_BACKGROUND = 14,   // 640x480
    DAT_SAMPLE_ROW_REMOVED = 16,
    DAT_PREVIEW_EMPTY = 17,        // 20x20 empty preview cell
    DAT_FRAME_HORIZONTAL = 18,
    DAT_FRAME_VERTICAL = 19,
    DAT_FRAME_TOP_LEFT = 20,
    DAT_FRAME_TOP_RIGHT = 21,
    DAT_FRAME_BOTTOM_LEFT = 22,
    DAT_FRAME_BOTTOM_RIGHT = 23,
    DAT_MODULE = 24,               // the in-game music, a "JGM " object
    DAT_GAME_PALETTE = 25,         // the game palette (Allegro already defines DAT_PALETTE as a type id)
    DAT_SAMPLE_HIGH_SCORE = 26,
    DAT_LOGO = 27,                 // start-game menu and credits
    DAT_MIDI_CREDITS = 28,
    DAT_TITLE = 29,                // 640x480 title screen
    DAT_PATTERN_SCREENS = 30,      // options, help, high-score and name-entry screens
    DAT_PATTERN_MENU = 31,         // start-game menu
    DAT_PATTERN_PLAY = 32,         // play screen
    DAT_FONT_SMALL = 33,           // counter labels, pause message, screen texts
    DAT_FONT_NUMBERS = 34,         // counter values, high-score table
    DAT_FONT_LARGE = 35,           // button labels, play-screen titles, headings
    DAT_SAMPLE_KEY_CLICK = 36,     // name entry
    DAT_OBJECT_COUNT = 37
};

extern DATAFILE *data;        // zorvane.dat, indexed by DatafileIndex; start-up to shut-down

// The objects by kind; the index must name an object of that kind.
inline BITMAP *Datafile_Bitmap(int index) { return (BITMAP *)data[index].dat; }
inline FONT *Datafile_Font(int index) { return (FONT *)data[index].dat; }
inline SAMPLE *Datafile_Sample(int index) { return (SAMPLE *)data[index].dat; }
inline MIDI *Datafile_Midi(int index) { return (MIDI *)data[index].dat; }
inline RGB *Game_Palette(void) { return (RGB *)data[DAT_GAME_PALETTE].dat; }

#endif
