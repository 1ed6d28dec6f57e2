// The high-score table in play: the start-up read and exit write of
// zorvane.hsc, the check after a game over, the name entry and the table
// screen.
#include "persist/highscores.h"

#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/input.h"
#include "game/game.h"
#include "persist/highscore_file.h"
#include "ui/button.h"

HIGH_SCORE HighScores[HIGH_SCORE_COUNT];

namespace {

const int FIELD_X = 155; // name text and cursor
const int FIELD_Y = 212;

void Fill_With_Pattern(int x1, int y1, int x2, int y2)
{
    drawing_mode(DRAW_MODE_COPY_PATTERN, Datafile_Bitmap(DAT_PATTERN_SCREENS), 0, 0);
    rectfill(screen, x1, y1, x2, y2, 1);
}

void Draw_Name_Box(void)
{
    Fill_With_Pattern(100, 150, 340, 280);
    solid_mode();
    text_mode(-1);
    rect(screen, 100, 150, 340, 280, COL_OUTLINE);
    textout_centre(screen, Datafile_Font(DAT_FONT_LARGE), "You got high score", 210, 160, COL_TEXT);
    rectfill(screen, 150, 200, 290, 240, COL_BLACK);
    rect(screen, 150, 200, 290, 240, COL_OUTLINE);
}

void Draw_Typed_Name(void)
{
    FONT *large = Datafile_Font(DAT_FONT_LARGE);
    textout(screen, large, text, FIELD_X, FIELD_Y, COL_TEXT);
    textout(screen, large, "_", FIELD_X + text_length(large, text), FIELD_Y, COL_TEXT);
}

void Draw_Entry(int rank, const HIGH_SCORE *entry)
{
    FONT *numbers = Datafile_Font(DAT_FONT_NUMBERS);
    int y = 80 + 20 * rank;
    char name[HIGH_SCORE_NAME_SIZE + 1];
    HighScoreName(entry, name);
    snprintf(text, sizeof text, "%2d      %s", rank + 1, name);
    textout(screen, numbers, text, 55, y, COL_TEXT);
    snprintf(text, sizeof text, "%06d", entry->score);
    textout(screen, numbers, text, 380, y, COL_TEXT);
    snprintf(text, sizeof text, "%03d", entry->level);
    textout(screen, numbers, text, 460, y, COL_TEXT);
    snprintf(text, sizeof text, "%05d", entry->lines);
    textout(screen, numbers, text, 530, y, COL_TEXT);
    snprintf(text, sizeof text, "%04d", entry->pieces);
    textout(screen, numbers, text, 600, y, COL_TEXT);
}

} // namespace

void ReadHighScores(void)
{
    if (!FileExist(HIGH_SCORE_FILE)) {
        ResetHighScores(HighScores);
        return;
    }
    // What a short file does not supply is zero, as in a fresh program.
    memset(HighScores, 0, sizeof HighScores);
    if (!LoadHighScoreFile(HIGH_SCORE_FILE, HighScores)) {
        Error("Error reading file: " HIGH_SCORE_FILE "\nDelete it and try running again.\n");
    }
}

void WriteHighScores(void)
{
    // A failure is not reported; the previous file stays as it was.
    SaveHighScoreFile(HIGH_SCORE_FILE, HighScores);
}

void GotHighScore(void)
{
    if (Game.score <= HighScores[HIGH_SCORE_COUNT - 1].score) {
        return;
    }
    if (sound_on) {
        PlaySoundA(DAT_SAMPLE_HIGH_SCORE);
    }
    int index = InsertHighScore(HighScores, Game.score, Game.stage_lines, Game.lines, Game.pieces);
    GetHighScore();
    SetHighScoreName(&HighScores[index], text);
    ViewHighScores();
}

void GetHighScore(void)
{
    Draw_Name_Box();
    text[0] = '\0';
    clear_keybuf();
    // Opaque text, so that a shorter name erases the cursor behind it.
    text_mode(0);
    textout(screen, Datafile_Font(DAT_FONT_LARGE), "_", FIELD_X, FIELD_Y, COL_TEXT);
    for (;;) {
        WaitForKeypress();
        // A close request keeps what was typed, as Enter would.
        if (CloseRequested()) {
            break;
        }
        int ascii = readkey() & 0xFF;
        // Backspace and Enter count only while held, as the key state says.
        NameEntryResult result = NameEntryKey(text, ascii, key[KEY_BACKSPACE], key[KEY_ENTER]);
        if (result == NAME_KEY_DONE) {
            break;
        }
        if (result == NAME_KEY_ADDED) {
            PlaySoundA(DAT_SAMPLE_KEY_CLICK);
        } else if (result == NAME_KEY_ERASED) {
            PlaySoundA(DAT_SAMPLE_KEY_CLICK);
            rectfill(screen, 151, 201, 289, 239, COL_BLACK);
        }
        Draw_Typed_Name();
    }
    text_mode(-1);
}

void DrawHighScores(void)
{
    show_mouse(NULL);
    clear(screen);
    Fill_With_Pattern(0, 0, SCREEN_W, SCREEN_H);
    textout(screen, font, "Zorvane Quibbleon v2.0 -- Made by the Quibbleon team", 150, 468, COL_TEXT);
    solid_mode();
    text_mode(-1);
    rect(screen, 0, 0, SCREEN_W - 1, SCREEN_H - 1, COL_OUTLINE);
    textout_centre(screen, Datafile_Font(DAT_FONT_LARGE), "H I G H   S C O R E S", SCREEN_W / 2, 20, COL_TEXT);
    FONT *numbers = Datafile_Font(DAT_FONT_NUMBERS);
    textout(screen, numbers, "Name", 150, 60, COL_TEXT);
    textout(screen, numbers, "Score", 380, 60, COL_TEXT);
    textout(screen, numbers, "Level", 450, 60, COL_TEXT);
    textout(screen, numbers, "Lines", 520, 60, COL_TEXT);
    textout(screen, numbers, "Pieces", 590, 60, COL_TEXT);
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        Draw_Entry(i, &HighScores[i]);
    }
    show_mouse(screen);
}

void ViewHighScores(void)
{
    BITMAP *picture = Datafile_Bitmap(DAT_BUTTON_LABELLED);
    Button exit_button("E x i t", 100, 420, 300, 450, COL_TEXT, COL_BUTTON_LIGHT, picture);
    Button reset_button("R e s e t", 340, 420, 540, 450, COL_TEXT, COL_BUTTON_LIGHT, picture);
    DrawHighScores();
    exit_button.DrawButton();
    reset_button.DrawButton();
    while (!CloseRequested()) {
        if (exit_button.Clicked()) {
            return;
        }
        if (reset_button.Clicked()) {
            ResetHighScores(HighScores);
            DrawHighScores();
            exit_button.DrawButton();
            reset_button.DrawButton();
        } else if (KeyHeld(KEY_ESC)) {
            return;
        }
        RestUntilTick();
    }
}
