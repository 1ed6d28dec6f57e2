// The XM effect family handler by handler: slides with their own memories,
// the pitch floor, pan and global volume slides, extra-fine portamento.
#include <gtest/gtest.h>

#include "support/effects_state.h"
#include "support/module_builder.h"

namespace {

class XmEffects : public testing::Test {
protected:
    JGMOD *j = nullptr;

    void SetUp() override
    {
        j = build_module(4, 1, 64, 2, XM_MODE | LINEAR_MODE, 2);
        effects_reset_state(j);
    }

    void TearDown() override
    {
        effects_reset_state(nullptr);
        destroy_mod(j);
    }

    CHANNEL_STATE &channel(int period, int volume = 32, int pan = 128)
    {
        ci[0].period = period;
        ci[0].volume = volume;
        ci[0].pan = pan;
        effects_start_row(0);
        return ci[0];
    }
};

TEST_F(XmEffects, ArpeggioOnALinearPeriodStepsSixtyFourPerSemitone)
{
    // The search uses periods without finetune (7744 - 64 n), so a note with
    // the usual tuning of 128 sits exactly one search step above a table note.
    CHANNEL_STATE &c = channel(note2period(48, 128));
    ASSERT_EQ(c.period, 4608);
    parse_pro_arpeggio(0, 0x47);
    int expected[] = {4608 - 4 * 64, 4608 - 7 * 64, 4608};
    for (int tick = 1; tick < 4; tick++) {
        mi.tick = tick;
        do_arpeggio(0);
        EXPECT_EQ(c.tick_period, expected[tick - 1]) << "tick " << tick;
    }
}

TEST_F(XmEffects, ArpeggioAboveTheHighestNoteEnds)
{
    CHANNEL_STATE &c = channel(100);  // above note 118, the highest there is
    parse_pro_arpeggio(0, 0x0F);
    mi.tick = 2;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, 100);
    c.period = 192;  // exactly the highest note: its own period stays
    mi.tick = 1;
    do_arpeggio(0);
    EXPECT_EQ(c.tick_period, 192);
}

TEST_F(XmEffects, VolumeSlideUpDownAndRepeat)
{
    CHANNEL_STATE &c = channel(4000, 32);
    parse_xm_volume_slide(0, 0x35);
    EXPECT_EQ(c.xm_volume_slide_on, -1);
    EXPECT_EQ(c.xm_volume_slide, 3) << "the high nibble wins";
    parse_xm_volume_slide(0, 0x05);
    EXPECT_EQ(c.xm_volume_slide, -5);
    parse_xm_volume_slide(0, 0);
    EXPECT_EQ(c.xm_volume_slide, -5);
    for (int tick = 1; tick < 4; tick++)
        do_xm_volume_slide(0);
    EXPECT_EQ(c.volume, 17);
    EXPECT_EQ(c.tick_volume, 17);
}

TEST_F(XmEffects, PitchSlidesKeepSeparateMemories)
{
    CHANNEL_STATE &c = channel(4000);
    parse_xm_pitch_slide_up(0, 0x02);
    parse_xm_pitch_slide_down(0, 0x05);
    EXPECT_EQ(c.xm_slide_up, -8);
    EXPECT_EQ(c.xm_slide_down, 20);
    c.xm_slide_up_on = c.xm_slide_down_on = 0;
    parse_xm_pitch_slide_up(0, 0);
    parse_xm_pitch_slide_down(0, 0);
    EXPECT_EQ(c.xm_slide_up_on, -1);
    EXPECT_EQ(c.xm_slide_down_on, -1);
    EXPECT_EQ(c.xm_slide_up, -8);
    EXPECT_EQ(c.xm_slide_down, 20);
    do_xm_pitch_slide_up(0);
    do_xm_pitch_slide_down(0);
    EXPECT_EQ(c.period, 4012);
    EXPECT_EQ(c.tick_period, 4012);
}

TEST_F(XmEffects, PitchSlidesNeedANote)
{
    CHANNEL_STATE &c = channel(0);
    parse_xm_pitch_slide_up(0, 0x02);
    parse_xm_pitch_slide_down(0, 0x05);
    EXPECT_EQ(c.xm_slide_up_on, 0);
    EXPECT_EQ(c.xm_slide_down_on, 0);
    EXPECT_EQ(c.xm_slide_up, 0);
    EXPECT_EQ(c.xm_slide_down, 0);
}

