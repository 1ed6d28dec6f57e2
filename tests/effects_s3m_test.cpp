// The S3M effect family and the volume column, handler by handler, with the
// state checked tick by tick.
#include <gtest/gtest.h>

#include "support/effects_state.h"

namespace {

class S3mEffects : public EffectsFixture {
protected:
    S3mEffects() : EffectsFixture(1, XM_MODE | PERIOD_MODE) {}
};

// Fine forms act on tick 0 only, normal ones on later ticks, in the order of
// tests: fine down, fine up, up, down; 0 repeats the last form.
TEST_F(S3mEffects, VolumeSlideForms)
{
    struct Case {
        Ints parameters, volumes;  // ticks 0..2 from 32
    } cases[] = {
        {{0xF1}, {31, 31, 31}},  {{0xFF}, {17, 17, 17}},  // fine down wins over fine up
        {{0x1F}, {33, 33, 33}},  {{0xEF}, {46, 46, 46}},     {{0x30}, {32, 35, 38}},
        {{0xF0}, {32, 47, 62}},  // x = 15 with y = 0 is not fine
        {{0x05}, {32, 27, 22}},  {{0x0F}, {32, 17, 2}},   // nor is y = 15 with x = 0
        {{0x1F, 0}, {33, 33, 33}}, {{0x23}, {32, 32, 32}},  // both nibbles, not fine: nothing
    };
    for (const Case &k : cases) {
        channel(1712, 32);
        for (int parameter : k.parameters)
            parse_s3m_volume_slide(0, parameter);
        EXPECT_EQ(row(0, 3, do_s3m_volume_slide, &CHANNEL_STATE::volume), k.volumes)
            << std::hex << k.parameters[0];
        EXPECT_EQ(ci[0].tick_volume, ci[0].volume);
    }
    EXPECT_EQ(ci[0].s3m_volume_slide_on, 0);
}

// Up from 1712 over ticks 0..2; down mirrors it.
TEST_F(S3mEffects, PortamentoExtraFineFineAndNormalBothWays)
{
    struct Case { int parameter; Ints up; } cases[] = {
        {0xE4, {1708, 1708, 1708}}, {0xE0, {1712, 1712, 1712}}, {0xF4, {1696, 1696, 1696}},
        {0xFF, {1652, 1652, 1652}}, {0x04, {1712, 1696, 1680}}, {0xDF, {1712, 820, -72}},
    };
    for (const Case &k : cases) {
        channel(1712);
        parse_s3m_portamento_up(0, k.parameter);
        EXPECT_EQ(row(0, 3, do_s3m_portamento, &CHANNEL_STATE::tick_period), k.up) << k.parameter;
        channel(1712);
        parse_s3m_portamento_down(0, k.parameter);
        EXPECT_EQ(row(0, 3, do_s3m_portamento, &CHANNEL_STATE::period)[2], 3424 - k.up[2]);
    }
    CHANNEL_STATE &c = channel(1712);
    parse_s3m_portamento_up(0, 0xF3);
    parse_s3m_portamento_down(0, 0);  // zero: the amounts, in the new direction
    EXPECT_EQ(c.s3m_fine_slide, 12);
    parse_s3m_portamento_down(0, 0x10);
    parse_s3m_portamento_up(0, 0x120);  // above a byte: keeps the amounts, slides
    EXPECT_EQ(c.s3m_slide, -64);
    channel(0);
    parse_s3m_portamento_up(0, 0x10);
    EXPECT_EQ(c.s3m_slide_on, 0) << "needs a note";
}

TEST_F(S3mEffects, RetriggerOnMultiplesOfTheIntervalWithItsVolumeCode)
{
    CHANNEL_STATE &c = channel(1712, 64);
    parse_s3m_retrig(0, 0x63);
    EXPECT_EQ(row(1, 12, do_s3m_retrig, &CHANNEL_STATE::volume),
              (Ints{64, 64, 42, 42, 42, 28, 28, 28, 18, 18, 18}));
    Ints expected = {48, 47, 46, 44, 40, 32, 32, 24, 48, 49, 50, 52, 56, 64, 72, 96};
    for (int code = 0; code < 16; code++) {
        channel(1712, 48).tick_volume = 30;  // changed on its own, by a tremolo say
        parse_s3m_retrig(0, code * 16 + 1);
        EXPECT_EQ(row(1, 2, do_s3m_retrig, &CHANNEL_STATE::volume), Ints{expected[code]}) << code;
        EXPECT_EQ(c.trigger, -1);
    }
    EXPECT_EQ(c.tick_volume, 60) << "the tick's volume too, from its own value";
    channel(1712, 64);
    parse_s3m_retrig(0, 0x92);
    parse_s3m_retrig(0, 0);  // repeats the last parameter
    EXPECT_EQ(row(1, 5, do_s3m_retrig, &CHANNEL_STATE::trigger), (Ints{0, -1, -1, -1}));
    c.trigger = 0;
    parse_s3m_retrig(0, 0x90);
    EXPECT_EQ(row(1, 4, do_s3m_retrig, &CHANNEL_STATE::trigger), (Ints{0, 0, 0})) << "interval 0";
}

TEST_F(S3mEffects, ArpeggioOnAnAmigaPeriodStepsByNoteNumbers)
{
    channel(1712);  // C with no finetune; +4 and +7 semitones are E and G
    parse_s3m_arpeggio(0, 0x47);
    EXPECT_EQ(row(1, 4, do_arpeggio, &CHANNEL_STATE::tick_period), (Ints{1356, 1140, 1712}));
}

// The edges of the volume column; the golden trace plays every range.
TEST_F(S3mEffects, VolumeColumnClampsMemoriesAndPortamentoTarget)
{
    CHANNEL_STATE &c = channel(1712, 62);
    typedef CHANNEL_STATE S;
    struct Step { int value, S::*field, want; } steps[] = {
        {0x9F, &S::volume, 64},       {0x48, &S::volume, 56},     {0xA3, &S::vibrato_on, 0},
        {0xD3, &S::pan_slide, -3},    {0xE5, &S::pan_slide, 5},   {0xD0, &S::pan_slide, -3},
        {0xE0, &S::pan_slide, 5},     {0xF2, &S::porta_speed, 128}, {0xF0, &S::porta_speed, 128},
    };
    for (const Step &s : steps) {
        parse_volume_command(0, s.value, 0);
        EXPECT_EQ(c.*s.field, s.want) << std::hex << s.value;
    }
    c.tuning = 128;
    c.transpose = 12;
    parse_volume_command(0, 0xF1, 25);
    EXPECT_EQ(c.porta_target, note2period(12 + 25 - 1, 128));
    c.volume = 2;
    parse_volume_command(0, 0x8F, 0);
    EXPECT_EQ(c.volume, 0);
}

TEST_F(S3mEffects, BpmSetAndSlidesStopAtTheirLimits)
{
    int installs = recorded_timer().install_calls;
    struct Case { int bpm, parameter, times, want; } cases[] = {
        {125, 0x05, 1, 130}, {125, 0x15, 1, 120}, {125, 0x20, 1, 32}, {125, 0xFF, 1, 255},
        {40, 0x1F, 10, 32},  {20, 0x1F, 1, 20},  // below what a slide reaches: kept
        {20, 0x02, 1, 22},   {250, 0x0F, 10, 255}, {300, 0x0F, 1, 300}, {300, 0x11, 1, 299},
    };
    for (const Case &k : cases) {
        mi.bpm = k.bpm;
        for (int time = 0; time < k.times; time++)
            do_s3m_set_bpm(k.parameter);
        EXPECT_EQ(mi.bpm, k.want) << k.bpm << " " << std::hex << k.parameter;
    }
    EXPECT_EQ(recorded_timer().period, 71590860L / (299 * 24));
    EXPECT_EQ(recorded_timer().install_calls, installs + 28) << "once per command, slides too";
}

}  // namespace
