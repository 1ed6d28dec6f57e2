// The player's control calls: installing and removing the player, starting,
// stopping, pausing and steering songs, and the volume, speed and pitch calls.
#include <string.h>

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <gtest/gtest.h>

#include "support/player_fixture.h"

class PlayerInstall : public PlayerFixture {
protected:
    PlayerInstall() : PlayerFixture(RECORDER_VOICES, 0) {}
};

TEST_F(PlayerInstall, RefusesVoiceCountsOutsideOneTo64WithoutMessage)
{
    strcpy(jgmod_error, "untouched");
    EXPECT_EQ(install_mod(0), -1);
    EXPECT_EQ(install_mod(65), -1);
    EXPECT_EQ(install_mod(-3), -1);
    EXPECT_STREQ(jgmod_error, "untouched");
    EXPECT_EQ(recorded_count("allocate_voice"), 0);
    EXPECT_EQ(mod_init, 0);
}

TEST_F(PlayerInstall, ReservesSilentRunningVoices)
{
    ASSERT_EQ(install_mod(4), 1);
    EXPECT_EQ(mod_init, -1);
    EXPECT_EQ(mi.voice_count, 4);
    EXPECT_EQ(mi.speed_ratio, 100);
    EXPECT_EQ(mi.pitch_ratio, 100);
    EXPECT_EQ(mi.playing, 0);
    ASSERT_NE(fake_sample, nullptr);
    EXPECT_EQ(fake_sample->bits, 8);
    EXPECT_EQ(fake_sample->stereo, 0);
    EXPECT_EQ(fake_sample->freq, 1000);
    EXPECT_EQ(fake_sample->priority, 192);
    EXPECT_EQ(fake_sample->len, 0UL);
    EXPECT_EQ(fake_sample->param, -1);
    EXPECT_NE(fake_sample->data, nullptr);
    for (int channel = 0; channel < 4; channel++) {
        int voice = voice_table[channel];
        ASSERT_GE(voice, 0);
        EXPECT_EQ(recorded_voice(voice).sample, fake_sample);
        EXPECT_EQ(recorded_voice(voice).playing, 1);
        EXPECT_EQ(recorded_count("voice_set_volume", voice), 1);
        EXPECT_EQ(recorded_voice(voice).volume, 0);
    }
    EXPECT_EQ(voice_table[4], -1);
    // Nothing plays yet, so no timer either.
    EXPECT_EQ(recorded_timer().install_calls, 0);
}

TEST_F(PlayerInstall, SecondInstallReturnsOneAndReservesNothingMore)
{
    ASSERT_EQ(install_mod(4), 1);
    ASSERT_EQ(install_mod(8), 1);
    EXPECT_EQ(recorded_count("allocate_voice"), 4);
    EXPECT_EQ(mi.voice_count, 4);
}

class PlayerInstallShortOfVoices : public PlayerFixture {
protected:
    PlayerInstallShortOfVoices() : PlayerFixture(2, 0) {}
};

TEST_F(PlayerInstallShortOfVoices, ReleasesWhatItGotAndSaysSo)
{
    EXPECT_EQ(install_mod(4), -1);
    EXPECT_STREQ(jgmod_error, "JGMOD : Unable to allocate enough voices");
    EXPECT_EQ(recorded_count("allocate_voice"), 4);
    EXPECT_EQ(recorded_count("deallocate_voice"), 2);
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        EXPECT_EQ(voice_table[channel], -1) << "channel " << channel;
    EXPECT_EQ(mod_init, 0);
    // It can be retried with what there is.
    EXPECT_EQ(install_mod(2), 1);
}

class PlayerControl : public PlayerFixture {};

TEST_F(PlayerControl, RemoveReleasesVoicesAndTimer)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1));
    play_mod(j, 1);
    remove_mod();
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(is_mod_playing(), 0);
    EXPECT_EQ(recorded_count("deallocate_voice"), 4);
    EXPECT_EQ(recorded_timer().installed, 0);
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        EXPECT_EQ(voice_table[channel], -1);
    EXPECT_EQ(mod_init, 0);
    // The silent sample is kept for the next install.
    SAMPLE *silent = fake_sample;
    EXPECT_EQ(install_mod(4), 1);
    EXPECT_EQ(fake_sample, silent);
}

