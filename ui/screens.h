// The modal screens reached from the menus and from play.
#ifndef ZQ_SCREENS_H
#define ZQ_SCREENS_H

void StartGameMenu(void);
void DrawStartGameMenu(void);
void Options(void);
void Help(void);
void ViewCredits(void);

#endif