TEST_F(XmEffects, PitchSlideUpStopsAtFortyAndDownHasNoCeiling)
{
    CHANNEL_STATE &c = channel(150);
    parse_xm_pitch_slide_up(0, 0x10);
    int expected[] = {86, 40, 40};
    for (int period : expected) {
        do_xm_pitch_slide_up(0);
        EXPECT_EQ(c.period, period);
        EXPECT_EQ(c.tick_period, period);
    }
    c.tick_period = 30;  // a vibrato may take the tick's period lower
    do_xm_pitch_slide_up(0);
    EXPECT_EQ(c.tick_period, 40);
    channel(30000);
    parse_xm_pitch_slide_down(0, 0xFF);
    for (int tick = 0; tick < 10; tick++)
        do_xm_pitch_slide_down(0);
    EXPECT_EQ(c.period, 30000 + 10 * 1020);
}

TEST_F(XmEffects, HoursOfTheWidestSlideDownDoNotOverflow)
{
    CHANNEL_STATE &c = channel(4000);
    parse_xm_pitch_slide_down(0, 0xFFFF);  // the widest a JGM parameter can be
    for (int tick = 0; tick < 20000; tick++)
        do_xm_pitch_slide_down(0);
    EXPECT_GT(c.period, 1 << 29);
    EXPECT_EQ(c.tick_period, c.period);
}

TEST_F(XmEffects, PanSlideRightLeftAndRepeat)
{
    CHANNEL_STATE &c = channel(4000, 32, 100);
    parse_xm_pan_slide(0, 0x20);
    EXPECT_EQ(c.pan_slide, 2);
    parse_xm_pan_slide(0, 0x07);
    EXPECT_EQ(c.pan_slide, -7);
    c.pan_slide = 0;  // the next row start clears it
    parse_xm_pan_slide(0, 0);
    EXPECT_EQ(c.pan_slide, -7);
    EXPECT_EQ(c.pan_slide_memory, -7);
    do_xm_pan_slide(0);
    do_xm_pan_slide(0);
    EXPECT_EQ(c.pan, 86);
    EXPECT_EQ(c.tick_pan, 86);
}

TEST_F(XmEffects, PanSlideMemoryIsApartFromTheVolumeColumns)
{
    CHANNEL_STATE &c = channel(4000);
    parse_volume_command(0, 0xE4, 0);
    parse_xm_pan_slide(0, 0x01);
    parse_volume_command(0, 0xE0, 0);
    EXPECT_EQ(c.pan_slide, 4);
    parse_xm_pan_slide(0, 0);
    EXPECT_EQ(c.pan_slide, -1);
}

TEST_F(XmEffects, GlobalVolumeSlideClampsAtOnce)
{
    mi.global_volume = 60;
    parse_global_volume_slide(0, 0x30);
    EXPECT_EQ(ci[0].global_slide_on, -1);
    EXPECT_EQ(ci[0].global_slide, 3);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 63);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 64);
    parse_global_volume_slide(0, 0x0F);
    for (int tick = 0; tick < 5; tick++)
        do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 0);
}

TEST_F(XmEffects, GlobalVolumeSlideRepeatsOnZero)
{
    parse_global_volume_slide(2, 0x04);
    ci[2].global_slide_on = 0;
    parse_global_volume_slide(2, 0);
    EXPECT_EQ(ci[2].global_slide_on, -1);
    EXPECT_EQ(ci[2].global_slide, -4);
    parse_global_volume_slide(2, 0x100);  // no nibble set: keeps it too
    EXPECT_EQ(ci[2].global_slide, -4);
}

TEST_F(XmEffects, GlobalVolumeSlideOnTwoChannelsGoesTwiceAsFast)
{
    mi.global_volume = 40;
    parse_global_volume_slide(0, 0x02);
    parse_global_volume_slide(3, 0x02);
    for (int tick = 1; tick < 6; tick++) {
        do_global_volume_slide(0);
        do_global_volume_slide(3);
    }
    EXPECT_EQ(mi.global_volume, 20);
}

TEST_F(XmEffects, ExtraFinePortamentoKeepsAMemoryPerDirection)
{
    CHANNEL_STATE &c = channel(4000);
    do_xm_x(0, 0x13);
    EXPECT_EQ(c.period, 3997);
    do_xm_x(0, 0x25);
    EXPECT_EQ(c.period, 4002);
    do_xm_x(0, 0x10);
    EXPECT_EQ(c.period, 3999);
    do_xm_x(0, 0x20);
    EXPECT_EQ(c.period, 4004);
    EXPECT_EQ(c.tick_period, 4000) << "tick 0: the row start copies the period afterwards";
    do_xm_x(0, 0x35);
    do_xm_x(0, 0x05);
    EXPECT_EQ(c.period, 4004);
}

TEST_F(XmEffects, ExtraFinePortamentoNeedsANote)
{
    CHANNEL_STATE &c = channel(0);
    do_xm_x(0, 0x13);
    do_xm_x(0, 0x25);
    EXPECT_EQ(c.period, 0);
    EXPECT_EQ(c.xm_extra_fine_up_memory, 0);
    EXPECT_EQ(c.xm_extra_fine_down_memory, 0);
}

}  // namespace
