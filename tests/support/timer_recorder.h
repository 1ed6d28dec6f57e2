// A recording timer for the player's timer seam: the tick handler is never
// called by it, the test calls mod_interrupt itself.
//
//   timer_recorder_install();
//   play_mod(j, 1);
//   recorded_timer().period;   // 23863 at 125 bpm
//   timer_recorder_remove();   // back to the library's timer
#ifndef TIMER_RECORDER_H
#define TIMER_RECORDER_H

#include "jgmod_timer.h"

struct RecordedTimer {
    int installed;      // 1 between install_int_ex and remove_int
    long period;        // last period given to install_int_ex, timer units; 0 when never
    int install_calls;
    int remove_calls;
};

void timer_recorder_install();
void timer_recorder_remove();
const RecordedTimer &recorded_timer();

#endif
