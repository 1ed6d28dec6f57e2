// The library's file selector and alert boxes draw with three global GUI
// colours; over the game's palette the defaults can be unreadable.
#ifndef ZQ_DIALOG_COLOURS_H
#define ZQ_DIALOG_COLOURS_H

#include <allegro.h>

// Sets gui_fg_color, gui_mg_color and gui_bg_color to the entries of
// `palette` nearest to black, mid grey and light grey.
void UseLegibleDialogColours(const RGB *palette);

#endif
