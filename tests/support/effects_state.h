// Puts the song and channel state where play_mod leaves it, without the
// engine or a timer, so the effect handlers can be called one by one and
// their state checked per tick.
//
//   class ProEffects : public EffectsFixture { ... EffectsFixture(3, 0) ... };
//   TEST_F(ProEffects, X) { channel(1712); parse_pro_pitch_slide_up(0, 0x10); ... }
#ifndef EFFECTS_STATE_H
#define EFFECTS_STATE_H

#include <string.h>

#include <gtest/gtest.h>

#include "jgmod_internal.h"
#include "support/module_builder.h"
#include "support/timer_recorder.h"

// One channel as at a song start, but with the extra-fine slide memories
// cleared too.
inline void effects_reset_channel(int chan)
{
    CHANNEL_STATE &c = ci[chan];
    memset(&c, 0, sizeof c);
    c.fade_volume = 32768;
    c.volume_env.output = 64;
    c.pan_env.output = 32;
    c.tremolo_shift = 6;
    c.vibrato_shift = 5;
    c.tuning = (of->flags & XM_MODE) ? 0 : 8363;
    c.pan = of->channel_pan[chan];
}

// Makes j current with mi and all 64 channels as at its start; NULL only
// clears `of`.
inline void effects_reset_state(JGMOD *j)
{
    of = j;
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
    for (int chan = 0; chan < MAX_ALLEG_VOICE; chan++)
        effects_reset_channel(chan);
}

// Row-start copy of the lasting values into the per-tick ones.
inline void effects_start_row(int chan)
{
    ci[chan].tick_volume = ci[chan].volume;
    ci[chan].tick_period = ci[chan].period;
    ci[chan].tick_pan = ci[chan].pan;
}

// A 4-channel module of 64-row patterns, current for the test, with the
// timer recorded (bpm commands re-install the tick handler).
class EffectsFixture : public testing::Test {
protected:
    EffectsFixture(int patterns, int flags) : patterns_(patterns), flags_(flags) {}

    void SetUp() override
    {
        timer_recorder_install();
        j = build_module(4, patterns_, 64, 2, flags_, flags_ ? 2 : 0);
        effects_reset_state(j);
    }

    void TearDown() override
    {
        effects_reset_state(NULL);
        destroy_mod(j);
        timer_recorder_remove();
    }

    // Channel 0 afresh, starting a row with a note of this period.
    CHANNEL_STATE &channel(int period, int volume = 32, int pan = 128)
    {
        effects_reset_channel(0);
        ci[0].period = period;
        ci[0].volume = volume;
        ci[0].pan = pan;
        effects_start_row(0);
        return ci[0];
    }

    JGMOD *j = nullptr;

private:
    int patterns_, flags_;
};

#endif
