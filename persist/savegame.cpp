// F5 and F6 in play: the game in progress to a file and back, through the
// library's file selector and alert boxes.
#include "persist/savegame.h"

#include <string.h>

#include "app/app.h"
#include "game/game.h"
#include "persist/dialog_colours.h"
#include "persist/savegame_file.h"

namespace {

// The selector's own defaults; the path buffer's real size is passed so
// that a long path typed or picked there cannot overflow it.
const int SELECTOR_WIDTH = -1;
const int SELECTOR_HEIGHT = -1;

// The library matches an alert's shortcuts against the character typed, not
// the key's scan code: KEY_ENTER (67) would be the letter c.
const int ENTER = '\r';
const int ESCAPE = 27;

BITMAP *Keep_Screen(void)
{
    show_mouse(NULL);
    BITMAP *kept = create_bitmap(SCREEN_W, SCREEN_H);
    if (kept) {
        blit(screen, kept, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    }
    show_mouse(screen);
    UseLegibleDialogColours(Game_Palette());
    return kept;
}

void Restore_Screen(BITMAP *kept)
{
    show_mouse(NULL);
    if (kept) {
        blit(kept, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
        destroy_bitmap(kept);
    }
}

int Select_File(const char *title)
{
    return file_select_ex(title, text2, "svg", sizeof text2, SELECTOR_WIDTH, SELECTOR_HEIGHT);
}

void Alert_OK(const char *line)
{
    alert(line, NULL, NULL, "OK", NULL, ENTER, ESCAPE);
}

} // namespace

int ConfirmOverwrite(void)
{
    return alert("File Already Exists", "Overwrite?", NULL, "OK", "Cancel", ENTER, ESCAPE) == 1 ? -1 : 0;
}

void SaveGame(void)
{
    BITMAP *kept = Keep_Screen();
    memcpy(text2, current_game_name, sizeof current_game_name);
    text2[sizeof current_game_name - 1] = '\0';
    if (Select_File("Save Game")) {
        bool go_on = true;
        if (FileExist(text2)) {
            go_on = ConfirmOverwrite();
        }
        if (go_on) {
            // Written beside the old file and renamed over it, so a failed
            // write leaves the old game whole.
            if (WriteSavedGame(text2, &Game)) {
                RememberGameName(current_game_name, sizeof current_game_name, text2);
            } else {
                Alert_OK("Error saving file");
            }
        }
    }
    Restore_Screen(kept);
    show_mouse(screen);
}

void LoadGame(void)
{
    BITMAP *kept = Keep_Screen();
    text2[0] = '\0';
    if (Select_File("Load Game")) {
        switch (ReadSavedGame(text2, &Game)) {
        case SAVED_GAME_LOADED:
            RememberGameName(current_game_name, sizeof current_game_name, text2);
            break;
        case SAVED_GAME_UNREADABLE:
            Alert_OK("Error opening file!");
            break;
        case SAVED_GAME_UNPLAYABLE:
            alert("Not a playable saved game:", "it was not loaded.", NULL, "OK", NULL, ENTER, ESCAPE);
            break;
        }
    }
    Restore_Screen(kept);
    Draw_Map();
    show_mouse(screen);
}
