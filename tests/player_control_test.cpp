// The player's control calls: installing and removing the player, starting,
// stopping, pausing and steering songs, and the volume, speed and pitch calls.
#include <string.h>

#include "support/player_fixture.h"

class PlayerInstall : public PlayerFixture {
protected:
    PlayerInstall() : PlayerFixture(2, 0) {}  // the recorder hands out 2 voices
};

TEST_F(PlayerInstall, RefusesBadCountsReleasesWhatItGotAndReservesOnce)
{
    strcpy(jgmod_error, "untouched");
    for (int count : {0, 65, -3})
        EXPECT_EQ(install_mod(count), -1) << count;
    EXPECT_STREQ(jgmod_error, "untouched");
    EXPECT_EQ(install_mod(4), -1);
    EXPECT_STREQ(jgmod_error, "JGMOD : Unable to allocate enough voices");
    EXPECT_EQ(recorded_count("deallocate_voice"), 2);
    EXPECT_EQ(voice_table[0], -1);
    recorded_calls().clear();
    ASSERT_EQ(install_mod(2), 1);
    for (int channel = 0; channel < 2; channel++) {
        EXPECT_EQ(on(channel).sample, fake_sample);
        EXPECT_EQ(on(channel).starts, 0) << "the silent sample has no frames to start";
        EXPECT_EQ(recorded_count("voice_set_volume", voice_table[channel]), 1);
    }
    EXPECT_EQ(install_mod(8), 1);
    EXPECT_EQ(recorded_count("allocate_voice"), 2);
    EXPECT_EQ(recorded_timer().install_calls, 0) << "nothing plays yet";
}

typedef PlayerFixture PlayerControl;

TEST_F(PlayerControl, PlayResetsSongAndChannelsAndRemoveReleasesAll)
{
    JGMOD *j = keep(build_module(6, 2, 8, 1, XM_MODE | LINEAR_MODE));
    j->order_table[0] = 1;
    j->channel_pan[3] = 30;
    ci[2].volume = 50;
    mi.paused = -1;
    play_mod(j, 0);
    EXPECT_EQ(where(), (Where{0, 0, -1}));
    EXPECT_EQ(mi.pattern, 1);
    EXPECT_EQ(mi.paused, 0);
    EXPECT_EQ(ci[2].volume, 0);
    EXPECT_EQ(ci[2].tuning, 0) << "note-number module";
    EXPECT_EQ(ci[3].pan, 30);
    EXPECT_EQ(ci[5].pan, 0) << "beyond the 4 voices";
    SONG_STATE before = mi;
    play_mod(nullptr, 1);
    EXPECT_STREQ(jgmod_error, "Can't play a JGMOD pointer with null value");
    EXPECT_EQ(memcmp(&before, &mi, sizeof(mi)), 0);
    play_mod(keep(build_module(4, 1, 8, 1)), 5);
    EXPECT_EQ(mi.loop, -1);
    EXPECT_EQ(ci[63].tuning, 8363) << "period module";
    remove_mod();
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(recorded_count("deallocate_voice"), 4);
    EXPECT_EQ(recorded_timer().installed, 0);
}

TEST_F(PlayerControl, TickPeriodFollowsBpmAndClampedSpeed)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    // At worst one tick a minute (no division by zero), at best one a millisecond.
    const long cases[][3] = {  // bpm, speed, period
        {125, 100, 23863}, {125, 200, 11931}, {125, 0, 2386362}, {125, 401, 5965},
        {0, 100, 71590860}, {-20, 100, 71590860}, {4, 1, 71590860}, {2000000000, 100, 1193}};
    for (const auto &c : cases) {
        j->bpm = (int)c[0];
        play_mod(j, 1);
        set_mod_speed((int)c[1]);
        EXPECT_EQ(recorded_timer().period, c[2]) << c[0] << " bpm at speed " << c[1];
    }
    int installs = recorded_timer().install_calls;
    stop_mod();
    set_mod_speed(100);
    EXPECT_EQ(recorded_timer().install_calls, installs) << "not playing: the period waits";
}

