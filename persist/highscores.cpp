// Placeholder bodies: the real implementation replaces this file.
#include "persist/highscores.h"

HIGH_SCORE HighScores[HIGH_SCORE_COUNT];

void ReadHighScores(void) {}
void WriteHighScores(void) {}
void GotHighScore(void) {}
void GetHighScore(void) {}
void DrawHighScores(void) {}
void ViewHighScores(void) {}
