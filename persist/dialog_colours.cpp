#include "persist/dialog_colours.h"

void UseLegibleDialogColours(const RGB *palette)
{
    // The palette holds 6-bit components (0..63); black on light grey reads
    // well and keeps the disabled (mid) colour distinct from both.
    gui_fg_color = bestfit_color(palette, 0, 0, 0);
    gui_mg_color = bestfit_color(palette, 32, 32, 32);
    gui_bg_color = bestfit_color(palette, 52, 52, 52);
}
