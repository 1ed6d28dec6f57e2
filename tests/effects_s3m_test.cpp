// The S3M effect family, the volume column and the note commands, handler by
// handler, with the state checked tick by tick.
#include <vector>

#include <gtest/gtest.h>

#include "support/effects_state.h"
#include "support/module_builder.h"
#include "support/timer_recorder.h"

namespace {

class S3mEffects : public testing::Test {
protected:
    JGMOD *j = nullptr;

    void SetUp() override
    {
        timer_recorder_install();  // bpm commands re-install the tick handler
        j = build_module(4, 1, 64, 2, XM_MODE | PERIOD_MODE, 2);
        effects_reset_state(j);
    }

    void TearDown() override
    {
        effects_reset_state(nullptr);
        destroy_mod(j);
        timer_recorder_remove();
    }

    CHANNEL_STATE &channel(int volume, int period = 1712)
    {
        ci[0].volume = volume;
        ci[0].period = period;
        effects_start_row(0);
        return ci[0];
    }

    // Runs one row of `ticks` ticks of the S3M volume slide and returns the
    // volume after each tick.
    std::vector<int> slide_volume(int ticks)
    {
        std::vector<int> seen;
        for (int tick = 0; tick < ticks; tick++) {
            mi.tick = tick;
            do_s3m_volume_slide(0);
            seen.push_back(ci[0].volume);
            EXPECT_EQ(ci[0].tick_volume, ci[0].volume);
        }
        return seen;
    }
};

TEST_F(S3mEffects, VolumeSlideFormsInTheirOrderOfTests)
{
    struct Case {
        int parameter;
        int fine;
        int normal;
    } cases[] = {
        {0xF1, -1, 0},   // fine down
        {0xFF, -15, 0},  // fine down wins over fine up
        {0x1F, 1, 0},    // fine up
        {0xEF, 14, 0},
        {0x30, 0, 3},    // up
        {0xF0, 0, 15},   // up: x = 15 with y = 0 is not fine
        {0x05, 0, -5},   // down
        {0x0F, 0, -15},  // down: y = 15 with x = 0 is not fine
    };
    for (const Case &k : cases) {
        ci[0] = CHANNEL_STATE();
        parse_s3m_volume_slide(0, k.parameter);
        EXPECT_EQ(ci[0].s3m_volume_slide_on, -1) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_fine_volume_slide, k.fine) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_volume_slide, k.normal) << std::hex << k.parameter;
    }
}

TEST_F(S3mEffects, VolumeSlideWithBothNibblesAndNoFineFormDoesNothing)
{
    ci[0].s3m_volume_slide = 4;
    parse_s3m_volume_slide(0, 0x23);
    EXPECT_EQ(ci[0].s3m_volume_slide_on, 0);
    EXPECT_EQ(ci[0].s3m_volume_slide, 4);
}

TEST_F(S3mEffects, VolumeSlideZeroRepeatsTheLastForm)
{
    channel(40);
    parse_s3m_volume_slide(0, 0x1F);
    parse_s3m_volume_slide(0, 0);
    EXPECT_EQ(ci[0].s3m_volume_slide_on, -1);
    EXPECT_EQ(ci[0].s3m_fine_volume_slide, 1);
    EXPECT_EQ(slide_volume(3), (std::vector<int>{41, 41, 41}));
}

TEST_F(S3mEffects, FineVolumeSlideActsOnTickZeroOnly)
{
    channel(40);
    parse_s3m_volume_slide(0, 0xFF);
    EXPECT_EQ(slide_volume(6), (std::vector<int>{25, 25, 25, 25, 25, 25}));
}

TEST_F(S3mEffects, NormalVolumeSlideActsOnLaterTicks)
{
    channel(64);
    parse_s3m_volume_slide(0, 0x0F);
    EXPECT_EQ(slide_volume(4), (std::vector<int>{64, 49, 34, 19}));
    channel(0);
    parse_s3m_volume_slide(0, 0xF0);
    EXPECT_EQ(slide_volume(3), (std::vector<int>{0, 15, 30}));
}

