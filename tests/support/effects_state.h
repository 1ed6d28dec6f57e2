// Puts the player's song and channel state where play_mod leaves it, without
// the engine or a timer, so the effect handlers can be called one by one and
// their state checked per tick.
//
//   JGMOD *j = build_module(4, 2, 64, 1);
//   effects_reset_state(j);          // of = j, mi and ci as at the song start
//   ci[0].period = 1712;
//   parse_pro_pitch_slide_up(0, 0x10);
//   effects_reset_state(NULL);       // of = none again before destroy_mod(j)
#ifndef EFFECTS_STATE_H
#define EFFECTS_STATE_H

#include "jgmod_internal.h"

// Resets mi and all 64 channels the way a song start does (the two extra-fine
// slide memories included, unlike a song start) and makes j current. With
// NULL only `of` is cleared.
void effects_reset_state(JGMOD *j);

// Row-start copy of the lasting values into the per-tick ones.
void effects_start_row(int chan);

#endif
