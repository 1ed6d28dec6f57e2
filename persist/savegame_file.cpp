#include "persist/savegame_file.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "persist/atomic_file.h"

const char GAMESG[GAME_SIGNATURE_SIZE] = "Zorvane Quibbleon v2.0 (Windows Only Version)";
static_assert(sizeof("Zorvane Quibbleon v2.0 (Windows Only Version)") == GAME_SIGNATURE_SIZE,
              "the signature is 45 characters and a NUL");

namespace {

const int GAME_WORDS = GAME_RECORD_SIZE / 4;

// The record is 228 int32 without padding, so it is read and written as
// that many words in file order.
void RecordToWords(const GAME *game, int32_t words[GAME_WORDS])
{
    memcpy(words, game, GAME_RECORD_SIZE);
}

void WordsToRecord(const int32_t words[GAME_WORDS], GAME *game)
{
    memcpy(game, words, GAME_RECORD_SIZE);
}

// The block holds exactly the cells of its element code. An empty block
// would never land, and any other would not be the element drawn and turned.
bool BlockIsItsElement(const GAME *game)
{
    int32_t shape[BLOCK_SIZE * BLOCK_SIZE] = {0};
    return Element_Block(game->element, shape) && memcmp(shape, game->block, sizeof shape) == 0;
}

// A full row 0 ends a game before it can be saved: the next element has no
// room to enter.
bool TopRowFull(const GAME *game)
{
    return Row_Full_In(game, 0);
}

bool ValidCell(int32_t value)
{
    return value == 0 || Is_Element(value);
}

bool BlockInsideWell(const GAME *game)
{
    for (int i = 0; i < BLOCK_SIZE; i++) {
        for (int j = 0; j < BLOCK_SIZE; j++) {
            if (game->block[i * BLOCK_SIZE + j] == 0) {
                continue;
            }
            // 64-bit sums: a foreign position may sit at the edge of int32.
            int64_t column = (int64_t)game->x + i;
            int64_t row = (int64_t)game->y + j;
            if (column < 0 || column >= MAP_W || row < 0 || row >= MAP_H) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

void EncodeSavedGame(const GAME *game, unsigned char bytes[SAVED_GAME_SIZE])
{
    int32_t words[GAME_WORDS];
    RecordToWords(game, words);
    for (int w = 0; w < GAME_WORDS; w++) {
        uint32_t bits = (uint32_t)words[w];
        for (int b = 0; b < 4; b++) {
            bytes[4 * w + b] = (unsigned char)((bits >> (8 * b)) & 0xFF);
        }
    }
    memcpy(bytes + GAME_RECORD_SIZE, GAMESG, GAME_SIGNATURE_SIZE);
}

void DecodeSavedGame(const unsigned char *bytes, size_t size, GAME *game)
{
    unsigned char image[SAVED_GAME_SIZE];
    EncodeSavedGame(game, image);
    memcpy(image, bytes, size < GAME_RECORD_SIZE ? size : GAME_RECORD_SIZE);
    int32_t words[GAME_WORDS];
    for (int w = 0; w < GAME_WORDS; w++) {
        const unsigned char *in = image + 4 * w;
        uint32_t bits = (uint32_t)in[0] | ((uint32_t)in[1] << 8) | ((uint32_t)in[2] << 16) | ((uint32_t)in[3] << 24);
        words[w] = (int32_t)bits;
    }
    WordsToRecord(words, game);
}

int GameRecordPlayable(const GAME *game)
{
    if (!BlockIsItsElement(game) || !BlockInsideWell(game) || TopRowFull(game)) {
        return 0;
    }
    if (!Is_Element(game->next_element)) {
        return 0;
    }
    for (int32_t cell : game->map) {
        if (!ValidCell(cell)) {
            return 0;
        }
    }
    return -1;
}

int WriteSavedGame(const char *path, const GAME *game)
{
    unsigned char image[SAVED_GAME_SIZE];
    EncodeSavedGame(game, image);
    return ReplaceFileContents(path, image, sizeof image);
}

SavedGameLoad ReadSavedGame(const char *path, GAME *game)
{
    FILE *file = fopen(path, "rb");
    if (!file) {
        return SAVED_GAME_UNREADABLE;
    }
    unsigned char image[GAME_RECORD_SIZE];
    size_t size = fread(image, 1, sizeof image, file);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) {
        return SAVED_GAME_UNREADABLE;
    }
    GAME loaded = *game;
    DecodeSavedGame(image, size, &loaded);
    if (!GameRecordPlayable(&loaded)) {
        return SAVED_GAME_UNPLAYABLE;
    }
    *game = loaded;
    return SAVED_GAME_LOADED;
}

int RememberGameName(char *name, size_t size, const char *path)
{
    const char *base = strrchr(path, '/');
    base = base ? base + 1 : path;
    size_t length = strlen(base);
    if (length == 0 || length >= size) {
        return 0;
    }
    memcpy(name, base, length + 1);
    return -1;
}