TEST_F(S3mEffects, PortamentoForms)
{
    struct Case {
        int parameter;
        int fine;    // tick 0, downwards
        int normal;  // later ticks, downwards
    } cases[] = {
        {0x01, 0, 4}, {0xDF, 0, 4 * 0xDF}, {0xE4, 4, 0}, {0xE0, 0, 0}, {0xF4, 16, 0}, {0xFF, 60, 0},
    };
    for (const Case &k : cases) {
        channel(64);
        parse_s3m_portamento_down(0, k.parameter);
        EXPECT_EQ(ci[0].s3m_slide_on, -1);
        EXPECT_EQ(ci[0].s3m_fine_slide, k.fine) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_slide, k.normal) << std::hex << k.parameter;
        parse_s3m_portamento_up(0, k.parameter);
        EXPECT_EQ(ci[0].s3m_fine_slide, -k.fine) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_slide, -k.normal) << std::hex << k.parameter;
    }
}

TEST_F(S3mEffects, PortamentoUpExtraFineFineAndNormalPerTick)
{
    struct Case {
        int parameter;
        int periods[3];  // after ticks 0, 1, 2
    } cases[] = {
        {0xE4, {1708, 1708, 1708}},
        {0xF4, {1696, 1696, 1696}},
        {0x04, {1712, 1696, 1680}},
    };
    for (const Case &k : cases) {
        channel(64, 1712);
        parse_s3m_portamento_up(0, k.parameter);
        for (int tick = 0; tick < 3; tick++) {
            mi.tick = tick;
            do_s3m_portamento(0);
            EXPECT_EQ(ci[0].period, k.periods[tick]) << std::hex << k.parameter << " tick " << tick;
            EXPECT_EQ(ci[0].tick_period, k.periods[tick]);
        }
    }
}

TEST_F(S3mEffects, PortamentoZeroRepeatsTheAmountsInTheNewDirection)
{
    channel(64);
    parse_s3m_portamento_up(0, 0xF3);
    parse_s3m_portamento_down(0, 0);
    EXPECT_EQ(ci[0].s3m_fine_slide, 12);
    EXPECT_EQ(ci[0].s3m_slide, 0);
    parse_s3m_portamento_up(0, 0);
    EXPECT_EQ(ci[0].s3m_fine_slide, -12);
}

TEST_F(S3mEffects, PortamentoAboveAByteKeepsTheAmountsButSlides)
{
    channel(64);
    parse_s3m_portamento_down(0, 0x10);
    parse_s3m_portamento_up(0, 0x120);
    EXPECT_EQ(ci[0].s3m_slide_on, -1);
    EXPECT_EQ(ci[0].s3m_slide, -64);
}

TEST_F(S3mEffects, HoursOfPortamentoDoNotOverflow)
{
    CHANNEL_STATE &c = channel(64, 1712);
    parse_s3m_portamento_up(0, 0xDF);
    mi.tick = 1;
    for (int tick = 0; tick < 3000000; tick++)
        do_s3m_portamento(0);
    EXPECT_LT(c.period, -(1 << 29));
    parse_s3m_portamento_down(0, 0xDF);
    for (int tick = 0; tick < 6000000; tick++)
        do_s3m_portamento(0);
    EXPECT_GT(c.period, 1 << 29);
}

TEST_F(S3mEffects, PortamentoNeedsANote)
{
    channel(64, 0);
    parse_s3m_portamento_up(0, 0x10);
    parse_s3m_portamento_down(0, 0x10);
    EXPECT_EQ(ci[0].s3m_slide_on, 0);
    EXPECT_EQ(ci[0].s3m_slide, 0);
}

