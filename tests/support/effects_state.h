// Puts the song and channel state where play_mod leaves it, without the
// engine or a timer, so the effect handlers can be called one by one and
// their state checked per tick.
//
//   JGMOD *j = build_module(4, 2, 64, 1);
//   effects_reset_state(j);          // of = j, mi and ci as at the song start
//   ci[0].period = 1712;
//   parse_pro_pitch_slide_up(0, 0x10);
//   effects_reset_state(NULL);       // of = none again before destroy_mod(j)
#ifndef EFFECTS_STATE_H
#define EFFECTS_STATE_H

#include <string.h>

#include "jgmod_internal.h"

// Resets mi and all 64 channels the way a song start does (the two extra-fine
// slide memories included, unlike a song start) and makes j current. With
// NULL only `of` is cleared.
inline void effects_reset_state(JGMOD *j)
{
    of = NULL;
    if (j == NULL)
        return;
    memset(&mi, 0, sizeof mi);
    mi.voice_count = mi.channel_count = j->channel_count;
    mi.flags = j->flags;
    mi.bpm = j->bpm;
    mi.tempo = j->tempo;
    mi.global_volume = j->global_volume;
    mi.speed_ratio = mi.pitch_ratio = 100;
    mi.pattern = j->order_table[0];
    mi.loop = mi.playing = -1;
    for (int chan = 0; chan < MAX_ALLEG_VOICE; chan++) {
        CHANNEL_STATE &c = ci[chan];
        memset(&c, 0, sizeof c);
        c.fade_volume = 32768;
        c.volume_env.output = 64;
        c.pan_env.output = 32;
        c.tremolo_shift = 6;
        c.vibrato_shift = 5;
        c.tuning = (j->flags & XM_MODE) ? 0 : 8363;
        c.pan = j->channel_pan[chan];
    }
    of = j;
}

// Row-start copy of the lasting values into the per-tick ones.
inline void effects_start_row(int chan)
{
    ci[chan].tick_volume = ci[chan].volume;
    ci[chan].tick_period = ci[chan].period;
    ci[chan].tick_pan = ci[chan].pan;
}

#endif
