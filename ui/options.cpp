// The options screen: sound and music switches and volumes, starting stage
// and starting rows. Settings live in memory for the run.
#include "ui/screens.h"

#include "app/app.h"
#include "app/input.h"
#include "ui/button.h"
#include "ui/option_steps.h"

namespace {

const int FADE_SPEED = 5;
const int LEAVE_FADE_SPEED = 10;

// An arrow or value row: down arrow, value, up arrow, 30 pixels high.
struct Stepper {
    Button down;
    Button value;
    Button up;
};

Stepper Make_Stepper(int x, int y, int current)
{
    char label[12];
    FormatOptionValue(label, current);
    return Stepper{
        Button(NULL, x, y, x + 30, y + 30, COL_TEXT, COL_BUTTON_LIGHT, Datafile_Bitmap(DAT_BUTTON_DECREASE)),
        Button(label, x + 31, y, x + 179, y + 30, COL_TEXT, COL_BUTTON_LIGHT,
               Datafile_Bitmap(DAT_BUTTON_LABELLED)),
        Button(NULL, x + 180, y, x + 210, y + 30, COL_TEXT, COL_BUTTON_LIGHT,
               Datafile_Bitmap(DAT_BUTTON_INCREASE)),
    };
}

void Draw_Stepper(Stepper &stepper)
{
    stepper.down.DrawButton();
    stepper.value.DrawButton();
    stepper.up.DrawButton();
}

// Applies a step; relabels and redraws the value only when it changed.
// Returns -1 when it did.
int Step(int *setting, int (*rule)(int), Button &value)
{
    int stepped = rule(*setting);
    if (stepped == *setting) {
        return 0;
    }
    *setting = stepped;
    char label[12];
    FormatOptionValue(label, stepped);
    value.ChangeName(label);
    value.DrawButton();
    return -1;
}

// The library's mixer hears of the volumes only from here.
void Volume_Step(int *volume, int (*rule)(int), Button &value)
{
    if (Step(volume, rule, value)) {
        set_volume(sound_volume, music_volume);
    }
}

void Draw_Screen(void)
{
    show_mouse(NULL);
    clear(screen);
    Draw_Menu_Screen(DAT_PATTERN_SCREENS);
    FONT *large = Datafile_Font(DAT_FONT_LARGE);
    FONT *small = Datafile_Font(DAT_FONT_SMALL);
    textout_centre(screen, large, "O P T I O N S", SCREEN_W / 2, 20, COL_GOLD);
    textout_centre(screen, small, "Sound Volume", 190, 160, COL_TEXT);
    textout_centre(screen, small, "Music Volume", 455, 160, COL_TEXT);
    textout_centre(screen, large, "STAGE OPTIONS", SCREEN_W / 2, 280, COL_GOLD);
    textout_centre(screen, small, "Starting Level", 185, 320, COL_TEXT);
    textout_centre(screen, small, "Starting Blocks", 450, 320, COL_TEXT);
    textout(screen, font, "Zorvane Quibbleon v2.0 -- Made by the Quibbleon team", 150, 468, COL_TEXT);
    show_mouse(screen);
}

} // namespace

void Options(void)
{
    fade_out(LEAVE_FADE_SPEED);
    clear_to_color(temp_buffer, 0);
    BITMAP *labelled = Datafile_Bitmap(DAT_BUTTON_LABELLED);
    Button exit_button("E x i t", 215, 400, 425, 430, COL_TEXT, COL_BUTTON_LIGHT, labelled);
    Button sound_switch(SoundSwitchLabel(sound_on), 80, 100, 290, 130, COL_TEXT, COL_BUTTON_LIGHT, labelled);
    Button music_switch(MusicSwitchLabel(music_on), 350, 100, 560, 130, COL_TEXT, COL_BUTTON_LIGHT, labelled);
    Stepper sound = Make_Stepper(80, 200, sound_volume);
    Stepper music = Make_Stepper(350, 200, music_volume);
    Stepper level = Make_Stepper(80, 350, start_level);
    Stepper blocks = Make_Stepper(350, 350, start_blocks);

    Draw_Screen();
    exit_button.DrawButton();
    sound_switch.DrawButton();
    music_switch.DrawButton();
    Draw_Stepper(sound);
    Draw_Stepper(music);
    Draw_Stepper(level);
    Draw_Stepper(blocks);
    show_mouse(NULL);
    fade_in(Game_Palette(), FADE_SPEED);
    show_mouse(screen);

    while (!exit_button.Clicked() && !CloseRequested()) {
        if (sound_switch.Clicked()) {
            sound_on = ToggleSetting(sound_on);
            sound_switch.ChangeName(SoundSwitchLabel(sound_on));
            sound_switch.DrawButton();
        } else if (music_switch.Clicked()) {
            music_on = ToggleSetting(music_on);
            if (!music_on) {
                stop_midi();
            }
            music_switch.ChangeName(MusicSwitchLabel(music_on));
            music_switch.DrawButton();
        } else if (sound.up.Clicked()) {
            Volume_Step(&sound_volume, VolumeUp, sound.value);
        } else if (sound.down.Clicked()) {
            Volume_Step(&sound_volume, VolumeDown, sound.value);
        } else if (music.up.Clicked()) {
            Volume_Step(&music_volume, VolumeUp, music.value);
        } else if (music.down.Clicked()) {
            Volume_Step(&music_volume, VolumeDown, music.value);
        } else if (level.up.Clicked()) {
            Step(&start_level, LevelUp, level.value);
        } else if (level.down.Clicked()) {
            Step(&start_level, LevelDown, level.value);
        } else if (blocks.up.Clicked()) {
            Step(&start_blocks, BlocksUp, blocks.value);
        } else if (blocks.down.Clicked()) {
            Step(&start_blocks, BlocksDown, blocks.value);
        }
        RestUntilTick();
    }
    fade_out(LEAVE_FADE_SPEED);
    stop_midi();
}
