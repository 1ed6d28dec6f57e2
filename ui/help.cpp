// F1 in play: the keys of the game over a patterned background; Escape puts
// the play screen back exactly as it was.
#include "ui/screens.h"

#include "app/app.h"
#include "app/input.h"

namespace {

const int OUTLINE_COLOUR = 143;
const int TITLE_COLOUR = 255;
const int HEAD_COLOUR = 5;
const int RULE_COLOUR = 15;
const int LINE_COLOUR = 85;
const int FOOT_COLOUR = 86;

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
    drawing_mode(DRAW_MODE_COPY_PATTERN, (BITMAP *)data[DAT_PATTERN_SCREENS].dat, 0, 0);
    rectfill(screen, 0, 0, 640, 480, 1);
    solid_mode();
    rect(screen, 0, 0, 639, 479, OUTLINE_COLOUR);
    text_mode(-1);
    textout_centre(screen, (FONT *)data[DAT_FONT_SMALL].dat, "HELP", 320, 10, TITLE_COLOUR);
    textout(screen, font, "Keys", 60, 100, HEAD_COLOUR);
    textout(screen, font, "--------", 45, 115, RULE_COLOUR);
    textout(screen, font, "Action", 330, 100, HEAD_COLOUR);
    textout(screen, font, "--------------------------------------", 330, 115, RULE_COLOUR);
    for (const HelpLine &line : HELP_LINES) {
        textout(screen, font, line.keys, 20, line.y, LINE_COLOUR);
        textout(screen, font, line.action, 330, line.y, LINE_COLOUR);
    }
    textout_centre(screen, font, "Press ESC To Exit", 320, 450, FOOT_COLOUR);
}

} // namespace

void Help(void)
{
    blit(screen, temp_buffer, 0, 0, 0, 0, 640, 480);
    Draw_Help();
    // Escape down, then up again, so that the key does not reach the play
    // loop and end the game.
    while (!key[KEY_ESC] && !CloseRequested()) {
        RestUntilTick();
    }
    while (key[KEY_ESC] && !CloseRequested()) {
        RestUntilTick();
    }
    clear_keybuf();
    blit(temp_buffer, screen, 0, 0, 0, 0, 640, 480);
}