TEST_F(S3mEffects, TremorSoundsThenSilencesAndCarriesOnAcrossRows)
{
    CHANNEL_STATE &c = channel(50);
    parse_tremor(0, 0x21);
    EXPECT_EQ(c.tremor_param, 3 * 256 + 2);
    std::vector<int> heard;
    for (int row = 0; row < 2; row++) {
        effects_start_row(0);
        parse_tremor(0, 0x21);
        for (int tick = 1; tick < 4; tick++) {  // rows of 4 ticks
            mi.tick = tick;
            do_tremor(0);
            heard.push_back(c.tick_volume);
        }
    }
    // 3 on, 2 off, from the count the previous row stopped at.
    EXPECT_EQ(heard, (std::vector<int>{50, 50, 50, 0, 0, 50}));
}

TEST_F(S3mEffects, TremorWithoutASetUpIsSilentlyIgnored)
{
    CHANNEL_STATE &c = channel(50);
    c.tremor_on = -1;
    mi.tick = 1;
    do_tremor(0);
    EXPECT_EQ(c.tick_volume, 50);
}

TEST_F(S3mEffects, RetriggerOnlyOnMultiplesOfTheInterval)
{
    CHANNEL_STATE &c = channel(40);
    parse_s3m_retrig(0, 0x83);
    EXPECT_EQ(c.s3m_retrig_on, -1);
    for (int tick = 1; tick < 6; tick++) {
        mi.tick = tick;
        c.trigger = 0;
        do_s3m_retrig(0);
        EXPECT_EQ(c.trigger, tick == 3 ? -1 : 0) << "tick " << tick;
        EXPECT_EQ(c.volume, 40);
    }
}

TEST_F(S3mEffects, RetriggerVolumeCodes)
{
    int expected[16] = {48, 47, 46, 44, 40, 32, 32, 24, 48, 49, 50, 52, 56, 64, 72, 96};
    for (int code = 0; code < 16; code++) {
        CHANNEL_STATE &c = channel(48);
        c.tick_volume = 30;  // after a tremolo, say: changed on its own
        parse_s3m_retrig(0, code * 16 + 1);
        mi.tick = 1;
        do_s3m_retrig(0);
        EXPECT_EQ(c.volume, expected[code]) << "code " << code;
        EXPECT_EQ(c.trigger, -1);
    }
    CHANNEL_STATE &c = channel(48);
    c.tick_volume = 31;
    parse_s3m_retrig(0, 0x61);
    do_s3m_retrig(0);
    EXPECT_EQ(c.tick_volume, 20);
}

TEST_F(S3mEffects, RetriggerTwoThirdsAtEachRetrigger)
{
    CHANNEL_STATE &c = channel(64);
    parse_s3m_retrig(0, 0x63);
    std::vector<int> volumes;
    for (int tick = 1; tick < 12; tick++) {
        mi.tick = tick;
        do_s3m_retrig(0);
        volumes.push_back(c.volume);
    }
    EXPECT_EQ(volumes, (std::vector<int>{64, 64, 42, 42, 42, 28, 28, 28, 18, 18, 18}));
}

TEST_F(S3mEffects, RetriggerZeroRepeatsAndZeroIntervalNeverTriggers)
{
    CHANNEL_STATE &c = channel(64);
    parse_s3m_retrig(0, 0x92);
    parse_s3m_retrig(0, 0);
    EXPECT_EQ(c.s3m_retrig_interval, 2);
    EXPECT_EQ(c.s3m_retrig_volume, 9);
    parse_s3m_retrig(0, 0x90);
    mi.tick = 1;
    do_s3m_retrig(0);
    EXPECT_EQ(c.trigger, 0);
    EXPECT_EQ(c.volume, 64);
}

TEST_F(S3mEffects, S3mArpeggioRepeatsOnZeroAndNeedsANote)
{
    channel(64, 0);
    parse_s3m_arpeggio(0, 0x37);
    EXPECT_EQ(ci[0].arpeggio_on, 0);
    channel(64, 1712);
    parse_s3m_arpeggio(0, 0x37);
    EXPECT_EQ(ci[0].arpeggio_on, -1);
    ci[0].arpeggio_on = 0;
    parse_s3m_arpeggio(0, 0);
    EXPECT_EQ(ci[0].arpeggio_on, -1);
    EXPECT_EQ(ci[0].arpeggio, 0x37);
}

