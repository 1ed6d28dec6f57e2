// A test fixture for the player: the voice and timer recorders in place of
// the library's, the song and channel state as at program start, and the
// player installed on 4 voices. mod_interrupt is called by the test itself.
//
//   class MyTest : public PlayerFixture {};
//   TEST_F(MyTest, X) { JGMOD *j = keep(build_module(4, 1, 64, 1)); play_mod(j, 0); run_ticks(6); }
#ifndef PLAYER_FIXTURE_H
#define PLAYER_FIXTURE_H

#include <vector>

#include <gtest/gtest.h>

#include "support/module_builder.h"
#include "support/timer_recorder.h"
#include "support/voice_recorder.h"

class PlayerFixture : public ::testing::Test {
protected:
    // Voices the recorder can hand out, and voices install_mod reserves
    // (0: the test installs the player itself).
    explicit PlayerFixture(int available = RECORDER_VOICES, int installed = 4)
        : available_(available), installed_(installed)
    {
    }
    void SetUp() override;
    void TearDown() override;

    // Destroys the module at the end of the test.
    JGMOD *keep(JGMOD *j);
    void run_ticks(int count);

private:
    int available_;
    int installed_;
    std::vector<JGMOD *> modules_;
};

// The song, channel and player globals as at program start.
void reset_player_globals();

#endif
