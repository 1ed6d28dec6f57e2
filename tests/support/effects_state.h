// A fixture that puts the song and channel state where play_mod leaves it,
// without the engine, so the effect handlers can be called one by one.
#ifndef EFFECTS_STATE_H
#define EFFECTS_STATE_H

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "jgmod_internal.h"
#include "support/module_builder.h"
#include "support/timer_recorder.h"

// A current 4-channel module of 64-row patterns; the timer is recorded since
// bpm commands re-install the tick handler.
class EffectsFixture : public testing::Test {
protected:
    EffectsFixture(int patterns, int flags) : patterns_(patterns), flags_(flags) {}

    void SetUp() override
    {
        timer_recorder_install();
        j = build_module(4, patterns_, 64, 2, flags_, flags_ ? 2 : 0);
        reset_state();
    }

    void TearDown() override
    {
        of = NULL;
        destroy_mod(j);
        timer_recorder_remove();
    }

    // The song start of j, with the extra-fine memories cleared too.
    void reset_state()
    {
        of = j;
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
            reset_channel(chan);
    }

    void reset_channel(int chan)
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

    // Channel 0 afresh, starting a row with a note of this period.
    CHANNEL_STATE &channel(int period, int volume = 32, int pan = 128)
    {
        reset_channel(0);
        ci[0].period = period;
        ci[0].volume = volume;
        ci[0].pan = pan;
        start_row(0);
        return ci[0];
    }

    // Row-start copy of the lasting values into the per-tick ones.
    static void start_row(int chan)
    {
        ci[chan].tick_volume = ci[chan].volume;
        ci[chan].tick_period = ci[chan].period;
        ci[chan].tick_pan = ci[chan].pan;
    }

    // Runs `run` on ticks first..end-1 of a row, reading `field` of channel 0 after each.
    template <typename F, typename T>
    static std::vector<int> row(int first, int end, F run, T CHANNEL_STATE::*field)
    {
        std::vector<int> seen;
        for (mi.tick = first; mi.tick < end; mi.tick++) {
            run(0);
            seen.push_back(ci[0].*field);
        }
        return seen;
    }

    JGMOD *j = nullptr;

private:
    int patterns_, flags_;
};

#endif
