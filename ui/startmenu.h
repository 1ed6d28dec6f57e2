// The start-game menu's buttons, alive while the menu runs.
#ifndef ZQ_STARTMENU_H
#define ZQ_STARTMENU_H

class Button;

extern Button *btn_start_game;  // "Start Game"
extern Button *btn_options;     // "Options"
extern Button *btn_high_scores; // "View High Scores"
extern Button *btn_credits;     // "Credits"
extern Button *btn_prev_menu;   // "Previous Menu"

#endif
