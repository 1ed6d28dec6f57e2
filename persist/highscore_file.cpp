#include "persist/highscore_file.h"

#include <stdio.h>
#include <string.h>

#include "game/game.h"
#include "persist/atomic_file.h"

namespace {

void PutLittle32(unsigned char *out, int32_t value)
{
    uint32_t bits = (uint32_t)value;
    out[0] = (unsigned char)(bits & 0xFF);
    out[1] = (unsigned char)((bits >> 8) & 0xFF);
    out[2] = (unsigned char)((bits >> 16) & 0xFF);
    out[3] = (unsigned char)((bits >> 24) & 0xFF);
}

int32_t GetLittle32(const unsigned char *in)
{
    uint32_t bits = (uint32_t)in[0] | ((uint32_t)in[1] << 8) | ((uint32_t)in[2] << 16) | ((uint32_t)in[3] << 24);
    return (int32_t)bits;
}

} // namespace

void SetDefaultHighScore(HIGH_SCORE *entry)
{
    entry->score = 0;
    entry->level = 1;
    entry->lines = 0;
    entry->pieces = 0;
    memcpy(entry->name, HIGH_SCORE_DEFAULT_NAME, HIGH_SCORE_NAME_SIZE);
}

void ResetHighScores(HIGH_SCORE table[HIGH_SCORE_COUNT])
{
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        SetDefaultHighScore(&table[i]);
    }
}

void EncodeHighScores(const HIGH_SCORE table[HIGH_SCORE_COUNT], unsigned char bytes[HIGH_SCORE_FILE_SIZE])
{
    memset(bytes, 0, HIGH_SCORE_FILE_SIZE);
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        unsigned char *entry = bytes + 32 * i;
        PutLittle32(entry + 0, table[i].score);
        PutLittle32(entry + 4, table[i].level);
        PutLittle32(entry + 8, table[i].lines);
        PutLittle32(entry + 12, table[i].pieces);
        // Bytes after the terminator have no meaning; zeros keep stale
        // letters of older names out of the file.
        size_t length = strnlen(table[i].name, HIGH_SCORE_NAME_SIZE);
        memcpy(entry + 16, table[i].name, length);
    }
}

void DecodeHighScores(const unsigned char *bytes, size_t size, HIGH_SCORE table[HIGH_SCORE_COUNT])
{
    unsigned char image[HIGH_SCORE_FILE_SIZE];
    memset(image, 0, sizeof image);
    memcpy(image, bytes, size < sizeof image ? size : sizeof image);
    for (int i = 0; i < HIGH_SCORE_COUNT; i++) {
        const unsigned char *entry = image + 32 * i;
        table[i].score = GetLittle32(entry + 0);
        table[i].level = GetLittle32(entry + 4);
        table[i].lines = GetLittle32(entry + 8);
        table[i].pieces = GetLittle32(entry + 12);
        memcpy(table[i].name, entry + 16, HIGH_SCORE_NAME_SIZE);
    }
}

int LoadHighScoreFile(const char *path, HIGH_SCORE table[HIGH_SCORE_COUNT])
{
    FILE *file = fopen(path, "rb");
    if (!file) {
        return 0;
    }
    unsigned char image[HIGH_SCORE_FILE_SIZE];
    size_t size = fread(image, 1, sizeof image, file);
    fclose(file);
    DecodeHighScores(image, size, table);
    return -1;
}

int SaveHighScoreFile(const char *path, const HIGH_SCORE table[HIGH_SCORE_COUNT])
{
    unsigned char image[HIGH_SCORE_FILE_SIZE];
    EncodeHighScores(table, image);
    return ReplaceFileContents(path, image, sizeof image);
}

int InsertHighScore(HIGH_SCORE table[HIGH_SCORE_COUNT], int32_t score, int32_t stage_lines,
                    int32_t lines, int32_t pieces) {
    if (score <= table[HIGH_SCORE_COUNT - 1].score) {
        return -1;
    }
    int n = HIGH_SCORE_COUNT - 1;
    while (n >= 0 && score > table[n].score) {
        if (n > 0) {
            table[n] = table[n - 1];
        }
        n--;
    }
    HIGH_SCORE *entry = &table[n + 1];
    entry->score = score;
    entry->level = stage_lines / 10;
    // Counters from a foreign file may sit at the top of the range: "one more" stops there.
    entry->lines = lines;
    entry->pieces = pieces;
    Add_Saturating(entry->lines, 1);
    Add_Saturating(entry->pieces, 1);
    return n + 1;
}

void HighScoreName(const HIGH_SCORE *entry, char out[HIGH_SCORE_NAME_SIZE + 1])
{
    size_t length = strnlen(entry->name, HIGH_SCORE_NAME_SIZE);
    memcpy(out, entry->name, length);
    out[length] = '\0';
}

void SetHighScoreName(HIGH_SCORE *entry, const char *name)
{
    size_t length = strnlen(name, HIGH_SCORE_NAME_SIZE);
    memset(entry->name, 0, HIGH_SCORE_NAME_SIZE);
    memcpy(entry->name, name, length);
}

NameEntryResult NameEntryKey(char *name, int ascii, int backspace_down, int enter_down)
{
    size_t length = strlen(name);
    if (ascii >= 32 && ascii <= 126 && length < HIGH_SCORE_NAME_MAX) {
        name[length] = (char)ascii;
        name[length + 1] = '\0';
        return NAME_KEY_ADDED;
    }
    if (backspace_down && length > 0) {
        name[length - 1] = '\0';
        return NAME_KEY_ERASED;
    }
    if (enter_down) {
        return NAME_KEY_DONE;
    }
    return NAME_KEY_IGNORED;
}
