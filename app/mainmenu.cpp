// The title screen's loop: PLAY GAME, EXIT, Escape and F3.
#include "app/app.h"

#include "app/input.h"
#include "ui/button.h"
#include "ui/screens.h"

void MainMenu(void)
{
    while (!CloseRequested()) {
        // The key state is tested, so holding F3 rewrites the file every pass.
        if (key[KEY_F3]) {
            PALETTE palette;
            get_palette(palette);
            TakeScreenshot(palette);
        }
        if (btn_new_game->Clicked()) {
            StartGameMenu();
            if (CloseRequested()) {
                return;
            }
            DrawTitle();
            continue;
        }
        if (btn_exit->Clicked() || KeyHeld(KEY_ESC)) {
            return;
        }
        RestUntilTick();
    }
}
