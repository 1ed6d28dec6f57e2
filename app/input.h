// What every screen loop shares between its passes: rest until the next
// game tick or input, keys that already ended a screen, and the window's
// close button.
#ifndef ZQ_INPUT_H
#define ZQ_INPUT_H

// Start-up, once the keyboard, mouse and window are up: keys, the mouse and
// the close button wake a resting loop at once.
void InstallInputHooks(void);
// Sleeps until the next game tick, a key or mouse event, or a close request.
void RestUntilTick(void);
// Rest until `scancode` is down (down != 0) or up, or until a key is in the
// buffer; the close button ends every such wait.
void WaitForKey(int scancode, int down);
void WaitForKeypress(void);
// The game tick's share: wakes the loop that rests.
void WakeLoops(void);

// -1 when `scancode` is down and has not yet ended a screen since it was
// last released; such a press counts once, then this stays 0 until release.
int KeyHeld(int scancode);
// The keys held now have ended a screen: KeyHeld ignores them until released.
void SpendHeldKeys(void);

// -1 once the window's close button was used: every loop leaves as by
// Escape (play) or EXIT (title), and the program ends through shut-down.
int CloseRequested(void);

#endif
