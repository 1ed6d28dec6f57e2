// The ProTracker effect family, handler by handler: set up a channel, call
// the parse_ handler as tick 0 would, then the do_ handler tick by tick.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "support/effects_state.h"
#include "support/module_builder.h"
#include "support/timer_recorder.h"

namespace {

class ProEffects : public testing::Test {
protected:
    JGMOD *j = nullptr;

    void SetUp() override
    {
        timer_recorder_install();  // bpm commands re-install the tick handler
        j = build_module(4, 3, 64, 2);
        effects_reset_state(j);
    }

    void TearDown() override
    {
        effects_reset_state(nullptr);
        destroy_mod(j);
        timer_recorder_remove();
    }

    // Starts a row with the given period on channel 0, as the note pass does.
    CHANNEL_STATE &note_on(int period)
    {
        ci[0].period = period;
        effects_start_row(0);
        return ci[0];
    }
};

// Period of the period-module table: note n, 12 per octave.
int table(int n)
{
    return noteperiod[n % 12] >> (n / 12);
}

TEST_F(ProEffects, ArpeggioCyclesBaseAndTwoOffsetsOverEachGroupOfThreeTicks)
{
    CHANNEL_STATE &c = note_on(table(24));  // C of the third octave, 1712
    parse_pro_arpeggio(0, 0x47);
    ASSERT_EQ(c.arpeggio_on, -1);
    int expected[] = {table(24), table(28), table(31), table(24), table(28), table(31)};
    for (int tick = 1; tick < 6; tick++) {
        mi.tick = tick;
        do_arpeggio(0);
        EXPECT_EQ(c.tick_period, expected[tick]) << "tick " << tick;
        EXPECT_EQ(c.period, table(24)) << "the lasting period never moves";
    }
}

TEST_F(ProEffects, ArpeggioBetweenTablePeriodsBuildsOnTheNextNoteUp)
{
    CHANNEL_STATE &c = note_on(1700);  // a little above C (1712) in pitch
    parse_pro_arpeggio(0, 0x30);
    mi.tick = 1;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, table(25 + 3));
    mi.tick = 2;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, 1700) << "an offset of 0 is the base note";
}

TEST_F(ProEffects, ArpeggioZeroOffsetOnAnExactTablePeriodKeepsTheBaseNote)
{
    CHANNEL_STATE &c = note_on(table(24));
    parse_pro_arpeggio(0, 0x04);
    mi.tick = 1;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, table(24));
    mi.tick = 2;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, table(28));
}

TEST_F(ProEffects, ArpeggioIsNotSetUpWithoutANoteOrWithAZeroParameter)
{
    parse_pro_arpeggio(0, 0x47);
    EXPECT_EQ(ci[0].arpeggio_on, 0);
    note_on(1712);
    parse_pro_arpeggio(0, 0);
    EXPECT_EQ(ci[0].arpeggio_on, 0);
    EXPECT_EQ(ci[0].arpeggio, 0);
}

TEST_F(ProEffects, ArpeggioOnAPeriodSlidBelowOneKeepsThatPeriod)
{
    CHANNEL_STATE &c = note_on(8);
    parse_pro_arpeggio(0, 0x47);
    c.period = 0;  // a pitch slide has no floor
    c.tick_period = 0;
    mi.tick = 1;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, 0);
    c.period = -20;
    mi.tick = 2;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, -20);
}

TEST_F(ProEffects, ArpeggioAboveTheTopOfTheTableEnds)
{
    CHANNEL_STATE &c = note_on(3);  // far above the highest table note
    parse_pro_arpeggio(0, 0xFF);
    mi.tick = 1;
    do_arpeggio(0);
    EXPECT_LT(c.tick_period, 3);
}

TEST_F(ProEffects, PitchSlidesShareOneMagnitudeAndTakeTheCommandsDirection)
{
    CHANNEL_STATE &c = note_on(1712);
    parse_pro_pitch_slide_up(0, 0x10);
    EXPECT_EQ(c.pitch_slide_on, -1);
    EXPECT_EQ(c.pitch_slide, -64);
    parse_pro_pitch_slide_down(0, 0);
    EXPECT_EQ(c.pitch_slide, 64);
    parse_pro_pitch_slide_up(0, 0);
    EXPECT_EQ(c.pitch_slide, -64);
    parse_pro_pitch_slide_down(0, 3);
    EXPECT_EQ(c.pitch_slide, 12);
}

