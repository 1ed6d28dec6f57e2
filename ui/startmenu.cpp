// The start-game menu behind PLAY GAME: start a game, options, high scores,
// credits, back to the title.
#include "ui/startmenu.h"

#include "app/app.h"
#include "app/input.h"
#include "game/game.h"
#include "persist/highscores.h"
#include "ui/button.h"
#include "ui/screens.h"

Button *btn_start_game = NULL;
Button *btn_options = NULL;
Button *btn_high_scores = NULL;
Button *btn_credits = NULL;
Button *btn_prev_menu = NULL;

namespace {

const int FADE_SPEED = 3;

Button *Menu_Button(const char *label, int y1)
{
    return new Button(label, 200, y1, 440, y1 + 30, COL_TEXT, COL_BUTTON_LIGHT,
                      Datafile_Bitmap(DAT_BUTTON_LABELLED));
}

void Create_Buttons(void)
{
    btn_start_game = Menu_Button("Start Game", 140);
    btn_options = Menu_Button("Options", 180);
    btn_high_scores = Menu_Button("View High Scores", 220);
    btn_credits = Menu_Button("Credits", 260);
    btn_prev_menu = Menu_Button("Previous Menu", 300);
}

void Delete_Buttons(void)
{
    Button **buttons[] = {&btn_start_game, &btn_options, &btn_high_scores, &btn_credits, &btn_prev_menu};
    for (Button **button : buttons) {
        delete *button;
        *button = NULL;
    }
}

// One pass over the buttons; -1 when the menu is to be left.
int Menu_Pass(void)
{
    if (btn_start_game->Clicked()) {
        stop_midi();
        show_mouse(NULL);
        Play_Game();
        DrawStartGameMenu();
    } else if (btn_prev_menu->Clicked()) {
        return -1;
    } else if (btn_high_scores->Clicked()) {
        stop_midi();
        ViewHighScores();
        DrawStartGameMenu();
    } else if (btn_credits->Clicked()) {
        stop_midi();
        ViewCredits();
        DrawStartGameMenu();
        set_palette(Game_Palette());
    } else if (btn_options->Clicked()) {
        stop_midi();
        Options();
        DrawStartGameMenu();
        set_palette(Game_Palette());
    }
    // Escape is a held key, tested whatever the pass did; one that just
    // ended the screen returned from does not count.
    return KeyHeld(KEY_ESC) || CloseRequested() ? -1 : 0;
}

} // namespace

void StartGameMenu(void)
{
    Create_Buttons();
    show_mouse(NULL);
    fade_out(10);
    DrawStartGameMenu();
    show_mouse(NULL);
    fade_in(Game_Palette(), FADE_SPEED);
    show_mouse(screen);
    while (Menu_Pass() == 0) {
        RestUntilTick();
    }
    stop_midi();
    Delete_Buttons();
}

void Draw_Menu_Screen(int pattern)
{
    drawing_mode(DRAW_MODE_COPY_PATTERN, Datafile_Bitmap(pattern), 0, 0);
    rectfill(screen, 0, 0, SCREEN_W, SCREEN_H, 1);
    solid_mode();
    text_mode(-1);
    rect(screen, 0, 0, SCREEN_W - 1, SCREEN_H - 1, COL_OUTLINE);
}

void DrawStartGameMenu(void)
{
    show_mouse(NULL);
    Draw_Menu_Screen(DAT_PATTERN_MENU);
    textout(screen, font, "Zorvane Quibbleon v2.0 -- Made by the Quibbleon team", 150, 468, COL_TEXT);
    draw_sprite(screen, Datafile_Bitmap(DAT_LOGO), 135, 25);
    rect(screen, 135, 25, 524, 94, COL_LOGO_OUTLINE);
    show_mouse(screen);
    btn_start_game->DrawButton();
    btn_prev_menu->DrawButton();
    btn_high_scores->DrawButton();
    btn_credits->DrawButton();
    btn_options->DrawButton();
}
