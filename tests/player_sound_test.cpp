// The player on the library's own voices and timer, with sound going to
// ALSA's null device: what the game does at start-up and in play.
#include <errno.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "support/module_builder.h"
#include "support/player_fixture.h"

// The library's ALSA driver is a plug-in that is unloaded before the leak
// check runs; only the slow unwinder records its allocations with frames that
// the library's leak suppressions can still name.
extern "C" const char *__lsan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace {

bool start_library_sound()
{
    static int state = 0;  // 1 up, -1 not available
    if (state != 0)
        return state == 1;
    state = -1;
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0)
        return false;
    // An in-memory configuration: a setting stored into the allegro.cfg beside
    // the test programs would be written back there and silence the game.
    static const char config[] = "[sound]\nalsa_device = null\n";
    set_config_data(config, sizeof(config) - 1);
    reserve_voices(16, -1);
    if (install_sound(DIGI_AUTODETECT, MIDI_NONE, NULL) != 0 || digi_driver->voices < 4)
        return false;
    state = 1;
    return true;
}

class PlayerOnLibraryVoices : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!start_library_sound())
            GTEST_SKIP() << "no display or no sound driver: " << allegro_error;
        reset_player_globals();
        ASSERT_EQ(jgmod_voices, &jgmod_allegro_voices);
        ASSERT_EQ(install_mod(4), 1) << jgmod_error;
    }
    void TearDown() override
    {
        if (mod_init == -1)
            remove_mod();
        reset_player_globals();
    }
};

} // namespace

TEST_F(PlayerOnLibraryVoices, ReservedVoicesPlayTheModuleSamples)
{
    JGMOD *j = build_module(4, 1, 16, 2);
    j->sample_info[1].loop_type = LOOP_FORWARD;
    j->samples[1].loop_end = j->samples[1].len;
    for (int row = 0; row < 16; row += 2)
        set_cell(j, 0, row, row % 4, 2, 8363, 0, 0, 0);
    for (int channel = 0; channel < 4; channel++)
        EXPECT_EQ(voice_check(voice_table[channel]), fake_sample);

    set_mod_volume(60);
    play_mod(j, 1);
    rest(400);  // 20 ticks at 125 bpm: rows 0 to 3
    EXPECT_EQ(is_mod_playing(), -1);
    // Pausing waits for a running tick, so the song state can be read.
    pause_mod();
    int row = mi.row;
    EXPECT_GT(row + mi.order * 16, 0) << "the library's timer drives the song";
    EXPECT_EQ(voice_check(voice_table[0]), &j->samples[1]);
    EXPECT_EQ(voice_get_frequency(voice_table[0]), 8363);
    EXPECT_EQ(voice_get_pan(voice_table[0]), 128);
    rest(200);
    EXPECT_EQ(mi.row, row);
    resume_mod();
    destroy_mod(j);
    EXPECT_EQ(is_mod_playing(), 0);
    remove_mod();
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        EXPECT_EQ(voice_table[channel], -1);
}