TEST_F(ProEffects, TonePortamentoStepsTowardsItsTargetAndHoldsIt)
{
    CHANNEL_STATE &c = note_on(1712);
    c.porta_target = 1600;
    parse_slide2period(0, 0x10, 0);  // no note: keeps the target
    ASSERT_EQ(c.porta_on, -1);
    EXPECT_EQ(c.porta_speed, 64);
    int expected[] = {1648, 1600, 1600, 1600};
    for (int step : expected) {
        do_slide2period(0);
        EXPECT_EQ(c.period, step);
        EXPECT_EQ(c.tick_period, step);
    }
}

TEST_F(ProEffects, TonePortamentoDownInPitchNegatesTheSpeed)
{
    CHANNEL_STATE &c = note_on(1600);
    c.porta_target = 1712;
    parse_slide2period(0, 0x20, 0);
    EXPECT_EQ(c.porta_speed, -128);
    do_slide2period(0);
    EXPECT_EQ(c.period, 1712);  // 1728 passed the target
    // A zero speed keeps the magnitude, now in the other direction.
    c.period = 1800;
    parse_slide2period(0, 0, 0);
    EXPECT_EQ(c.porta_speed, 128);
    do_slide2period(0);
    EXPECT_EQ(c.period, 1712);
}

TEST_F(ProEffects, TonePortamentoNeedsANoteAndATarget)
{
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(ci[0].porta_speed, 0) << "period 0: nothing at all";
    note_on(1712);
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(ci[0].porta_speed, 64);
    EXPECT_EQ(ci[0].porta_on, 0) << "no target yet";
}

TEST_F(ProEffects, TonePortamentoTargetComesFromTheNoteThroughNote2period)
{
    CHANNEL_STATE &c = note_on(2000);
    c.tuning = 8363;
    parse_slide2period(0, 1, 8364);  // the note 1 above the stored value 8363
    EXPECT_EQ(c.porta_target, 1712);
    EXPECT_EQ(c.porta_on, -1);
    EXPECT_EQ(c.porta_speed, 4);
}

TEST_F(ProEffects, VibratoDepthAndSpeedFromTheParameter)
{
    CHANNEL_STATE &c = note_on(1712);
    parse_vibrato(0, 0x48, 5);
    EXPECT_EQ(c.vibrato_on, -1);
    EXPECT_EQ(c.vibrato_speed, 16);
    EXPECT_EQ(c.vibrato_depth, 8);
    EXPECT_EQ(c.vibrato_shift, 5);
    // A zero nibble keeps the earlier value.
    parse_vibrato(0, 0x03, 7);
    EXPECT_EQ(c.vibrato_speed, 16);
    EXPECT_EQ(c.vibrato_depth, 3);
    EXPECT_EQ(c.vibrato_shift, 7);
}

TEST_F(ProEffects, VibratoIsNotSetUpWithoutANote)
{
    parse_vibrato(0, 0x48, 5);
    EXPECT_EQ(ci[0].vibrato_on, 0);
    EXPECT_EQ(ci[0].vibrato_speed, 0);
}

TEST_F(ProEffects, SineVibratoSwingsBySixtyThreeAtDepthEight)
{
    CHANNEL_STATE &c = note_on(1712);
    parse_vibrato(0, 0x48, 5);
    int low = 1712, high = 1712;
    for (int tick = 0; tick < 64; tick++) {
        mi.tick = tick % 6;
        do_vibrato(0);
        low = std::min(low, c.tick_period);
        high = std::max(high, c.tick_period);
    }
    EXPECT_EQ(high, 1712 + 63);
    EXPECT_EQ(low, 1712 - 63);
}

TEST_F(ProEffects, VibratoPhaseMovesOnlyOnLaterTicksAndWrapsAsEightBits)
{
    CHANNEL_STATE &c = note_on(1712);
    parse_vibrato(0, 0xF1, 5);  // speed 60
    mi.tick = 0;
    do_vibrato(0);
    EXPECT_EQ(c.vibrato_pos, 0);
    int expected[] = {60, 120, -76, -16, 44};
    for (int pos : expected) {
        mi.tick = 1;
        do_vibrato(0);
        EXPECT_EQ(c.vibrato_pos, pos);
    }
}