TEST_F(S3mEffects, ArpeggioOnAnAmigaTablePeriodCyclesThroughNoteNumbers)
{
    // 1712 is the table's C with no finetune; +4 and +7 semitones are the E
    // and G of the same octave.
    CHANNEL_STATE &c = channel(64, 1712);
    parse_s3m_arpeggio(0, 0x47);
    int expected[] = {1356, 1140, 1712, 1356, 1140};
    for (int tick = 1; tick < 6; tick++) {
        mi.tick = tick;
        do_arpeggio(0);
        EXPECT_EQ(c.tick_period, expected[tick - 1]) << "tick " << tick;
    }
}

TEST_F(S3mEffects, Panning)
{
    struct Case {
        int parameter;
        int pan;
    } cases[] = {{0, 0}, {1, 1}, {0x40, 127}, {0x80, 255}, {0x81, 255}, {0xA4, 255}};
    for (const Case &k : cases) {
        parse_s3m_panning(0, k.parameter);
        EXPECT_EQ(ci[0].pan, k.pan) << std::hex << k.parameter;
    }
}

TEST_F(S3mEffects, VolumeColumnSetAndFineVolume)
{
    CHANNEL_STATE &c = channel(30);
    parse_volume_command(0, 0x48, 0);
    EXPECT_EQ(c.volume, 56);
    parse_volume_command(0, 0x10, 0);
    EXPECT_EQ(c.volume, 0);
    parse_volume_command(0, 0x50, 0);
    EXPECT_EQ(c.volume, 64);
    parse_volume_command(0, 0x5F, 0);
    EXPECT_EQ(c.volume, 64);
    parse_volume_command(0, 0x9F, 0);
    EXPECT_EQ(c.volume, 64) << "clamped at once";
    parse_volume_command(0, 0x83, 0);
    EXPECT_EQ(c.volume, 61);
    c.volume = 2;
    parse_volume_command(0, 0x8F, 0);
    EXPECT_EQ(c.volume, 0);
}

TEST_F(S3mEffects, VolumeColumnSlidesVibratoAndPan)
{
    CHANNEL_STATE &c = channel(30);
    parse_volume_command(0, 0x64, 0);
    EXPECT_EQ(c.volume_slide, -4);
    parse_volume_command(0, 0x7A, 0);
    EXPECT_EQ(c.volume_slide, 10);
    parse_volume_command(0, 0xA3, 0);
    EXPECT_EQ(c.vibrato_speed, 12);
    EXPECT_EQ(c.vibrato_on, 0) << "speed alone starts no vibrato";
    parse_volume_command(0, 0xB5, 0);
    EXPECT_EQ(c.vibrato_on, -1);
    EXPECT_EQ(c.vibrato_depth, 5);
    EXPECT_EQ(c.vibrato_speed, 12);
    EXPECT_EQ(c.vibrato_shift, 5);
    parse_volume_command(0, 0xC8, 0);
    EXPECT_EQ(c.pan, 136);
}

TEST_F(S3mEffects, VolumeColumnPanSlidesKeepAMemoryPerDirection)
{
    CHANNEL_STATE &c = channel(30);
    parse_volume_command(0, 0xD3, 0);
    EXPECT_EQ(c.pan_slide, -3);
    parse_volume_command(0, 0xE5, 0);
    EXPECT_EQ(c.pan_slide, 5);
    parse_volume_command(0, 0xD0, 0);
    EXPECT_EQ(c.pan_slide, -3);
    parse_volume_command(0, 0xE0, 0);
    EXPECT_EQ(c.pan_slide, 5);
}

