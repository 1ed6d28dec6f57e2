// F1 in play: the keys of the game over a patterned background; Escape puts
// the play screen back exactly as it was.
#include "ui/screens.h"

#include "app/app.h"
#include "app/input.h"

namespace {


struct HelpLine {
    int y;
    const char *keys;
    const char *action;
};

const HelpLine HELP_LINES[] = {
    {130, "Left & Right Arrow", ": Move The Piece Left & Right"},
    {145, "Up Arrow", ": Rotate Piece"},
    {160, "Down Arrow", ": Lowers Piece"},
    {175, "Space Bar", ": Drops Piece To The Bottom"},
    {190, "F1", ": Help (What You Are Looking At)"},
    {205, "F2", ": Start A New Game"},
    {220, "F3", ": Screenshot In PCX Format"},
    {235, "ESC", ": Quit Game And/Or Menu"},
};

void Draw_Help(void)
{
    drawing_mode(DRAW_MODE_COPY_PATTERN, Datafile_Bitmap(DAT_PATTERN_SCREENS), 0, 0);
    rectfill(screen, 0, 0, 640, 480, 1);
    solid_mode();
    rect(screen, 0, 0, 639, 479, COL_HELP_OUTLINE);
    text_mode(-1);
    textout_centre(screen, Datafile_Font(DAT_FONT_SMALL), "HELP", 320, 10, COL_WHITE);
    textout(screen, font, "Keys", 60, 100, COL_GOLD);
    textout(screen, font, "--------", 45, 115, COL_TEXT);
    textout(screen, font, "Action", 330, 100, COL_GOLD);
    textout(screen, font, "--------------------------------------", 330, 115, COL_TEXT);
    for (const HelpLine &line : HELP_LINES) {
        textout(screen, font, line.keys, 20, line.y, COL_HELP_TEXT);
        textout(screen, font, line.action, 330, line.y, COL_HELP_TEXT);
    }
    textout_centre(screen, font, "Press ESC To Exit", 320, 450, COL_LEGEND_KEY);
}

} // namespace

void Help(void)
{
    blit(screen, temp_buffer, 0, 0, 0, 0, 640, 480);
    Draw_Help();
    // Escape down, then up again, so that the key does not reach the play
    // loop and end the game.
    WaitForKey(KEY_ESC, 1);
    WaitForKey(KEY_ESC, 0);
    clear_keybuf();
    blit(temp_buffer, screen, 0, 0, 0, 0, 640, 480);
}
