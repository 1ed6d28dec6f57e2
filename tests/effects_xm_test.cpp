// The XM effect family handler by handler: the arpeggio search, the pitch
// floor, pan slide memories and global volume slides.
#include <gtest/gtest.h>

#include "support/effects_state.h"

namespace {

class XmEffects : public EffectsFixture {
protected:
    XmEffects() : EffectsFixture(1, XM_MODE | LINEAR_MODE) {}
};

TEST_F(XmEffects, ArpeggioStepsSixtyFourPerSemitoneAndEndsAboveTheHighestNote)
{
    // The search uses periods without finetune (7744 - 64 n), so the usual
    // tuning of 128 sits exactly one search step above a table note.
    CHANNEL_STATE &c = channel(note2period(48, 128));  // 4608
    parse_pro_arpeggio(0, 0x47);
    EXPECT_EQ(row(1, 4, do_arpeggio, &CHANNEL_STATE::tick_period),
              (Ints{4608 - 4 * 64, 4608 - 7 * 64, 4608}));
    c.period = 100;  // above note 118, the highest
    EXPECT_EQ(row(2, 3, do_arpeggio, &CHANNEL_STATE::tick_period), Ints{100});
    c.period = 192;  // exactly the highest note
    parse_pro_arpeggio(0, 0x0F);
    EXPECT_EQ(row(2, 3, do_arpeggio, &CHANNEL_STATE::tick_period), Ints{192});
}

TEST_F(XmEffects, PitchSlideUpStopsAtFortyAndDownNeverOverflows)
{
    CHANNEL_STATE &c = channel(150);
    parse_xm_pitch_slide_up(0, 0x10);
    EXPECT_EQ(row(1, 4, do_xm_pitch_slide_up, &CHANNEL_STATE::period), (Ints{86, 40, 40}));
    c.tick_period = 30;  // a vibrato may take the tick's period lower
    do_xm_pitch_slide_up(0);
    EXPECT_EQ(c.tick_period, 40);
    channel(30000);
    parse_xm_pitch_slide_down(0, 0xFFFF);  // no ceiling, even at the widest parameter
    for (int tick = 0; tick < 20000; tick++)
        do_xm_pitch_slide_down(0);
    EXPECT_GT(c.period, 1 << 29);
    EXPECT_EQ(c.tick_period, c.period);
}

TEST_F(XmEffects, PanSlideRepeatsFromAMemoryApartFromTheVolumeColumns)
{
    CHANNEL_STATE &c = channel(4000, 32, 100);
    parse_xm_pan_slide(0, 0x20);
    EXPECT_EQ(c.pan_slide, 2);
    parse_volume_command(0, 0xE4, 0);
    parse_xm_pan_slide(0, 0x07);
    parse_volume_command(0, 0xE0, 0);
    EXPECT_EQ(c.pan_slide, 4);
    parse_xm_pan_slide(0, 0);
    EXPECT_EQ(row(1, 3, do_xm_pan_slide, &CHANNEL_STATE::tick_pan), (Ints{93, 86}));
    EXPECT_EQ(c.pan, 86);
}

TEST_F(XmEffects, GlobalVolumeSlideIsClampedAtOnceRepeatsAndActsPerChannel)
{
    mi.global_volume = 60;
    parse_global_volume_slide(0, 0x30);
    do_global_volume_slide(0);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 64) << "63, then clamped at once";
    parse_global_volume_slide(0, 0x02);
    parse_global_volume_slide(0, 0);
    parse_global_volume_slide(3, 0x02);
    parse_global_volume_slide(3, 0x100);  // no nibble set: repeats too
    for (int tick = 1; tick < 6; tick++)
        do_global_volume_slide(0), do_global_volume_slide(3);
    EXPECT_EQ(mi.global_volume, 44) << "twice as fast on two channels";
    mi.global_volume = 3;
    do_global_volume_slide(0);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 0) << "1, then clamped at once";
}

}  // namespace
