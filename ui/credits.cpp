// The credits: a song and a block of text rising over a picture until a key
// is pressed.
#include "ui/screens.h"

#include "app/app.h"
#include "app/input.h"

namespace {

const int CREDIT_LINES = 18;
const int LINE_SPACING = 20;
const int BLOCK_HEIGHT = CREDIT_LINES * LINE_SPACING; // 360
const int LOGO_X = 126;
const int LOGO_Y = 25;

const char *const CREDITS[CREDIT_LINES] = {
    "Programming, Graphics, Level Design",
    "Music and Sounds: the Quibbleon team",
    " ",
    "Dedicated  to: ",
    "everyone who plays it",
    " ",
    "Every picture, font, sound and song",
    "of this game is made at build time",
    "by the game's own tools, from sources",
    "kept beside its code.",
    " ",
    "Fonts: DejaVu, under their free licence;",
    "MIDI instruments: the freepats set.",
    " ",
    "Thanks to the makers of the Allegro library",
    "and to all who test, report and mend.",
    " ",
    "Press ESC to continue",
};

void Draw_Background(BITMAP *target)
{
    BITMAP *logo = Datafile_Bitmap(DAT_LOGO);
    blit(Datafile_Bitmap(DAT_CREDITS_BACKGROUND), target, 0, 0, 0, 0, 640, 480);
    blit(logo, target, 0, 0, LOGO_X, LOGO_Y, logo->w, logo->h);
}

void Compose_Frame(int y)
{
    Draw_Background(temp_buffer);
    FONT *small = Datafile_Font(DAT_FONT_SMALL);
    for (int i = 0; i < CREDIT_LINES; i++) {
        textout_centre(temp_buffer, small, CREDITS[i], SCREEN_W / 2, y + LINE_SPACING * i, COL_GOLD);
    }
}

// Only the text block's columns and rows (a pixel lower a frame ago)
// change from one frame to the next.
void Show_Frame(int y, int widest, int tallest)
{
    int left = (SCREEN_W - widest) / 2 - 1;
    int top = MAX(y, 0);
    int bottom = MIN(y + tallest + 1, SCREEN_H);
    if (top < bottom) {
        blit(temp_buffer, screen, left, top, left, top, widest + 2, bottom - top);
    }
}

// The library's vsync polls every millisecond for the retrace count to move
// on; this is the same wait for two retraces, resting between ticks.
void Wait_Two_Retraces(void)
{
    int target = retrace_count + 2;
    while (retrace_count - target < 0 && !CloseRequested()) {
        RestUntilTick();
    }
}

} // namespace

void ViewCredits(void)
{
    PlaySong(DAT_MIDI_CREDITS);
    int y = SCREEN_H;
    show_mouse(NULL);
    fade_out(255);
    Draw_Background(screen);
    fade_in(Game_Palette(), 5);
    text_mode(-1);
    clear_keybuf();
    FONT *small = Datafile_Font(DAT_FONT_SMALL);
    int widest = 0;
    for (const char *line : CREDITS) {
        widest = MAX(widest, text_length(small, line));
    }
    int tallest = MAX(BLOCK_HEIGHT, LINE_SPACING * (CREDIT_LINES - 1) + text_height(small));
    do {
        Compose_Frame(y);
        Wait_Two_Retraces();
        Show_Frame(y, widest, tallest);
        y--;
        if (y + BLOCK_HEIGHT < 0) {
            y = SCREEN_H;
        }
    } while (!keypressed() && !CloseRequested());
    // The key stays in the buffer, and held it must not also leave the menu.
    SpendHeldKeys();
    stop_midi();
    fade_out(2);
    clear(screen);
}
