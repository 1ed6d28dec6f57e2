// The player test fixture.
#include <string.h>

#include "support/player_fixture.h"

void reset_player_globals()
{
    memset(&mi, 0, sizeof(mi));
    memset(ci, 0, sizeof(ci));
    for (int &voice : voice_table)
        voice = -1;
    of = nullptr;
    mod_volume = 255;
    strcpy(jgmod_error, "\n");
    enable_lasttrk_loop = -1;
}

void PlayerFixture::SetUp()
{
    voice_recorder_install(available_);
    timer_recorder_install();
    reset_player_globals();
    if (installed_ > 0) {
        ASSERT_EQ(install_mod(installed_), 1);
        voice_recorder_clear_log();
    }
}

void PlayerFixture::TearDown()
{
    remove_mod();
    for (JGMOD *j : modules_)
        destroy_mod(j);
    modules_.clear();
    reset_player_globals();
    timer_recorder_remove();
    voice_recorder_remove();
}

JGMOD *PlayerFixture::keep(JGMOD *j)
{
    modules_.push_back(j);
    return j;
}

void PlayerFixture::run_ticks(int count)
{
    for (int tick = 0; tick < count; tick++)
        mod_interrupt();
}
