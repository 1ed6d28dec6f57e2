// The whole screen as zorvane.pcx in the working directory (F3).
#include "app/app.h"

void TakeScreenshot(const RGB *palette)
{
    BITMAP *whole = create_sub_bitmap(screen, 0, 0, SCREEN_W, SCREEN_H);
    if (whole == NULL) {
        return;
    }
    // A failed write goes unreported: play goes on.
    save_pcx(SCREENSHOT_FILE, whole, palette);
    destroy_bitmap(whole);
}
