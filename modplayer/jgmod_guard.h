// Keeps the control calls and the tick handler apart. The handler runs on the
// library's timer thread, truly in parallel with the game's thread, so the
// forbid flag alone cannot stop a control call from changing the song under a
// tick already in progress: a change also waits for such a tick to finish.
//
// Control calls are made from one thread (the game's). Calls that the handler
// makes itself (play_mod, goto_mod_track at the song's end) run inside the tick
// and need no guard: their begin/end pairs do nothing there.
#ifndef JGMOD_GUARD_H
#define JGMOD_GUARD_H

#include "jgmod_internal.h"

// Raises forbid, then waits until no tick is running. Pairs nest.
void jgmod_begin_change(void);
// Lowers forbid again once the outermost change ends.
void jgmod_end_change(void);

// Called first by the tick handler: 1 when this tick may run (then
// jgmod_leave_tick must follow), 0 when forbid is raised or a tick is already
// running on another thread.
int jgmod_enter_tick(void);
void jgmod_leave_tick(void);

// stop_mod, when j is the current module; decided under the guard, since a
// tick may be restarting the module at that moment (destroy_mod uses it).
void stop_mod_if_current(JGMOD *j);

// Single words shared between the threads outside any change.
int jgmod_load_shared(const int *word);
void jgmod_store_shared(int *word, int value);
JGMOD *jgmod_current_module(void);
void jgmod_set_current_module(JGMOD *j);

#endif