TEST_F(ProEffects, VibratoWaveformsAtKnownPhases)
{
    CHANNEL_STATE &c = note_on(1000);
    parse_vibrato(0, 0x0F, 4);  // depth 15, shift 4: d = w * 15 / 16
    mi.tick = 0;
    struct Case {
        int wave;
        int pos;
        int tick_period;
    } cases[] = {
        {0, 64, 1000 + (255 * 15 >> 4)},       // sine peak
        {0, 32, 1000 + (180 * 15 >> 4)},       // sine, index 8
        {0, -64, 1000 - (255 * 15 >> 4)},      // negative half
        {1, 32, 1000 + (64 * 15 >> 4)},        // ramp rising: i * 8
        {1, -128, 1000 - (255 * 15 >> 4)},     // ramp falling: 255 - i * 8, i = 0
        {1, -64, 1000 - ((255 - 16 * 8) * 15 >> 4)},
        {2, 4, 1000 + (255 * 15 >> 4)},        // square
        {2, -4, 1000 - (255 * 15 >> 4)},
        {6, -4, 1000 - (255 * 15 >> 4)},       // only the low two bits count
    };
    for (const Case &k : cases) {
        c.vibrato_wave = k.wave;
        c.vibrato_pos = (signed char)k.pos;
        do_vibrato(0);
        EXPECT_EQ(c.tick_period, k.tick_period) << "wave " << k.wave << " pos " << k.pos;
    }
}

TEST_F(ProEffects, RandomVibratoDrawsFromTheCLibrary)
{
    CHANNEL_STATE &c = note_on(1000);
    parse_vibrato(0, 0x0F, 0);
    c.vibrato_wave = 3;
    c.vibrato_pos = 8;
    srand(1234);
    int drawn = rand() % 255;
    srand(1234);
    do_vibrato(0);
    EXPECT_EQ(c.tick_period, 1000 + drawn * 15);
}

TEST_F(ProEffects, TremoloActsOnTheVolumeWithItsOwnShiftAndNeedsNoNote)
{
    CHANNEL_STATE &c = ci[0];
    c.volume = 32;
    effects_start_row(0);
    parse_tremolo(0, 0x48, 6);
    EXPECT_EQ(c.tremolo_on, -1);
    EXPECT_EQ(c.tremolo_speed, 16);
    EXPECT_EQ(c.tremolo_depth, 8);
    c.tremolo_pos = 64;
    mi.tick = 0;
    do_tremolo(0);
    EXPECT_EQ(c.tick_volume, 32 + (255 * 8 >> 6));
    EXPECT_EQ(c.tremolo_pos, 64);
    c.tremolo_pos = -64;
    mi.tick = 2;
    do_tremolo(0);
    EXPECT_EQ(c.tick_volume, 32 - (255 * 8 >> 6));
    EXPECT_EQ(c.tremolo_pos, -48);
    EXPECT_EQ(c.volume, 32);
    EXPECT_EQ(c.period, 0) << "tremolo leaves the pitch alone";
}

TEST_F(ProEffects, TremoloWaveformsAtKnownPhases)
{
    CHANNEL_STATE &c = ci[0];
    c.volume = 32;
    parse_tremolo(0, 0x08, 6);  // depth 8: d = w * 8 / 64
    mi.tick = 0;
    struct Case {
        int wave;
        int pos;
        int tick_volume;
    } cases[] = {
        {0, 64, 32 + 31}, {0, 16, 32 + (97 >> 3)}, {0, -64, 32 - 31},
        {1, 64, 32 + 16}, {1, -128, 32 - 31},      {1, -4, 32 - ((255 - 31 * 8) >> 3)},
        {2, 8, 32 + 31},  {2, -8, 32 - 31},
    };
    for (const Case &k : cases) {
        c.tremolo_wave = k.wave;
        c.tremolo_pos = (signed char)k.pos;
        do_tremolo(0);
        EXPECT_EQ(c.tick_volume, k.tick_volume) << "wave " << k.wave << " pos " << k.pos;
    }
    srand(99);
    int drawn = rand() % 255;
    srand(99);
    c.tremolo_wave = 3;
    c.tremolo_pos = 8;
    do_tremolo(0);
    EXPECT_EQ(c.tick_volume, 32 + (drawn * 8 >> 6));
}

