// The indices of the game palette (datafile object 25) that the screens draw
// with; tools/makedat gives each its colour (see the table in palette.cpp).
#ifndef ZQ_COLOURS_H
#define ZQ_COLOURS_H

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

#endif