TEST_F(PlayerControl, PlayResetsSongAndChannelState)
{
    JGMOD *j = keep(build_module(6, 2, 8, 1, XM_MODE | LINEAR_MODE));
    j->tempo = 3;
    j->bpm = 140;
    j->global_volume = 40;
    j->order_table[0] = 1;
    for (int channel = 0; channel < 6; channel++)
        j->channel_pan[channel] = 10 * channel;
    ci[2].volume = 50;
    ci[2].xm_extra_fine_up_memory = -3;
    ci[2].xm_extra_fine_down_memory = 7;
    mi.paused = -1;
    play_mod(j, 0);
    EXPECT_EQ(of, j);
    EXPECT_EQ(mi.flags, XM_MODE | LINEAR_MODE);
    EXPECT_EQ(mi.channel_count, 6);
    EXPECT_EQ(mi.tick, -1);
    EXPECT_EQ(mi.row, 0);
    EXPECT_EQ(mi.order, 0);
    EXPECT_EQ(mi.pattern, 1);
    EXPECT_EQ(mi.tempo, 3);
    EXPECT_EQ(mi.bpm, 140);
    EXPECT_EQ(mi.global_volume, 40);
    EXPECT_EQ(mi.paused, 0);
    EXPECT_EQ(mi.loop, 0);
    EXPECT_EQ(is_mod_playing(), -1);
    EXPECT_EQ(ci[2].volume, 0);
    EXPECT_EQ(ci[2].fade_volume, 32768);
    EXPECT_EQ(ci[2].volume_env.output, 64);
    EXPECT_EQ(ci[2].pan_env.output, 32);
    EXPECT_EQ(ci[2].tremolo_shift, 6);
    EXPECT_EQ(ci[2].vibrato_shift, 5);
    EXPECT_EQ(ci[2].tuning, 0);  // note-number module
    EXPECT_EQ(ci[2].xm_extra_fine_up_memory, -3);
    EXPECT_EQ(ci[2].xm_extra_fine_down_memory, 7);
    EXPECT_EQ(ci[3].pan, 30);
    EXPECT_EQ(ci[5].pan, 0);  // beyond the 4 voices
    EXPECT_EQ(recorded_timer().installed, 1);

    play_mod(j, 5);
    EXPECT_EQ(mi.loop, -1);
}

TEST_F(PlayerControl, PeriodModuleChannelsStartUntuned)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    play_mod(j, 1);
    EXPECT_EQ(ci[0].tuning, 8363);
    EXPECT_EQ(ci[63].tuning, 8363);
}

TEST_F(PlayerControl, PlayWithoutModuleSaysSoAndChangesNothing)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    play_mod(j, 1);
    run_ticks(7);
    SONG_STATE before = mi;
    play_mod(nullptr, 1);
    EXPECT_STREQ(jgmod_error, "Can't play a JGMOD pointer with null value");
    EXPECT_EQ(memcmp(&before, &mi, sizeof(mi)), 0);
    EXPECT_EQ(of, j);
}

TEST_F(PlayerControl, TickRateFollowsBpmAndSpeed)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    play_mod(j, 1);
    EXPECT_EQ(recorded_timer().period, 23863);  // 71590860 / 3000
    set_mod_speed(200);
    EXPECT_EQ(recorded_timer().period, 11931);
    set_mod_speed(50);
    EXPECT_EQ(recorded_timer().period, 47727);
    int installs = recorded_timer().install_calls;
    stop_mod();
    set_mod_speed(100);
    EXPECT_EQ(mi.speed_ratio, 100);
    EXPECT_EQ(recorded_timer().install_calls, installs) << "not playing: the period waits for play_mod";
}

TEST_F(PlayerControl, TickRateDivisorHasALowerBound)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    j->bpm = 0;
    play_mod(j, 1);
    EXPECT_EQ(recorded_timer().period, 71590860);  // one tick a minute, no division by zero
    j->bpm = -20;
    play_mod(j, 1);
    EXPECT_EQ(recorded_timer().period, 71590860);
    j->bpm = 4;
    play_mod(j, 1);
    set_mod_speed(1);  // (1 * 24 * 4) / 100 is 0
    EXPECT_EQ(recorded_timer().period, 71590860);
    // And the period itself is never shorter than a millisecond.
    j->bpm = 2000000000;
    play_mod(j, 1);
    EXPECT_EQ(recorded_timer().period, 1193);
}

