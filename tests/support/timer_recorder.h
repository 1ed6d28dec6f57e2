// A recording timer for the player's timer seam: it never calls the tick
// handler, tests call mod_interrupt themselves.
#ifndef TIMER_RECORDER_H
#define TIMER_RECORDER_H

#include "jgmod_timer.h"

// installed: 1 between install_int_ex and remove_int; period: the last one given.
struct RecordedTimer { int installed; long period; int install_calls; };

inline RecordedTimer &recorded_timer()
{
    static RecordedTimer timer;
    return timer;
}

inline void timer_recorder_install()
{
    static const JGMOD_TIMER_DRIVER recorder = {
        [](void (*)(void), long speed) {
            recorded_timer() = RecordedTimer{1, speed, recorded_timer().install_calls + 1};
            return 0;
        },
        [](void (*)(void)) { recorded_timer().installed = 0; }};
    recorded_timer() = RecordedTimer{};
    jgmod_timer = &recorder;
}

inline void timer_recorder_remove() { jgmod_timer = &jgmod_allegro_timer; }

#endif
