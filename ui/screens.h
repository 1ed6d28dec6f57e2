// The modal screens reached from the menus and from play.
#ifndef ZQ_SCREENS_H
#define ZQ_SCREENS_H

void StartGameMenu(void);
void DrawStartGameMenu(void);
// The whole screen in datafile pattern `pattern`, outlined, text drawn
// without background: the start of the start-game menu and options screens.
void Draw_Menu_Screen(int pattern);
void Options(void);
void Help(void);
void ViewCredits(void);

#endif