TEST_F(PlayerControl, VolumeSpeedAndPitchAreClamped)
{
    set_mod_volume(300);
    EXPECT_EQ(get_mod_volume(), 255);
    set_mod_volume(-1);
    EXPECT_EQ(get_mod_volume(), 0);
    set_mod_speed(0);
    EXPECT_EQ(mi.speed_ratio, 1);
    set_mod_speed(401);
    EXPECT_EQ(mi.speed_ratio, 400);
    set_mod_pitch(1000);
    EXPECT_EQ(mi.pitch_ratio, 400);
    set_mod_pitch(0);
    EXPECT_EQ(mi.pitch_ratio, 1);
}

TEST_F(PlayerControl, VolumeReachesEveryVoiceAtOnce)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    set_cell(j, 0, 0, 1, 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(recorded_voice(voice_table[1]).volume, 255);
    set_mod_volume(60);
    EXPECT_EQ(recorded_voice(voice_table[1]).volume, 60);
    EXPECT_EQ(recorded_voice(voice_table[0]).volume, 0);  // no note there
    EXPECT_EQ(recorded_count("voice_set_volume"), 4 + 4);
}

TEST_F(PlayerControl, StopSilencesVoicesAndKeepsThemReserved)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    play_mod(j, 1);
    run_ticks(8);
    voice_recorder_clear_log();
    stop_mod();
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(is_mod_playing(), 0);
    EXPECT_EQ(mi.order, 0);
    EXPECT_EQ(recorded_count("voice_stop"), 4);
    EXPECT_EQ(recorded_count("deallocate_voice"), 0);
    for (int channel = 0; channel < 4; channel++)
        EXPECT_EQ(recorded_voice(voice_table[channel]).volume, 0);
    // The timer idles; ticks change nothing.
    EXPECT_EQ(recorded_timer().installed, 1);
    voice_recorder_clear_log();
    run_ticks(10);
    EXPECT_TRUE(recorded_calls().empty());
}

TEST_F(PlayerControl, StopWithNothingPlayingDoesNothing)
{
    stop_mod();
    EXPECT_TRUE(recorded_calls().empty());
    EXPECT_EQ(mi.forbid, 0);
}

TEST_F(PlayerControl, DestroyingTheCurrentModuleStopsIt)
{
    JGMOD *j = build_module(4, 1, 8, 1);
    play_mod(j, 1);
    run_ticks(3);
    destroy_mod(j);
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(is_mod_playing(), 0);
    run_ticks(3);  // the handler must not touch the freed module
}

TEST_F(PlayerControl, PauseHoldsThePositionAndResumeRestartsLiveVoices)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    play_mod(j, 1);
    run_ticks(9);  // row 1, tick 2
    voice_recorder_clear_log();
    pause_mod();
    EXPECT_EQ(is_mod_paused(), -1);
    EXPECT_EQ(recorded_count("voice_stop"), 4);
    run_ticks(20);
    EXPECT_EQ(mi.row, 1);
    EXPECT_EQ(mi.tick, 2);

    voice_recorder_set_position(voice_table[2], -1);  // that sample ran out
    voice_recorder_clear_log();
    resume_mod();
    EXPECT_EQ(is_mod_paused(), 0);
    EXPECT_EQ(recorded_count("voice_start"), 3);
    EXPECT_EQ(recorded_count("voice_start", voice_table[2]), 0);
    run_ticks(1);
    EXPECT_EQ(mi.tick, 3);
}

TEST_F(PlayerControl, TogglePauseSwitchesBetweenTheTwo)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    play_mod(j, 1);
    toggle_pause_mode();
    EXPECT_EQ(is_mod_paused(), -1);
    toggle_pause_mode();
    EXPECT_EQ(is_mod_paused(), 0);
    // Paused while nothing plays: is_mod_paused still answers 0.
    stop_mod();
    pause_mod();
    EXPECT_EQ(mi.paused, -1);
    EXPECT_EQ(is_mod_paused(), 0);
}

class PlayerTrackCalls : public PlayerFixture {
protected:
    JGMOD *j = nullptr;
    void SetUp() override
    {
        PlayerFixture::SetUp();
        j = keep(build_module(4, 4, 4, 1));
        j->tempo = 2;
        set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
        play_mod(j, 0);
    }
};

