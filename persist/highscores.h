// The table of the fifteen best results, kept in zorvane.hsc.
#ifndef ZQ_HIGHSCORES_H
#define ZQ_HIGHSCORES_H

#include <stdint.h>

#define HIGH_SCORE_COUNT 15
#define HIGH_SCORE_FILE "zorvane.hsc"

// One entry, stored byte for byte (little-endian) in the file.
struct HIGH_SCORE {
    int32_t score;   // final score
    int32_t level;   // stage reached
    int32_t lines;   // rows removed, plus one
    int32_t pieces;  // elements placed, plus one
    char name[16];   // up to the first NUL, or all 16 bytes without one
};
static_assert(sizeof(HIGH_SCORE) == 32, "a high-score entry is 32 bytes in the file");

extern HIGH_SCORE HighScores[HIGH_SCORE_COUNT];

// Start-up: the defaults when the file is missing, else the file's records
// (a short file leaves the rest zero). Calls Error when it cannot be opened.
void ReadHighScores(void);
// Exit: writes the table back; a failure loses nothing already on disk.
void WriteHighScores(void);

void GotHighScore(void);
void GetHighScore(void);
void DrawHighScores(void);
void ViewHighScores(void);

#endif
