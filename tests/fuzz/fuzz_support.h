// What every fuzz target shares: the library set up for work in memory, and
// each loaded module played through the engine on a voice driver that checks
// what the mixer would be given.
#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

#include <stddef.h>

#include "import/import.h"

// A reader over the fuzzer's bytes; the first call also sets up the library.
JGMOD_READER fuzz_reader(const unsigned char *data, size_t size);

// Plays the module (if any) for 500 ticks, then releases it. An imported
// module must first keep the rules of every loaded module; a JGM stream is
// the player's own, and its reader leaves cell and map indices to the engine.
void fuzz_play(JGMOD *j, bool imported = true);

#endif
