// A fixture that puts a song where play_mod leaves it, before any tick, so
// the effect handlers can be called one by one and their state checked.
#ifndef EFFECTS_STATE_H
#define EFFECTS_STATE_H

#include <vector>

#include "support/player_fixture.h"

typedef std::vector<int> Ints;

// A 4-channel module of 64-row patterns, playing (looped) on recorded voices.
class EffectsFixture : public PlayerFixture {
protected:
    EffectsFixture(int patterns, int flags) : patterns_(patterns), flags_(flags) {}

    void SetUp() override
    {
        PlayerFixture::SetUp();
        j = keep(build_module(4, patterns_, 64, 2, flags_, flags_ ? 2 : 0));
        play_mod(j, 1);
        mi.tick = 0;
        fresh_ = ci[0];
    }

    // Channel 0 as at the song start, beginning a row with a note of this period.
    CHANNEL_STATE &channel(int period, int volume = 32, int pan = 128)
    {
        ci[0] = fresh_;
        ci[0].tick_period = ci[0].period = period;
        ci[0].tick_volume = ci[0].volume = volume;
        ci[0].tick_pan = ci[0].pan = pan;
        return ci[0];
    }

    // Runs `run` on ticks first..end-1 of a row, reading `field` of channel 0 after each.
    template <typename F, typename T>
    static Ints row(int first, int end, F run, T CHANNEL_STATE::*field)
    {
        Ints seen;
        for (mi.tick = first; mi.tick < end; mi.tick++) {
            run(0);
            seen.push_back(ci[0].*field);
        }
        return seen;
    }

    JGMOD *j = nullptr;
    int patterns_, flags_;
    CHANNEL_STATE fresh_;
};

#endif
