// Bringing the library, the player and the datafile up, the title screen,
// and taking it all down again at the end.
#include "app/app.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

#include "app/input.h"
#include "game/game.h"
#include "modplayer/jgmod.h"
#include "persist/highscores.h"
#include "ui/button.h"

namespace {

const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const int DIGITAL_VOICES = 16;
const int MODULE_VOICES = 4;
const int TITLE_FADE_SPEED = 5;
// Timer period in the library's milliseconds: 10 ms at 640 pixels wide.
const int TICK_PERIOD_NUMERATOR = 6400;

int Open_Window(void)
{
    set_color_depth(8);
    // The first request is only a warm-up; the second decides.
    set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0) != 0) {
        allegro_message("Error setting graphics mode\n%s\n", allegro_error);
        return 1;
    }
    return 0;
}

// Without a usable sound card the game still runs, silently: the sound is
// played into ALSA's null device. The setting is an override, so it is
// never written back into anybody's allegro.cfg.
const char SILENT_SOUND_CONFIG[] = "[sound]\nalsa_device = null\n";

int Install_Sound(char *program_path)
{
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, program_path) == 0) {
        return 0;
    }
    override_config_data(SILENT_SOUND_CONFIG, sizeof SILENT_SOUND_CONFIG - 1);
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, program_path) == 0) {
        return 0;
    }
    allegro_message("Error initializing sound\n%s\n", allegro_error);
    return 1;
}

void Load_Datafile(void)
{
    char executable[TEXT_SIZE];
    char path[TEXT_SIZE];
    get_executable_name(executable, sizeof executable);
    replace_filename(path, executable, DATAFILE_NAME, sizeof path);
    data = load_datafile(path);
    if (data == NULL) {
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
        allegro_message("Error loading %s\n", path);
        exit(1);
    }
}

} // namespace

int StartUp(char *program_path)
{
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        // The library's own reason (no display, no system driver) says what to fix.
        printf("Error initializing the game library\n%s\n", allegro_error);
        return 1;
    }
    install_keyboard();
    install_timer();
    install_mouse();
    reserve_voices(DIGITAL_VOICES, -1);
    if (Open_Window() != 0) {
        return 1;
    }
    if (Install_Sound(program_path) != 0) {
        return 1;
    }
    // Registers the module object type, so it must precede the datafile.
    if (install_mod(MODULE_VOICES) < 0) {
        printf("Error setting MOD voices");
        return 1;
    }
    ReadHighScores();
    Load_Datafile();
    set_palette(Game_Palette());
    install_int(game_timer, TICK_PERIOD_NUMERATOR / SCREEN_W);
    InstallInputHooks();
    btn_new_game = new Button("PLAY GAME", 245, 320, 385, 345, COL_ORANGE, COL_YELLOW,
                              Datafile_Bitmap(DAT_BUTTON_TITLE));
    btn_exit = new Button("EXIT", 245, 350, 385, 375, COL_ORANGE, COL_YELLOW,
                          Datafile_Bitmap(DAT_BUTTON_TITLE));
    buffer = create_bitmap(200, 400);
    temp_buffer = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (buffer == NULL || temp_buffer == NULL) {
        Error("Not enough memory for the off-screen pictures\n");
    }
    DrawTitle();
    start_blocks = 0;
    start_level = 0;
    return 0;
}

void DrawTitle(void)
{
    show_mouse(NULL);
    fade_out(255);
    blit(Datafile_Bitmap(DAT_TITLE), screen, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    textout(screen, font, "NEW! Windows only version", 210, 450, COL_TEXT);
    textout(screen, font, "Made by the Quibbleon team", 202, 460, COL_TEXT);
    btn_new_game->DrawButton();
    btn_exit->DrawButton();
    show_mouse(NULL);
    fade_in(Game_Palette(), TITLE_FADE_SPEED);
    show_mouse(screen);
}

void ShutDown(void)
{
    fade_out(2);
    WriteHighScores();
    destroy_bitmap(buffer);
    destroy_bitmap(temp_buffer);
    buffer = NULL;
    temp_buffer = NULL;
    stop_midi();
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    // The module may still be playing from the last game; it must be silent
    // before the datafile that holds it is released.
    stop_mod();
    unload_datafile(data);
    data = NULL;
    allegro_exit();
}