TEST_F(ProEffects, VolumeSlideUpWinsOverDownAndZeroLeavesItOff)
{
    parse_pro_volume_slide(0, 0x12);
    EXPECT_EQ(ci[0].volume_slide, 1);
    parse_pro_volume_slide(1, 0x03);
    EXPECT_EQ(ci[1].volume_slide, -3);
    parse_pro_volume_slide(2, 0);
    EXPECT_EQ(ci[2].volume_slide, 0);
}

TEST_F(ProEffects, FineSlidesShareAMemoryThatRepeatsOnlyInTheSameDirection)
{
    CHANNEL_STATE &c = note_on(1712);
    parse_extended_command(0, 0x23);  // fine down 3
    EXPECT_EQ(c.period, 1724);
    parse_extended_command(0, 0x10);  // zero up after a down: nothing
    EXPECT_EQ(c.period, 1724);
    EXPECT_EQ(c.fine_slide_memory, 12);
    parse_extended_command(0, 0x13);  // up 3
    EXPECT_EQ(c.period, 1712);
    parse_extended_command(0, 0x10);  // zero up after an up: again
    EXPECT_EQ(c.period, 1700);
    parse_extended_command(0, 0x20);  // zero down after an up: nothing
    EXPECT_EQ(c.period, 1700);
    parse_extended_command(0, 0x21);
    parse_extended_command(0, 0x20);
    EXPECT_EQ(c.period, 1708);
    EXPECT_EQ(c.tick_period, 1712) << "fine slides change only the lasting period";
}

TEST_F(ProEffects, FineSlidesNeedANote)
{
    parse_extended_command(0, 0x13);
    parse_extended_command(0, 0x23);
    parse_extended_command(0, 0x113);
    parse_extended_command(0, 0x123);
    EXPECT_EQ(ci[0].period, 0);
    EXPECT_EQ(ci[0].fine_slide_memory, 0);
    EXPECT_EQ(ci[0].xm_fine_up_memory, 0);
    EXPECT_EQ(ci[0].xm_fine_down_memory, 0);
}

TEST_F(ProEffects, ImportersFineSlidesKeepSeparateMemoriesPerDirection)
{
    CHANNEL_STATE &c = note_on(1712);
    parse_extended_command(0, 0x112);
    EXPECT_EQ(c.period, 1704);
    parse_extended_command(0, 0x123);
    EXPECT_EQ(c.period, 1716);
    parse_extended_command(0, 0x110);
    EXPECT_EQ(c.period, 1708);
    parse_extended_command(0, 0x120);
    EXPECT_EQ(c.period, 1720);
}

TEST_F(ProEffects, ImportersFineVolumeSlidesKeepTheirMemoriesAndMoveBothVolumes)
{
    CHANNEL_STATE &c = ci[0];
    c.volume = 30;
    effects_start_row(0);
    parse_extended_command(0, 0x135);
    EXPECT_EQ(c.volume, 35);
    EXPECT_EQ(c.tick_volume, 35);
    parse_extended_command(0, 0x142);
    parse_extended_command(0, 0x140);
    EXPECT_EQ(c.volume, 31);
    parse_extended_command(0, 0x130);
    EXPECT_EQ(c.volume, 36);
    EXPECT_EQ(c.xm_fine_volume_down_memory, -2);
}

TEST_F(ProEffects, ExtendedCommandsThatSetAField)
{
    CHANNEL_STATE &c = ci[0];
    c.volume = 40;
    parse_extended_command(0, 0x31);
    EXPECT_EQ(c.glissando, -1);
    parse_extended_command(0, 0x30);
    EXPECT_EQ(c.glissando, 0);
    parse_extended_command(0, 0x42);
    EXPECT_EQ(c.vibrato_wave, 2);
    parse_extended_command(0, 0x73);
    EXPECT_EQ(c.tremolo_wave, 3);
    parse_extended_command(0, 0x8F);
    EXPECT_EQ(c.pan, 255);
    parse_extended_command(0, 0x93);
    EXPECT_EQ(c.retrig_interval, 3);
    parse_extended_command(0, 0xA5);
    EXPECT_EQ(c.volume, 45);
    parse_extended_command(0, 0xB9);
    EXPECT_EQ(c.volume, 36);
    parse_extended_command(0, 0xC4);
    EXPECT_EQ(c.note_cut, 4);
    EXPECT_EQ(c.volume, 36) << "a later cut waits for its tick";
    parse_extended_command(0, 0xD2);
    EXPECT_EQ(c.note_delay, 2);
    parse_extended_command(0, 0xC0);
    EXPECT_EQ(c.volume, 0) << "cut on tick 0 silences at once";
}

