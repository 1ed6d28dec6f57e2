// The timer seam: the player installs and removes its tick handler only
// through jgmod_timer, so tools and tests can drive mod_interrupt themselves.
#ifndef JGMOD_TIMER_H
#define JGMOD_TIMER_H

#include "jgmod_internal.h"

struct JGMOD_TIMER_DRIVER {
    int (*install_int_ex)(void (*proc)(void), long speed);  // speed in 1/1193181 s; 0 on success
    void (*remove_int)(void (*proc)(void));
};

extern const JGMOD_TIMER_DRIVER jgmod_allegro_timer;  // the library's timer
extern const JGMOD_TIMER_DRIVER *jgmod_timer;         // the table in use

#endif