TEST_F(S3mEffects, VolumeColumnTonePortamentoSpeedAndTarget)
{
    CHANNEL_STATE &c = channel(30, 1712);
    c.porta_target = 1500;
    parse_volume_command(0, 0xF2, 0);
    EXPECT_EQ(c.porta_speed, 128);
    EXPECT_EQ(c.porta_on, -1);
    EXPECT_EQ(c.porta_target, 1500);
    parse_volume_command(0, 0xF0, 0);
    EXPECT_EQ(c.porta_speed, 128) << "speed 0 keeps the previous speed";
}

TEST_F(S3mEffects, VolumeColumnTonePortamentoTargetAddsTheTranspose)
{
    CHANNEL_STATE &c = channel(30, 7000);
    c.tuning = 128;
    c.transpose = 12;
    parse_volume_command(0, 0xF1, 25);
    EXPECT_EQ(c.porta_target, note2period(12 + 25 - 1, 128));
    EXPECT_GT(c.porta_target, 0);
}

TEST_F(S3mEffects, NoteCutAndKeyOff)
{
    CHANNEL_STATE &c = channel(40);
    parse_note_command(0, NOTE_CUT);
    EXPECT_EQ(c.volume, 0);
    EXPECT_EQ(c.key_off, 0);
    c.volume = 40;
    parse_note_command(0, NOTE_KEY_OFF);
    EXPECT_EQ(c.key_off, -1);
    EXPECT_EQ(c.volume, 0) << "no volume envelope: silent at once";
    c.volume = 40;
    c.key_off = 0;
    c.volume_env.flags = 1;
    parse_note_command(0, NOTE_KEY_OFF);
    EXPECT_EQ(c.key_off, -1);
    EXPECT_EQ(c.volume, 40) << "the envelope and fade-out carry the note on";
    parse_note_command(0, -3);
    EXPECT_EQ(c.volume, 40);
}

TEST_F(S3mEffects, GlobalVolumeAndTicksPerRow)
{
    do_global_volume(0x80);
    EXPECT_EQ(mi.global_volume, 64);
    do_global_volume(20);
    EXPECT_EQ(mi.global_volume, 20);
    do_global_volume(-4);
    EXPECT_EQ(mi.global_volume, 0);
    do_s3m_set_tempo(0);
    EXPECT_EQ(mi.tempo, 6);
    do_s3m_set_tempo(3);
    EXPECT_EQ(mi.tempo, 3);
}

TEST_F(S3mEffects, BpmSetAndSlides)
{
    do_s3m_set_bpm(0x05);
    EXPECT_EQ(mi.bpm, 130);
    EXPECT_EQ(recorded_timer().period, 71590860L / 3120);
    mi.bpm = 125;
    do_s3m_set_bpm(0x15);
    EXPECT_EQ(mi.bpm, 120);
    do_s3m_set_bpm(0x20);
    EXPECT_EQ(mi.bpm, 32);
    do_s3m_set_bpm(0xFF);
    EXPECT_EQ(mi.bpm, 255);
    EXPECT_EQ(recorded_timer().install_calls, 4) << "once per command, slides included";
}

TEST_F(S3mEffects, RepeatedBpmDecreasesStopAtThirtyTwo)
{
    mi.bpm = 40;
    for (int row = 0; row < 10; row++)
        do_s3m_set_bpm(0x1F);
    EXPECT_EQ(mi.bpm, 32);
    mi.bpm = 20;  // a module may start below what a slide reaches
    do_s3m_set_bpm(0x1F);
    EXPECT_EQ(mi.bpm, 20);
    do_s3m_set_bpm(0x02);
    EXPECT_EQ(mi.bpm, 22);
}

TEST_F(S3mEffects, RepeatedBpmIncreasesStopAtTwoHundredFiftyFive)
{
    mi.bpm = 250;
    for (int row = 0; row < 10; row++)
        do_s3m_set_bpm(0x0F);
    EXPECT_EQ(mi.bpm, 255);
    mi.bpm = 300;
    do_s3m_set_bpm(0x0F);
    EXPECT_EQ(mi.bpm, 300);
    do_s3m_set_bpm(0x11);
    EXPECT_EQ(mi.bpm, 299);
}

}  // namespace
