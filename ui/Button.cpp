// The clickable button and the small text and frame helpers of the menus.
#include "ui/button.h"

#include <string.h>

#include "app/app.h"
#include "app/input.h"

namespace {

const int CLICK_PAN = 125;
const int CLICK_PITCH = 1000; // unchanged pitch

void Play_Click(void)
{
    if (sound_on) {
        play_sample(Datafile_Sample(DAT_SAMPLE_CLICK), sound_volume, CLICK_PAN, CLICK_PITCH, 0);
    }
}

FONT *Label_Font(void)
{
    return Datafile_Font(DAT_FONT_LARGE);
}

} // namespace

Button::Button(const char *label, int x1, int y1, int x2, int y2, int col1, int col2, BITMAP *picture)
    : x1(x1), y1(y1), x2(x2), y2(y2), col1(col1), col2(col2), picture(picture), name(), pressed(0)
{
    ChangeName(label);
}

void Button::ChangeName(const char *label)
{
    // A label too long for the field is cut, never overrun.
    if (label == NULL) {
        name[0] = '\0';
        return;
    }
    strncpy(name, label, BUTTON_NAME_SIZE - 1);
    name[BUTTON_NAME_SIZE - 1] = '\0';
}

void Button::DrawButton(void)
{
    show_mouse(NULL);
    if (name[0] != '\0') {
        rectfill(screen, x1, y1, x2, y2, COL_BUTTON_FACE);
    } else if (picture != NULL) {
        // One pixel short each way: the bevel covers the picture's edges.
        blit(picture, screen, 0, 0, x1, y1, x2 - x1, y2 - y1);
    }
    solid_mode();
    int cx = x1 + (x2 - x1) / 2;
    int ty = y1 + (y2 - y1 - text_height(Label_Font())) / 2;
    if (pressed == 0) {
        DrawFrame(x1, y1, x2, y2, col2, col1);
        Dtextout_centre(screen, Label_Font(), name, cx, ty, col2, col1);
    } else {
        DrawFrame(x1, y1, x2, y2, col1, col2);
        Dtextout_centre(screen, Label_Font(), name, cx, ty, col1, col2);
    }
    show_mouse(screen);
}

int Button::Clicked(void)
{
    if (!mouseinbox(x1, y1, x2, y2) || !(mouse_b & 1)) {
        return 0;
    }
    pressed = -1;
    DrawButton();
    Play_Click();
    // The button owns the mouse until it is released; each re-entry clicks again.
    while ((mouse_b & 1) && !CloseRequested()) {
        int inside = mouseinbox(x1, y1, x2, y2);
        if (inside && pressed == 0) {
            Play_Click();
            pressed = -1;
            DrawButton();
        } else if (!inside && pressed == -1) {
            pressed = 0;
            DrawButton();
        }
        RestUntilTick();
    }
    int result = CloseRequested() ? 0 : pressed;
    pressed = 0;
    DrawButton();
    return result;
}

void DrawFrame(int x1, int y1, int x2, int y2, int c1, int c2)
{
    // Verticals last, so the lower-left corner ends in c1 and the upper-right in c2.
    hline(screen, x1, y1, x2, c1);
    hline(screen, x1, y2, x2, c2);
    vline(screen, x1, y1, y2, c1);
    vline(screen, x2, y1, y2, c2);
    hline(screen, x1 + 1, y1 + 1, x2 - 1, c1);
    hline(screen, x1 + 1, y2 - 1, x2 - 1, c2);
    vline(screen, x1 + 1, y1 + 1, y2 - 1, c1);
    vline(screen, x2 - 1, y1 + 1, y2 - 1, c2);
}

void Dtextout(BITMAP *bmp, FONT *f, const char *s, int x, int y, int colour, int shadow)
{
    text_mode(-1);
    textout(bmp, f, s, x + 1, y + 1, shadow);
    textout(bmp, f, s, x, y, colour);
}

void Dtextout_centre(BITMAP *bmp, FONT *f, const char *s, int x, int y, int colour, int shadow)
{
    text_mode(-1);
    textout_centre(bmp, f, s, x + 1, y + 1, shadow);
    textout_centre(bmp, f, s, x, y, colour);
}

int mouseinbox(int x1, int y1, int x2, int y2)
{
    int mx = mouse_x;
    int my = mouse_y;
    return (x1 < mx && mx < x2 && y1 < my && my < y2) ? -1 : 0;
}
