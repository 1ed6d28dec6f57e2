// The shell's globals and the settings of one run, with their defaults.
#include "app/app.h"

#include "persist/savegame_file.h"

DATAFILE *data = NULL;
BITMAP *buffer = NULL;
BITMAP *temp_buffer = NULL;
char text[TEXT_SIZE];
char text2[TEXT_SIZE];

Button *btn_new_game = NULL;
Button *btn_exit = NULL;

int start_level = 0;
int start_blocks = 0;
int sound_on = -1;
int music_on = -1;
int sound_volume = 200;
int music_volume = 200;
char current_game_name[GAME_NAME_SIZE] = SAVED_GAME_DEFAULT_NAME;
