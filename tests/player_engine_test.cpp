// The tick engine: how ticks, rows and orders advance, how notes become
// voices, the period, volume and pan rules, and what it does with modules
// that point outside themselves.
#include <math.h>

#include "support/player_fixture.h"

typedef std::array<int, 3> Heard;  // frequency, volume, pan last set on a voice

class Engine : public PlayerFixture {
protected:
    Heard heard(int c) { return {on(c).frequency, on(c).volume, on(c).pan}; }
};

TEST_F(Engine, FirstTickStartsRowZeroAndSetsTheVoiceInOrder)
{
    JGMOD *j = keep(build_module(1, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(where(), (Where{0, 0, 0}));
    EXPECT_EQ(on(0).sample, &j->samples[0]);
    EXPECT_EQ(heard(0), (Heard{8363, 255, 128})) << "stored 8363 at tuning 8363 is 8363 Hz";
    std::vector<std::string> names;
    for (const VoiceCall &call : recorded_calls())
        names.push_back(call.name);
    EXPECT_EQ(names, (std::vector<std::string>{"reallocate_voice", "voice_set_frequency",
                                               "voice_set_volume", "voice_set_pan",
                                               "voice_start"}));
    for (int pitch : {200, 1000}) {  // 1000 is taken as 400
        set_mod_pitch(pitch);
        run_ticks(1);
        EXPECT_EQ(on(0).frequency, pitch == 200 ? 16726 : 33452);
    }
}

// The rows, orders, tempo and pattern delays play in the golden traces;
// what the song's end does to the voices and the timer, they cannot show.
TEST_F(Engine, TheSongsEndStopsItsVoicesAndLeavesTheTimerIdling)
{
    JGMOD *j = keep(build_module(2, 1, 1, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    j->tempo = 1;
    play_mod(j, 0);
    run_ticks(1);
    recorded_calls().clear();
    run_ticks(1);
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(recorded_count("voice_stop"), 4);
    EXPECT_EQ(recorded_timer().installed, 1);
}

TEST_F(Engine, ChannelsWithoutVoiceStayMuteButTheirRowCommandsAct)
{
    JGMOD *j = keep(build_module(70, 3, 4, 1));  // more channels than the player keeps
    set_command(j, 0, 0, 6, 0x0D, 0x02);         // pattern break
    set_command(j, 1, 2, 7, 0x0B, 0);            // position jump
    set_cell(j, 0, 0, 5, 1, 8363, 0, 0x1C, 20);  // global volume
    set_command(j, 0, 0, 69, 0x0F, 2);
    set_command(j, 0, 0, 68, 0x23, 0x10);
    set_command(j, 0, 0, 67, 0x0E, 0x61);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(mi.global_volume, 20);
    EXPECT_EQ(mi.tempo, 2);
    EXPECT_EQ(ci[5].period, 0) << "a channel without voice starts no note";
    run_ticks(2);
    EXPECT_EQ(where(), (Where{1, 2, 0}));
    run_ticks(2);
    EXPECT_EQ(where(), (Where{0, 0, 0}));
    for (const VoiceCall &call : recorded_calls())
        EXPECT_LT(call.voice, 4) << call.name;
}

TEST_F(Engine, NotePassRulesReachTheVoiceAndStayWithinTheSamples)
{
    JGMOD *j = keep(build_module(4, 1, 4, 3));
    j->sample_info[1].volume = 20;
    j->sample_info[1].loop_type = LOOP_FORWARD;
    j->sample_info[2].loop_type = LOOP_FORWARD | LOOP_PINGPONG;
    j->samples[1].loop_end = j->samples[2].loop_end = 64;
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x08, 0);     // pan 0
    set_cell(j, 0, 1, 0, 2, 0, 0, 0, 0);           // a sample alone plays at the old pitch,
    set_cell(j, 0, 2, 0, 2, 0, 0, 0, 0);           // the same one again only sets its volume
    set_cell(j, 0, 0, 1, 1, 8363, 0, 0x0C, 16);    // volume 16
    set_cell(j, 0, 1, 1, 2, 0, 0, 0x03, 0);        // with a tone portamento: only the volume
    set_cell(j, 0, 0, 2, 3, 8363, 0, 0, 0);
    set_cell(j, 0, 1, 2, 9, 16726, 0, 0, 0);       // no sample 9: the note plays on sample 3
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(on(1).volume, 16 * 255 / 64);
    EXPECT_EQ(on(2).playmode, PLAYMODE_LOOP | PLAYMODE_BIDIR);
    run_ticks(6);
    EXPECT_EQ(on(0).sample, &j->samples[1]);
    EXPECT_EQ(heard(0), (Heard{8363, 20 * 255 / 64, 0}));
    EXPECT_EQ(on(0).playmode, PLAYMODE_LOOP);
    EXPECT_EQ(ci[1].volume, 20);
    EXPECT_EQ(on(1).starts, 1);
    EXPECT_EQ(on(2).sample, &j->samples[2]);
    EXPECT_EQ(on(2).frequency, 16726);
    int starts = on(0).starts;
    run_ticks(6);
    EXPECT_EQ(on(0).starts, starts);
}

// The map's ordinary use and the envelopes a note restarts play in the traces.
TEST_F(Engine, InstrumentMapStaysWithinTheModule)
{
    JGMOD *j = keep(build_module(1, 1, 4, 3, XM_MODE | LINEAR_MODE, 2));
    j->instrument_info[1].note_sample[48] = 2;
    j->instrument_info[0].note_sample[5] = 3;
    play_mod(j, 1);
    // An instrument, note or map entry out of range gives the last sample.
    const int cases[][3] = {  // instrument, note; sample
        {1, 48, 2}, {1, 47, 1}, {1, 96, 2}, {1, -1, 2}, {2, 0, 2}, {-1, 0, 2}, {0, 5, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(get_jgmod_sample_no(c[0], c[1]), c[2]) << c[0] << ", " << c[1];
    play_mod(keep(build_module(1, 1, 4, 3)), 1);
    EXPECT_EQ(get_jgmod_sample_no(7, 200), 7) << "period modules: the number itself";
    j = keep(build_module(1, 1, 4, 0, XM_MODE | LINEAR_MODE, 1));
    set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
    set_cell(j, 0, 1, 0, 5, 49, 0, 0x03, 0);
    play_mod(j, 1);
    recorded_calls().clear();
    run_ticks(12);
    EXPECT_EQ(recorded_count("voice_start"), 0) << "an instrument without samples";
}

TEST_F(Engine, VolumeAndPanRulesAtTheirExtremes)
{
    const int volumes[][6] = {  // global, channel, fade, envelope, player; voice volume
        {64, 64, 32768, 64, 255, 255}, {64, 64, 32768, 64, 60, 60}, {64, 64, 16384, 64, 255, 127},
        {64, 64, 32768, 0, 255, 0}, {1000, 64, 32768, 64, 255, 255}, {64, -64, 32768, 64, 255, 0}};
    for (const auto &c : volumes) {
        mi.global_volume = c[0];
        ci[0].tick_volume = c[1];
        ci[0].fade_volume = c[2];
        ci[0].volume_env.output = c[3];
        mod_volume = c[4];
        EXPECT_EQ(calc_volume(0), c[5]) << "case " << &c - volumes;
    }
    const int pans[][3] = {  // envelope (32 the middle, 64 full right), pan; voice pan
        {32, 255, 255}, {64, 0, 0}, {64, 64, 128}, {64, 128, 255}, {0, 255, 254}, {48, 100, 150},
        {17, 100, 54}};
    for (const auto &c : pans) {
        ci[0].pan_env.output = c[0];
        ci[0].tick_pan = c[1];
        EXPECT_EQ(calc_pan(0), c[2]) << "envelope " << c[0] << ", pan " << c[1];
    }
}

TEST_F(Engine, PeriodAndPitchRulesNeverDivideByZeroOrLeaveTheirTables)
{
    const int amiga = XM_MODE | PERIOD_MODE, linear = XM_MODE | LINEAR_MODE;
    const int periods[][4] = {  // flags, note, tuning, period; ordinary notes play in the traces
        {0, 8363, 0, 3375}, {0, 1, 8000, 14318184}, {0, 3579546, 65535, 0},
        {linear, -5, 128, 7680}, {linear, 500, 128, 128}, {linear, 48, 0, 4672},
        {amiga, 48, 128, 1705}, {amiga, 0, 0, 29024}, {amiga, 11, 255, 13696},
        {amiga, 11, 4000, 12192}};  // B, finetune past the table's end
    for (const auto &c : periods) {
        mi.flags = c[0];
        EXPECT_EQ(note2period(c[1], c[2]), c[3]) << c[0] << ": " << c[1] << ", " << c[2];
    }
    const int pitches[][3] = {  // flags, period, pitch
        {0, 0, 14318184}, {linear, 3840, 16726}, {linear, 384, 378466}, {linear, -10, 535232},
        {linear, 30720, 0}, {amiga, 1712, 8363}};
    for (const auto &c : pitches) {
        mi.flags = c[0];
        EXPECT_EQ(period2pitch(c[1]), c[2]) << c[0] << ": " << c[1];
    }
}

TEST_F(Engine, EmptyAndMissingPatternsTooManyOrdersAndEndlessSlidesPlaySafely)
{
    JGMOD *j = keep(build_module(2, 2, 2, 1));
    resize_pattern(j, 0, 0);
    set_cell(j, 1, 0, 0, 1, 8363, 0, 0, 0);
    j->order_table[2] = 7;  // orders 0, 1, 7, -1, 0: patterns 7 and -1 do not exist
    j->order_table[3] = -1;
    j->order_count = 5;
    play_mod(j, 0);
    run_ticks(6);  // no rows: one silent row
    EXPECT_EQ(recorded_count("voice_start"), 0);
    run_ticks(1);
    EXPECT_EQ(where(), (Where{1, 0, 0}));
    EXPECT_EQ(on(0).frequency, 8363);
    run_ticks(24);
    EXPECT_EQ(where(), (Where{4, 0, 0}));

    j = keep(build_module(1, 1, 1, 1));
    j->tempo = 1;
    j->order_count = 1000;  // more than the order table holds
    play_mod(j, 0);
    run_ticks(MAX_ORDER);
    EXPECT_EQ(mi.order, MAX_ORDER - 1);
    run_ticks(1);
    EXPECT_EQ(of, nullptr);
    // A JGM parameter may be 0xFFFF: 4 x 65535 period units per tick would
    // overflow the period after a few minutes of one long slide.
    j = keep(build_module(1, 1, 256, 1));
    for (int row = 0; row < 256; row++)
        set_cell(j, 0, row, 0, row == 0, row == 0 ? 8363 : 0, 0, 0x02, 0xFFFF);
    j->tempo = 31;  // 256 rows x 30 sliding ticks x 262140 passes 2^31
    play_mod(j, 0);
    run_ticks(256 * 31 - 1);
    EXPECT_EQ(ci[0].period, JGMOD_PERIOD_LIMIT);
    EXPECT_GE(on(0).frequency, 0);
}

TEST(PeriodTables, FollowTheirRules)
{
    // A mistyped entry shifts one pitch; the rules catch any of them.
    for (int i = 0; i < 768; i++) {
        double exact = 535232.0 * pow(2.0, -i / 768.0);
        ASSERT_LE(lintab[i], exact) << "entry " << i;
        ASSERT_GT(lintab[i] + 1.0, exact) << "entry " << i;
    }
    EXPECT_EQ(logtab[0], 32 * 907);
    EXPECT_EQ(logtab[103], 13792);
    for (int i = 1; i < 104; i++) {
        ASSERT_LT(logtab[i], logtab[i - 1]) << "entry " << i;
        // Eighth-semitone steps from period 907, to the table's rounding.
        ASSERT_NEAR(logtab[i] / (29024 * pow(2.0, -i / 96.0)), 1.0, 0.003) << "entry " << i;
    }
    for (int n = 0; n < 12; n++)
        EXPECT_NEAR(noteperiod[n] / (6848 * pow(2.0, -n / 12.0)), 1.0, 0.003) << "note " << n;
    for (int step = 1; step < 16; step++)
        EXPECT_EQ(vib_table[step], vib_table[32 - step]) << "the sine half is symmetric";
}

TEST_F(Engine, VoicesGetOnlyWhatTheLibrarysMixerCanPlay)
{
    // An empty, inverted or overlong loop would spin the library's mixer or
    // make it read past the sample: the sample plays once instead.
    const int loops[][2] = {{0, 0}, {40, 20}, {0, 65}, {10, 64}};
    JGMOD *j = keep(build_module(4, 2, 1, 8));
    for (int channel = 0; channel < 4; channel++) {
        j->sample_info[channel].loop_type = j->sample_info[channel + 4].loop_type = LOOP_FORWARD;
        j->samples[channel].loop_start = loops[channel][0];
        j->samples[channel].loop_end = loops[channel][1];
        set_cell(j, 0, 0, channel, channel + 1, 8363, 0, 0, 0);
    }
    play_mod(j, 0);
    run_ticks(1);
    for (int channel = 0; channel < 3; channel++)
        EXPECT_EQ(on(channel).playmode, 0) << "loop " << loops[channel][0];
    EXPECT_EQ(on(3).playmode, PLAYMODE_LOOP);
    // Asked for 3579546 Hz, a voice stays below 2^19 Hz, and below a loop's
    // length per output frame (loops of 4 and 8 frames); a sample without
    // frames is not even handed over.
    const int loop_starts[] = {60, 56, 64, 0};
    const int frequencies[] = {4 * RECORDER_MIXER_HZ - 1, 8 * RECORDER_MIXER_HZ - 1, (1 << 19) - 1};
    for (int channel = 0; channel < 4; channel++) {
        j->samples[channel + 4].loop_start = loop_starts[channel];
        j->samples[channel + 4].loop_end = 64;
        set_cell(j, 1, 0, channel, channel + 5, 3579546, 0, 0, 0);
    }
    j->samples[7].len = 0;
    run_ticks(6);
    for (int channel = 0; channel < 3; channel++)
        EXPECT_EQ(on(channel).frequency, frequencies[channel]) << channel;
    EXPECT_EQ(on(3).sample, &j->samples[3]) << "the previous note plays on";
    EXPECT_EQ(on(3).starts, 1);
}