TEST_F(ProEffects, FineVolumeIsClampedOnlyAtTheVoiceUpdate)
{
    ci[0].volume = 60;
    parse_extended_command(0, 0xAF);
    EXPECT_EQ(ci[0].volume, 75);
}

TEST_F(ProEffects, SwappedNibblePan)
{
    int expected[16] = {136, 153, 170, 187, 204, 221, 238, 255, 0, 17, 34, 51, 68, 85, 102, 119};
    for (int y = 0; y < 16; y++) {
        parse_extended_command(0, 0x100 + y);
        EXPECT_EQ(ci[0].pan, expected[y]) << "y " << y;
    }
}

TEST_F(ProEffects, RowCommandsAndUnknownCodesDoNothingInTheChannelPass)
{
    CHANNEL_STATE &c = note_on(1712);
    c.volume = 20;
    CHANNEL_STATE before = c;
    int codes[] = {0x00, 0x05, 0x50, 0x62, 0x6F, 0xE3, 0xF1, 0x150, 0x16F, -5};
    for (int code : codes)
        parse_extended_command(0, code);
    EXPECT_EQ(memcmp(&before, &c, sizeof c), 0);
    EXPECT_EQ(mi.pattern_delay, 0);
}

TEST_F(ProEffects, NoteDelayTriggersOnItsTickAndHoldsTheVoiceBefore)
{
    CHANNEL_STATE &c = ci[0];
    parse_extended_command(0, 0xD3);
    c.trigger = -1;  // the delayed note's own trigger from the note pass
    mi.tick = 1;
    do_delay_sample(0);
    EXPECT_EQ(c.trigger, 0);
    EXPECT_EQ(c.note_delay, 3);
    mi.tick = 2;
    do_delay_sample(0);
    EXPECT_EQ(c.trigger, 0);
    mi.tick = 3;
    do_delay_sample(0);
    EXPECT_EQ(c.trigger, -1);
    EXPECT_EQ(c.note_delay, 0);
}

TEST_F(ProEffects, PositionJumpSetsTheOrderAndRowZero)
{
    do_position_jump(2);
    EXPECT_EQ(mi.break_order, 3);
    EXPECT_EQ(mi.break_row, 1);
}

TEST_F(ProEffects, PositionJumpPastTheEndWrapsOnlyWhenLooping)
{
    do_position_jump(3);
    EXPECT_EQ(mi.break_order, 1);
    mi.break_order = mi.break_row = 0;
    mi.loop = 0;
    do_position_jump(3);
    EXPECT_GT(mi.break_order, j->order_count) << "ends the song";
    mi.break_order = mi.break_row = 0;
    do_position_jump(255);
    EXPECT_EQ(mi.break_order, j->order_count + 1) << "never past one beyond the end";
}

TEST_F(ProEffects, PositionJumpKeepsARowAlreadyChosen)
{
    mi.break_row = 17;
    do_position_jump(1);
    EXPECT_EQ(mi.break_row, 17);
    EXPECT_EQ(mi.break_order, 2);
}

TEST_F(ProEffects, PositionJumpOnTheLastOrderCanBeSwitchedOff)
{
    int saved = enable_lasttrk_loop;
    enable_lasttrk_loop = 0;
    mi.order = 2;  // the last of three
    do_position_jump(0);
    EXPECT_EQ(mi.break_order, 0);
    EXPECT_EQ(mi.break_row, 0);
    mi.order = 1;
    do_position_jump(0);
    EXPECT_EQ(mi.break_order, 1);
    EXPECT_EQ(mi.break_row, 1);
    enable_lasttrk_loop = saved;
}

TEST_F(ProEffects, PositionJumpWithANegativeParameterIsIgnored)
{
    do_position_jump(-1);
    EXPECT_EQ(mi.break_order, 0);
    EXPECT_EQ(mi.break_row, 0);
}