TEST_F(PlayerControl, VolumePauseResumeAndStopActOnTheVoices)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    set_cell(j, 0, 0, 1, 1, 8363, 0, 0, 0);
    set_cell(j, 0, 0, 2, 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(1);
    for (int volume : {60, 300, -1}) {  // at once on every voice, clamped
        recorded_calls().clear();
        set_mod_volume(volume);
        EXPECT_EQ(on(1).volume, volume < 0 ? 0 : volume > 255 ? 255 : volume);
        EXPECT_EQ(on(0).volume, 0) << "no note there";
        EXPECT_EQ(recorded_count("voice_set_volume"), 4);
    }
    run_ticks(8);
    recorded_voice(voice_table[1]).position = 37;
    recorded_voice(voice_table[2]).playing = 0;  // that sample ran out
    pause_mod();
    pause_mod();  // a stopped voice has no position: the first pause's are kept
    EXPECT_EQ(is_mod_paused(), -1);
    run_ticks(20);
    EXPECT_EQ(where(), (Where{0, 1, 2}));
    recorded_calls().clear();
    toggle_pause_mode();
    EXPECT_EQ(recorded_count("voice_start"), 1) << "only the voice that was sounding";
    EXPECT_EQ(on(1).position, 37) << "where it was paused";
    run_ticks(1);
    EXPECT_EQ(where(), (Where{0, 1, 3}));
    pause_mod();
    play_mod(j, 1);  // a new song forgets the paused voices
    recorded_calls().clear();
    resume_mod();
    EXPECT_EQ(recorded_count("voice_start"), 0);
    stop_mod();
    EXPECT_EQ(is_mod_playing(), 0);
    EXPECT_EQ(recorded_count("voice_stop"), 4);
    EXPECT_EQ(recorded_count("deallocate_voice"), 0) << "voices stay reserved";
    EXPECT_EQ(recorded_timer().installed, 1) << "the timer idles";
    recorded_calls().clear();
    run_ticks(10);
    EXPECT_TRUE(recorded_calls().empty());
    j = build_module(4, 1, 8, 1);
    play_mod(j, 1);
    destroy_mod_datafile(j);
    EXPECT_EQ(of, nullptr);
    run_ticks(3);  // the sanitizer catches a tick touching the freed module
}

TEST_F(PlayerControl, TrackCallsJumpToRowZeroOfTheirOrder)
{
    JGMOD *j = keep(build_module(4, 4, 4, 1));
    j->tempo = 2;
    play_mod(j, 0);
    run_ticks(5);
    next_mod_track();
    recorded_calls().clear();
    run_ticks(1);
    EXPECT_EQ(where(), (Where{1, 0, 0}));
    EXPECT_EQ(recorded_count("voice_stop"), 4) << "voices silenced before the new row";
    const struct { void (*call)(); Where after; } steps[] = {
        {[] { goto_mod_track(3); }, {3, 0, 0}}, {prev_mod_track, {2, 0, 0}},
        {[] { goto_mod_track(1); }, {1, 0, 0}}, {prev_mod_track, {0, 0, -1}},  // restarted
        {prev_mod_track, {0, 0, -1}},
    };
    for (const auto &step : steps) {
        step.call();
        run_ticks(1);
        EXPECT_EQ(where(), step.after) << &step - steps;
    }
    goto_mod_track(2147483647);
    run_ticks(1);
    EXPECT_EQ(of, nullptr) << "past the end";
    for (int stop_first : {1, 0}) {  // a request outlives neither stop_mod nor play_mod
        play_mod(j, 0);
        goto_mod_track(9);
        if (stop_first)
            stop_mod();
        play_mod(j, 0);
        run_ticks(1);
        EXPECT_EQ(where(), (Where{0, 0, 0})) << stop_first;
    }
}

TEST_F(PlayerControl, SampleLookupChecksItsArguments)
{
    JGMOD *j = keep(build_module(4, 1, 8, 3));
    EXPECT_EQ(get_jgmod_sample(j, 2), &j->samples[2]);
    for (int bad : {3, -1}) {
        strcpy(jgmod_error, "\n");
        EXPECT_EQ(get_jgmod_sample(j, bad), nullptr);
        EXPECT_STREQ(jgmod_error, "Incorrect value of no sample found");
    }
    EXPECT_EQ(get_jgmod_sample(nullptr, 0), nullptr);
    EXPECT_STREQ(jgmod_error, "JGMOD pointer passed in is a NULL value");
}