TEST_F(PlayerTrackCalls, NextJumpsToRowZeroOfTheNextOrder)
{
    run_ticks(5);  // order 0, row 2
    next_mod_track();
    EXPECT_EQ(mi.jump_row, 1);
    EXPECT_EQ(mi.jump_order, 2);
    voice_recorder_clear_log();
    run_ticks(1);
    EXPECT_EQ(mi.order, 1);
    EXPECT_EQ(mi.row, 0);
    EXPECT_EQ(mi.tick, 0);
    EXPECT_EQ(mi.jump_row, 0);
    // Every voice was silenced before the new row started.
    EXPECT_EQ(recorded_count("voice_stop"), 4);
    EXPECT_EQ(ci[0].volume, 0);
}

TEST_F(PlayerTrackCalls, GotoAndPrevMoveToTheirOrders)
{
    goto_mod_track(3);
    run_ticks(1);
    EXPECT_EQ(mi.order, 3);
    EXPECT_EQ(mi.pattern, 3);
    prev_mod_track();
    run_ticks(1);
    EXPECT_EQ(mi.order, 2);
    EXPECT_EQ(mi.row, 0);
}

TEST_F(PlayerTrackCalls, PrevAtOrderZeroOrOneRestartsTheSong)
{
    for (int start : {0, 1}) {
        goto_mod_track(start == 0 ? 0 : 1);
        run_ticks(5);
        ASSERT_EQ(mi.order, start);
        prev_mod_track();
        EXPECT_EQ(mi.jump_order, 1);
        run_ticks(1);  // the jump restarts through play_mod; the row waits for the next tick
        EXPECT_EQ(mi.order, 0);
        EXPECT_EQ(mi.tick, -1);
        EXPECT_EQ(of, j);
        run_ticks(1);
        EXPECT_EQ(mi.row, 0);
        EXPECT_EQ(mi.tick, 0);
        EXPECT_EQ(recorded_voice(voice_table[0]).frequency, 8363);
    }
}

TEST_F(PlayerTrackCalls, GotoPastTheEndEndsTheSong)
{
    goto_mod_track(4);
    run_ticks(1);
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(is_mod_playing(), 0);
}

TEST_F(PlayerTrackCalls, GotoFarPastTheEndOrNegativeIsSafe)
{
    goto_mod_track(2147483647);
    EXPECT_EQ(mi.jump_order, MAX_ORDER + 1);
    goto_mod_track(-5);
    EXPECT_EQ(mi.jump_order, 1);
    goto_mod_track(2147483647);
    run_ticks(1);
    EXPECT_EQ(of, nullptr);
}

TEST_F(PlayerControl, SampleLookupChecksItsArguments)
{
    JGMOD *j = keep(build_module(4, 1, 8, 3));
    EXPECT_EQ(get_jgmod_sample(j, 2), &j->samples[2]);
    EXPECT_EQ(get_jgmod_sample(j, 3), nullptr);
    EXPECT_STREQ(jgmod_error, "Incorrect value of no sample found");
    strcpy(jgmod_error, "\n");
    EXPECT_EQ(get_jgmod_sample(j, -1), nullptr);
    EXPECT_STREQ(jgmod_error, "Incorrect value of no sample found");
    EXPECT_EQ(get_jgmod_sample(nullptr, 0), nullptr);
    EXPECT_STREQ(jgmod_error, "JGMOD pointer passed in is a NULL value");
}

static int datafile_types_named_jgm(const DATAFILE_TYPE **found)
{
    int count = 0;
    for (int index = 0; index < MAX_DATAFILE_TYPES; index++) {
        if (_datafile_type[index].type == DAT_ID('J', 'G', 'M', ' ')) {
            *found = &_datafile_type[index];
            count++;
        }
    }
    return count;
}

TEST_F(PlayerControl, InstallRegistersTheJgmDatafileTypeOnce)
{
    EXPECT_EQ(DAT_JGM, 0x4A474D20);
    register_datafile_jgmod();
    register_datafile_jgmod();
    const DATAFILE_TYPE *type = nullptr;
    ASSERT_EQ(datafile_types_named_jgm(&type), 1);
    EXPECT_EQ(type->load, load_jgm_datafile);
    EXPECT_EQ(type->destroy, destroy_mod_datafile);
}

TEST_F(PlayerControl, DatafileDestroyerReleasesAPlayingModule)
{
    JGMOD *j = build_module(4, 1, 8, 1);
    play_mod(j, 1);
    run_ticks(2);
    destroy_mod_datafile(j);
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(is_mod_playing(), 0);
}