TEST_F(ProEffects, PatternBreakReadsItsParameterAsTwoDecimalDigits)
{
    do_pattern_break(0x12);
    EXPECT_EQ(mi.break_row, 13);
    EXPECT_EQ(mi.break_order, 2);
}

TEST_F(ProEffects, PatternBreakAfterAPositionJumpKeepsTheJumpsOrder)
{
    resize_pattern(j, 1, 20);
    do_position_jump(1);
    do_pattern_break(0x16);
    EXPECT_EQ(mi.break_order, 2);
    EXPECT_EQ(mi.break_row, 17);
}

TEST_F(ProEffects, PatternBreakOnTheLastOrderWrapsWhenLooping)
{
    mi.order = 2;
    do_pattern_break(0x05);
    EXPECT_EQ(mi.break_order, 1);
    EXPECT_EQ(mi.break_row, 6);
}

TEST_F(ProEffects, PatternBreakOneRowPastTheTargetIsLoweredByOne)
{
    resize_pattern(j, 1, 32);
    do_pattern_break(0x32);
    EXPECT_EQ(mi.break_row, 32) << "row 31, the last";
}

TEST_F(ProEffects, PatternBreakFurtherPastTheTargetGoesToItsFirstRow)
{
    resize_pattern(j, 1, 32);
    do_pattern_break(0x99);
    EXPECT_EQ(mi.break_row, 1);
    mi.break_order = 0;
    resize_pattern(j, 1, 0);
    do_pattern_break(0x00);
    EXPECT_EQ(mi.break_row, 1) << "never 0, which would mean no break";
}

TEST_F(ProEffects, PatternBreakPastTheSongsEndReadsNoPattern)
{
    mi.loop = 0;
    mi.order = 2;
    do_pattern_break(0x99);
    EXPECT_EQ(mi.break_order, 4);
    EXPECT_EQ(mi.break_row, 100);
}

TEST_F(ProEffects, SpeedUpToThirtyTwoIsTicksPerRowAboveIsBpm)
{
    do_pro_tempo_bpm(0);
    EXPECT_EQ(mi.tempo, 6);
    EXPECT_EQ(mi.bpm, 125);
    do_pro_tempo_bpm(32);
    EXPECT_EQ(mi.tempo, 32);
    EXPECT_EQ(mi.bpm, 125);
    EXPECT_EQ(recorded_timer().install_calls, 0);
    do_pro_tempo_bpm(33);
    EXPECT_EQ(mi.tempo, 32);
    EXPECT_EQ(mi.bpm, 33);
    EXPECT_EQ(recorded_timer().install_calls, 1);
    EXPECT_EQ(recorded_timer().period, 71590860L / (33 * 24));
}

TEST_F(ProEffects, PatternLoopMarksCountsAndFinishes)
{
    CHANNEL_STATE &c = ci[1];
    mi.row = 2;
    do_pattern_loop(1, 0x60);
    EXPECT_EQ(c.loop_row, 2);
    mi.row = 5;
    for (int pass = 0; pass < 2; pass++) {
        c.loop_pending = 0;  // the row-command pass clears it
        do_pattern_loop(1, 0x62);
        EXPECT_EQ(c.loop_pending, -1) << "pass " << pass;
        EXPECT_EQ(c.loop_row, 2);
    }
    EXPECT_EQ(c.loop_count, 1);
    c.loop_pending = 0;
    do_pattern_loop(1, 0x62);
    EXPECT_EQ(c.loop_pending, 0) << "third time through: done";
    EXPECT_EQ(c.loop_row, 6);
    EXPECT_EQ(c.loop_count, 0);
    EXPECT_EQ(ci[0].loop_row, 0) << "loops are per channel";
}

TEST_F(ProEffects, ASecondLoopEndLoopsBackToTheRowAfterTheFirst)
{
    CHANNEL_STATE &c = ci[0];
    mi.row = 7;
    do_pattern_loop(0, 0x61);
    c.loop_pending = 0;
    do_pattern_loop(0, 0x61);
    EXPECT_EQ(c.loop_row, 8);
    mi.row = 12;
    c.loop_pending = 0;
    do_pattern_loop(0, 0x61);
    EXPECT_EQ(c.loop_pending, -1);
    EXPECT_EQ(c.loop_row, 8);
}

}  // namespace
