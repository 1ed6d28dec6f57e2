// The terminal of modtool play: single keys without echo, and the way back
// to the terminal as it was, whichever way the program ends.
#ifndef MODTOOL_TERMINAL_H
#define MODTOOL_TERMINAL_H

#include <signal.h>

// Keys beyond the byte range.
enum { TERM_KEY_UP = 0x100, TERM_KEY_DOWN, TERM_KEY_LEFT, TERM_KEY_RIGHT, TERM_KEY_ESCAPE = 27 };

// Set by SIGINT, SIGTERM, SIGHUP and SIGQUIT: the signal number.
extern volatile sig_atomic_t stop_signal;

// Catches the stop signals (without restarting interrupted calls).
void catch_stop_signals(void);

// Standard input to single keys without echo and the cursor hidden; the
// terminal is restored at exit. False when standard input is no terminal.
bool terminal_keys_on(void);
void terminal_restore(void);

// Waits up to timeout_ms (0: only looks) for a key on standard input when
// keys are on, else just waits. Returns the key, or 0 for none.
int terminal_read_key(int timeout_ms);

// Columns of the terminal on standard output (80 when unknown).
int terminal_columns(void);

#endif
