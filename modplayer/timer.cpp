// The library's timer behind the timer seam.
#include "jgmod_timer.h"

const JGMOD_TIMER_DRIVER jgmod_allegro_timer = {
    install_int_ex,
    remove_int,
};

const JGMOD_TIMER_DRIVER *jgmod_timer = &jgmod_allegro_timer;
