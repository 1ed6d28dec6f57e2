// Song-start state for tests of the effect handlers.
#include <string.h>

#include "support/effects_state.h"

static void reset_channel(int chan, const JGMOD *j)
{
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

void effects_reset_state(JGMOD *j)
{
    if (j == NULL) {
        of = NULL;
        return;
    }
    memset(&mi, 0, sizeof mi);
    mi.voice_count = j->channel_count;
    mi.channel_count = j->channel_count;
    mi.flags = j->flags;
    mi.bpm = j->bpm;
    mi.tempo = j->tempo;
    mi.global_volume = j->global_volume;
    mi.speed_ratio = 100;
    mi.pitch_ratio = 100;
    mi.pattern = j->order_table[0];
    mi.loop = -1;
    mi.playing = -1;
    for (int chan = 0; chan < MAX_ALLEG_VOICE; chan++)
        reset_channel(chan, j);
    of = j;
}

void effects_start_row(int chan)
{
    ci[chan].tick_volume = ci[chan].volume;
    ci[chan].tick_period = ci[chan].period;
    ci[chan].tick_pan = ci[chan].pan;
}
