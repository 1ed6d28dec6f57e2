// The high-score table as data: its file image, its defaults, the insertion
// of a new result and the keys of the name entry. Nothing here draws.
#ifndef ZQ_HIGHSCORE_FILE_H
#define ZQ_HIGHSCORE_FILE_H

#include <stddef.h>
#include <stdint.h>

#include "persist/highscores.h"

#define HIGH_SCORE_FILE_SIZE (HIGH_SCORE_COUNT * 32) // 480 bytes, no header
#define HIGH_SCORE_NAME_SIZE 16                      // name field bytes in the file
#define HIGH_SCORE_NAME_MAX 14                       // characters a player may type
#define HIGH_SCORE_DEFAULT_NAME "Zorvane Champion"   // 16 characters, no NUL stored

static_assert(offsetof(HIGH_SCORE, score) == 0, "score at 0");
static_assert(offsetof(HIGH_SCORE, level) == 4, "level at 4");
static_assert(offsetof(HIGH_SCORE, lines) == 8, "lines at 8");
static_assert(offsetof(HIGH_SCORE, pieces) == 12, "pieces at 12");
static_assert(offsetof(HIGH_SCORE, name) == 16, "name at 16");

// Score 0, level 1, lines 0, pieces 0, "Zorvane Champion" filling the field.
void SetDefaultHighScore(HIGH_SCORE *entry);
void ResetHighScores(HIGH_SCORE table[HIGH_SCORE_COUNT]);

// The 480-byte file image, little-endian, field by field. Name bytes after
// the first NUL are written as zeros.
void EncodeHighScores(const HIGH_SCORE table[HIGH_SCORE_COUNT], unsigned char bytes[HIGH_SCORE_FILE_SIZE]);
// The whole table from the first `size` bytes of an image; what a short
// image does not supply is zero, bytes past 480 are ignored.
void DecodeHighScores(const unsigned char *bytes, size_t size, HIGH_SCORE table[HIGH_SCORE_COUNT]);

// -1 when the file could be opened (whatever its length), 0 when not; the
// table is only changed on success.
int LoadHighScoreFile(const char *path, HIGH_SCORE table[HIGH_SCORE_COUNT]);
// -1 when the file now holds the table; on 0 the old file is untouched.
int SaveHighScoreFile(const char *path, const HIGH_SCORE table[HIGH_SCORE_COUNT]);

// Makes room for a result and records it, below every entry scoring as much
// or more. Returns the new entry's index (its name is left to the caller),
// or -1 when the score does not beat the 15th entry.
int InsertHighScore(HIGH_SCORE table[HIGH_SCORE_COUNT], int32_t score, int32_t stage_lines,
                    int32_t lines, int32_t pieces);

// The name as text: the bytes up to the first NUL, or all 16.
void HighScoreName(const HIGH_SCORE *entry, char out[HIGH_SCORE_NAME_SIZE + 1]);
// Stores at most 16 bytes of `name`, NUL-terminated when shorter.
void SetHighScoreName(HIGH_SCORE *entry, const char *name);

// What a key does to the name being typed.
enum NameEntryResult {
    NAME_KEY_IGNORED, // nothing changed
    NAME_KEY_ADDED,   // a character was appended
    NAME_KEY_ERASED,  // the last character was removed
    NAME_KEY_DONE     // Enter: the name is complete
};
// One key of the name entry: `ascii` is the low byte of the key read,
// the two flags tell whether Backspace and Enter are held at this moment.
// `name` holds room for HIGH_SCORE_NAME_MAX characters and a NUL.
NameEntryResult NameEntryKey(char *name, int ascii, int backspace_down, int enter_down);

#endif
