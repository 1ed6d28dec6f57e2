// The saved-game file as data: the 958-byte image, the checks that keep a
// foreign record from taking the game outside its well, and the name kept
// for the next save. Nothing here draws.
#ifndef ZQ_SAVEGAME_FILE_H
#define ZQ_SAVEGAME_FILE_H

#include <stddef.h>

#include "game/game.h"

#define GAME_RECORD_SIZE 912                               // the Game record, byte for byte
#define GAME_SIGNATURE_SIZE 46                             // GAMESG with its NUL
#define SAVED_GAME_SIZE (GAME_RECORD_SIZE + GAME_SIGNATURE_SIZE) // 958 bytes
#define SAVED_GAME_DEFAULT_NAME "untitled.svg"

static_assert(sizeof(GAME) == GAME_RECORD_SIZE, "a saved game starts with the whole record");

// Written after the record, never read back.
extern const char GAMESG[GAME_SIGNATURE_SIZE];

// The file image: the record's 228 integers little-endian, then GAMESG.
void EncodeSavedGame(const GAME *game, unsigned char bytes[SAVED_GAME_SIZE]);
// The record after loading `size` bytes over `game`: the leading bytes come
// from the image, the rest keeps what `game` held; bytes past 912 are ignored.
void DecodeSavedGame(const unsigned char *bytes, size_t size, GAME *game);

// -1 when play can go on from the record without leaving the well: a block
// that is exactly its known element code's cells, all inside the well at the
// record's position, a next element 1..8, every map cell 0..8, and a row 0
// that is not full (a game ends before that can be saved). Else 0.
int GameRecordPlayable(const GAME *game);

// -1 when the file now holds the game; on 0 an old file is untouched.
int WriteSavedGame(const char *path, const GAME *game);

enum SavedGameLoad {
    SAVED_GAME_LOADED,      // `game` holds the file's record
    SAVED_GAME_UNREADABLE,  // the file could not be opened or read
    SAVED_GAME_UNPLAYABLE   // the record was refused; `game` is unchanged
};
SavedGameLoad ReadSavedGame(const char *path, GAME *game);

// Keeps the file-name part of `path` in `name` (room for `size` bytes with
// the NUL) when it fits; a longer name leaves `name` as it was. -1 when kept.
int RememberGameName(char *name, size_t size, const char *path);

#endif
