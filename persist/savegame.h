// Saving and loading the game in progress (F5, F6 in play).
#ifndef ZQ_SAVEGAME_H
#define ZQ_SAVEGAME_H

void SaveGame(void);
void LoadGame(void);
// "File Already Exists" / "Overwrite?": -1 when the player answers OK
// (Enter), 0 for Cancel (Escape).
int ConfirmOverwrite(void);

#endif
