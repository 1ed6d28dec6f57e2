// The title screen's loop: PLAY GAME, EXIT, Escape and F3.
#include "app/app.h"

#include "ui/button.h"
#include "ui/screens.h"

void MainMenu(void)
{
    for (;;) {
        // The key state is tested, so holding F3 rewrites the file every pass.
        if (key[KEY_F3]) {
            PALETTE palette;
            get_palette(palette);
            TakeScreenshot(palette);
        }
        if (btn_new_game->Clicked()) {
            StartGameMenu();
            DrawTitle();
            continue;
        }
        if (btn_exit->Clicked() || key[KEY_ESC]) {
            return;
        }
        rest(1); // yield between passes rather than spin a whole core
    }
}
