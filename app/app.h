// The application shell: the loaded datafile, the off-screen bitmaps, the
// settings of one run, the sound and music glue, and the fatal-error path.
#ifndef ZQ_APP_H
#define ZQ_APP_H

#include <allegro.h>

#include "app/colours.h"
#include "app/datafile.h"

class Button;

#define DATAFILE_NAME "zorvane.dat"
#define SCREENSHOT_FILE "zorvane.pcx"
#define TEXT_SIZE 256
#define GAME_NAME_SIZE 20

extern BITMAP *buffer;        // 200x400 off-screen picture of the well
extern BITMAP *temp_buffer;   // 640x480 scratch picture of the menu screens
extern char text[TEXT_SIZE];  // formatted text of the moment
extern char text2[TEXT_SIZE]; // second formatted text, file paths

extern Button *btn_new_game;  // title screen "PLAY GAME", lives for the whole run
extern Button *btn_exit;      // title screen "EXIT", lives for the whole run

// Settings of one run; truth values are -1 (on) and 0 (off).
extern int start_level;       // starting stage 0..3
extern int start_blocks;      // random bottom rows at the start 0..10
extern int sound_on;          // -1/0: row, click and high-score samples
extern int music_on;          // -1/0: MIDI songs only, never the in-game module
extern int sound_volume;      // 0..250 step 10: per-sample volume, mixer digital volume
extern int music_volume;      // 0..250 step 10: mixer MIDI volume
extern char current_game_name[GAME_NAME_SIZE]; // file name offered by save and load

// Ends the program: leaves the library, prints "Error: <message>" on standard
// output and exits with status 1.
[[noreturn]] void Error(const char *message);
// Non-zero when a plain file (read-only or archive attributes at most) exists.
int FileExist(const char *name);

// Sample `index` at sound_volume, pan 125, unchanged pitch; ignores sound_on.
void PlaySoundA(int index);
// MIDI object `index`, once, when music_on is set.
void PlaySong(int index);
// The in-game module, looped, at player volume 60, whatever music_on says.
void Music(void);

// Start-up; returns 0 when the title screen is up, else main's exit status.
int StartUp(char *program_path);
void DrawTitle(void);
// The title screen's loop, until EXIT or Escape.
void MainMenu(void);
void ShutDown(void);
// Writes the whole screen to zorvane.pcx with the given palette; failures are silent.
void TakeScreenshot(const RGB *palette);

#endif
