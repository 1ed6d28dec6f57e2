// Placeholder bodies: the real implementation replaces this file.
#include "persist/savegame.h"

void SaveGame(void) {}
void LoadGame(void) {}
