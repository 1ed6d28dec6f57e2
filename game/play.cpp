// One game from its first element to its end: the keys, gravity on the
// timer's beat, the pause, and the game-over wait.
#include "game/game.h"

#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/input.h"
#include "modplayer/jgmod.h"
#include "persist/highscores.h"
#include "persist/savegame.h"
#include "ui/screens.h"

std::atomic<int> game_time{0};
char pausetxt[10];
char pausetxt2[30];
char pausetxt3[30];

namespace {


void Draw_Pause_Text(void)
{
    textout(screen, Datafile_Font(DAT_FONT_SMALL), pausetxt, 100, 100, COL_PAUSE);
    textout(screen, Datafile_Font(DAT_FONT_SMALL), pausetxt2, 90, 150, COL_PAUSE);
    textout(screen, Datafile_Font(DAT_FONT_SMALL), pausetxt3, 75, 200, COL_PAUSE);
}

// Returns the scancode of the key that ended the wait; it stands in for P.
int Pause(void)
{
    strcpy(pausetxt, "Paused");
    strcpy(pausetxt2, "Press [C]");
    strcpy(pausetxt3, "to continue...");
    Draw_Pause_Text();
    clear_keybuf();
    WaitForKeypress();
    // A close request leaves the game as Escape would.
    int scancode = CloseRequested() ? KEY_ESC : readkey() >> 8;
    // Nothing draws over the text while the game stands, so it is drawn once.
    WaitForKey(KEY_C, 1);
    return CloseRequested() ? KEY_ESC : scancode;
}

void Move_Sideways(int step)
{
    Game.x += step;
    if (!Can_Put()) {
        Game.x -= step;
    }
}

void Lower(void)
{
    if (Can_Put()) {
        Draw_Map();
        Game.y++;
    }
    if (!Can_Put()) {
        Game.y--;
    }
    clear_keybuf();
}

// Each row of the fall is drawn; the element is placed by the next gravity step.
void Drop(void)
{
    while (Can_Put()) {
        Draw_Map();
        Game.y++;
    }
    Game.y--;
}

// Applies one key; returns -1 when the game is to be left at once.
int Handle_Key(int scancode)
{
    if (scancode == KEY_LEFT) {
        Move_Sideways(-1);
    }
    if (scancode == KEY_RIGHT) {
        Move_Sideways(1);
    }
    if (scancode == KEY_UP) {
        Rotate_Block();
    }
    if (scancode == KEY_P) {
        scancode = Pause();
    }
    if (scancode == KEY_DOWN) {
        Lower();
    }
    if (scancode == KEY_SPACE) {
        Drop();
    }
    if (scancode == KEY_F2 || scancode == KEY_ESC) {
        return -1;
    }
    if (scancode == KEY_F3) {
        TakeScreenshot(Game_Palette());
    } else if (scancode == KEY_F1) {
        Help();
    } else if (scancode == KEY_F5) {
        SaveGame();
    } else if (scancode == KEY_F6) {
        LoadGame();
    } else if (scancode == KEY_F11) {
        Clear_Well();
    }
    // Keys that piled up meanwhile, auto-repeats included, are thrown away.
    clear_keybuf();
    return 0;
}

void Place_And_Renew(void)
{
    Put_Block();
    Generate_New();
}

void Gravity(void)
{
    if (game_time > Game.delay) {
        Game.y++;
        if (!Can_Put()) {
            Game.y--;
            Place_And_Renew();
        }
        game_time = 0;
    }
}

void Game_Over(void)
{
    text_mode(-1);
    textout_centre(screen, font, "G A M E", 135, 152, COL_TEXT);
    textout_centre(screen, font, "O V E R", 135, 202, COL_TEXT);
    textout(screen, font, "Press <Enter> to", 70, 252, COL_TEXT);
    textout(screen, font, "start over again", 70, 277, COL_TEXT);
    snprintf(text, sizeof text, "Score: %3d", Game.score);
    textout_centre(screen, font, text, 130, 302, COL_TEXT);
    clear_keybuf();
    stop_mod();
    // A close request ends the wait as Enter does: a finished game keeps its
    // place in the table.
    WaitForKey(KEY_ENTER, 1);
    clear_keybuf();
    GotHighScore();
}

} // namespace

void game_timer(void)
{
    game_time++;
    WakeLoops();
}

void Begin_Game(void)
{
    Game.score = 0;
    Game.lines = 0;
    Game.pieces = 0;
    Game.stage_lines = 1;
    end_game = 0;
    stop_midi();
    Music();
    InitGameGraphics();
    Game.stage_lines = 10 * start_level;
    Game.delay = 55 - 2 * start_level;
    Add_Starting_Rows(start_blocks);
    // The menus test Escape as a held key and never read the key buffer: a
    // press left there would end the new game on its first pass.
    clear_keybuf();
}

void Play_Game(void)
{
    Begin_Game();
    GAME drawn = Game;
    bool redraw = true; // the starting rows show from the first pass on
    for (;;) {
        bool key_read = keypressed();
        if ((key_read && Handle_Key(readkey() >> 8)) || CloseRequested()) {
            // Left by key: no high-score check, the music plays on, and the
            // key does not leave the menu too.
            SpendHeldKeys();
            return;
        }
        Gravity();
        // A new element that did not fit, or a loaded one that does not, is
        // placed where it stands.
        if (!Can_Put()) {
            Place_And_Renew();
        }
        // The same record draws the same picture; a key may also have drawn
        // over the well (the pause text).
        if (redraw || key_read || memcmp(&drawn, &Game, sizeof Game) != 0) {
            Draw_Map();
            drawn = Game;
            redraw = false;
        }
        if (end_game == -1) {
            break;
        }
        RestUntilTick();
    }
    Game_Over();
}
