// The S3M effect family and the volume column, handler by handler, with the
// state checked tick by tick.
#include <vector>

#include <gtest/gtest.h>

#include "support/effects_state.h"

namespace {

class S3mEffects : public EffectsFixture {
protected:
    S3mEffects() : EffectsFixture(1, XM_MODE | PERIOD_MODE) {}

    // Runs `run` on ticks first..end-1 of a row, reading `field` after each.
    template <typename F>
    std::vector<int> row(int first, int end, F run, int CHANNEL_STATE::*field)
    {
        std::vector<int> seen;
        for (int tick = first; tick < end; tick++) {
            mi.tick = tick;
            run(0);
            seen.push_back(ci[0].*field);
        }
        return seen;
    }
};

typedef std::vector<int> Ints;

TEST_F(S3mEffects, VolumeSlideFormsInTheirOrderOfTests)
{
    struct Case {
        int parameter, on, fine, normal;
    } cases[] = {
        {0xF1, -1, -1, 0},  {0xFF, -1, -15, 0},  // fine down wins over fine up
        {0x1F, -1, 1, 0},   {0xEF, -1, 14, 0},   {0x30, -1, 0, 3},
        {0xF0, -1, 0, 15},  // x = 15 with y = 0 is not fine
        {0x05, -1, 0, -5},  {0x0F, -1, 0, -15},  // nor is y = 15 with x = 0
        {0x23, 0, 0, 0},    // both nibbles, no fine form: nothing
    };
    for (const Case &k : cases) {
        channel(1712, 40);
        parse_s3m_volume_slide(0, k.parameter);
        EXPECT_EQ(ci[0].s3m_volume_slide_on, k.on) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_fine_volume_slide, k.fine) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_volume_slide, k.normal) << std::hex << k.parameter;
    }
}

TEST_F(S3mEffects, VolumeSlideFineOnTickZeroNormalOnLaterTicksZeroRepeats)
{
    struct Case {
        int volume;
        std::vector<int> parameters;
        Ints volumes;
    } cases[] = {
        {40, {0x1F, 0}, {41, 41, 41, 41}},
        {40, {0xFF}, {25, 25, 25, 25}},
        {64, {0x0F}, {64, 49, 34, 19}},
        {0, {0xF0}, {0, 15, 30, 45}},
    };
    for (const Case &k : cases) {
        channel(1712, k.volume);
        for (int parameter : k.parameters)
            parse_s3m_volume_slide(0, parameter);
        EXPECT_EQ(row(0, 4, do_s3m_volume_slide, &CHANNEL_STATE::volume), k.volumes);
        EXPECT_EQ(ci[0].tick_volume, ci[0].volume);
    }
}

TEST_F(S3mEffects, PortamentoFormsBothDirections)
{
    struct Case {
        int parameter, fine, normal;  // downwards
    } cases[] = {
        {0x01, 0, 4}, {0xDF, 0, 4 * 0xDF}, {0xE4, 4, 0}, {0xE0, 0, 0}, {0xF4, 16, 0}, {0xFF, 60, 0},
    };
    for (const Case &k : cases) {
        channel(1712, 64);
        parse_s3m_portamento_down(0, k.parameter);
        EXPECT_EQ(ci[0].s3m_slide_on, -1);
        EXPECT_EQ(ci[0].s3m_fine_slide, k.fine) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_slide, k.normal) << std::hex << k.parameter;
        parse_s3m_portamento_up(0, k.parameter);
        EXPECT_EQ(ci[0].s3m_fine_slide, -k.fine) << std::hex << k.parameter;
        EXPECT_EQ(ci[0].s3m_slide, -k.normal) << std::hex << k.parameter;
    }
    channel(1712, 64);
    parse_s3m_portamento_up(0, 0xF3);
    parse_s3m_portamento_down(0, 0);  // zero: the amounts in the new direction
    EXPECT_EQ(ci[0].s3m_fine_slide, 12);
    EXPECT_EQ(ci[0].s3m_slide, 0);
    parse_s3m_portamento_down(0, 0x10);
    parse_s3m_portamento_up(0, 0x120);  // above a byte: keeps the amounts, slides
    EXPECT_EQ(ci[0].s3m_slide, -64);
    channel(0, 64);
    parse_s3m_portamento_up(0, 0x10);
    EXPECT_EQ(ci[0].s3m_slide_on, 0) << "needs a note";
}

TEST_F(S3mEffects, PortamentoExtraFineFineAndNormalPerTick)
{
    struct Case {
        int parameter;
        Ints periods;
    } cases[] = {
        {0xE4, {1708, 1708, 1708}}, {0xF4, {1696, 1696, 1696}}, {0x04, {1712, 1696, 1680}},
    };
    for (const Case &k : cases) {
        channel(1712, 64);
        parse_s3m_portamento_up(0, k.parameter);
        EXPECT_EQ(row(0, 3, do_s3m_portamento, &CHANNEL_STATE::period), k.periods);
        EXPECT_EQ(ci[0].tick_period, ci[0].period);
    }
}

TEST_F(S3mEffects, HoursOfPortamentoDoNotOverflow)
{
    CHANNEL_STATE &c = channel(1712, 64);
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

TEST_F(S3mEffects, TremorSoundsThenSilencesAndCarriesOnAcrossRows)
{
    CHANNEL_STATE &c = channel(1712, 50);
    c.tremor_on = -1;  // never set up: ignored
    mi.tick = 1;
    do_tremor(0);
    EXPECT_EQ(c.tick_volume, 50);
    Ints heard;
    for (int r = 0; r < 2; r++) {
        effects_start_row(0);
        parse_tremor(0, 0x21);
        Ints ticks = row(1, 4, do_tremor, &CHANNEL_STATE::tick_volume);  // rows of 4 ticks
        heard.insert(heard.end(), ticks.begin(), ticks.end());
    }
    // 3 on, 2 off, from the count the previous row stopped at.
    EXPECT_EQ(heard, (Ints{50, 50, 50, 0, 0, 50}));
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
        mi.tick = 1;
        do_s3m_retrig(0);
        EXPECT_EQ(c.volume, expected[code]) << "code " << code;
        EXPECT_EQ(c.trigger, -1);
    }
    channel(1712, 48).tick_volume = 31;
    parse_s3m_retrig(0, 0x61);
    do_s3m_retrig(0);
    EXPECT_EQ(c.tick_volume, 20);
    channel(1712, 64);
    parse_s3m_retrig(0, 0x92);
    parse_s3m_retrig(0, 0);  // repeats the last parameter
    EXPECT_EQ(c.s3m_retrig_interval, 2);
    EXPECT_EQ(c.s3m_retrig_volume, 9);
    parse_s3m_retrig(0, 0x90);
    EXPECT_EQ(row(1, 4, do_s3m_retrig, &CHANNEL_STATE::trigger), (Ints{0, 0, 0})) << "interval 0";
}

TEST_F(S3mEffects, ArpeggioNeedsANoteRepeatsOnZeroAndUsesNoteNumbers)
{
    channel(0, 64);
    parse_s3m_arpeggio(0, 0x37);
    EXPECT_EQ(ci[0].arpeggio_on, 0);
    CHANNEL_STATE &c = channel(1712, 64);
    parse_s3m_arpeggio(0, 0x47);
    c.arpeggio_on = 0;
    parse_s3m_arpeggio(0, 0);
    EXPECT_EQ(c.arpeggio_on, -1);
    // 1712 is C with no finetune; +4 and +7 semitones are E and G.
    EXPECT_EQ(row(1, 5, do_arpeggio, &CHANNEL_STATE::tick_period), (Ints{1356, 1140, 1712, 1356}));
}

TEST_F(S3mEffects, Panning)
{
    for (auto k : {std::make_pair(0, 0), {1, 1}, {0x40, 127}, {0x80, 255}, {0x81, 255}, {0xA4, 255}}) {
        parse_s3m_panning(0, k.first);
        EXPECT_EQ(ci[0].pan, k.second) << std::hex << k.first;
    }
}

TEST_F(S3mEffects, VolumeColumnCommands)
{
    CHANNEL_STATE &c = channel(1712, 30);
    struct Step {
        int value, CHANNEL_STATE::*field, want;
    } steps[] = {
        {0x48, &CHANNEL_STATE::volume, 56},     {0x10, &CHANNEL_STATE::volume, 0},
        {0x50, &CHANNEL_STATE::volume, 64},     {0x9F, &CHANNEL_STATE::volume, 64},  // clamped
        {0x83, &CHANNEL_STATE::volume, 61},     {0x64, &CHANNEL_STATE::volume_slide, -4},
        {0x7A, &CHANNEL_STATE::volume_slide, 10}, {0xA3, &CHANNEL_STATE::vibrato_speed, 12},
        {0xA3, &CHANNEL_STATE::vibrato_on, 0},  // speed alone starts no vibrato
        {0xB5, &CHANNEL_STATE::vibrato_depth, 5}, {0xB5, &CHANNEL_STATE::vibrato_on, -1},
        {0xB5, &CHANNEL_STATE::vibrato_speed, 12}, {0xC8, &CHANNEL_STATE::pan, 136},
        {0xD3, &CHANNEL_STATE::pan_slide, -3},  {0xE5, &CHANNEL_STATE::pan_slide, 5},
        {0xD0, &CHANNEL_STATE::pan_slide, -3},  {0xE0, &CHANNEL_STATE::pan_slide, 5},  // memories
    };
    for (const Step &s : steps) {
        parse_volume_command(0, s.value, 0);
        EXPECT_EQ(c.*s.field, s.want) << std::hex << s.value;
    }
    c.volume = 2;
    parse_volume_command(0, 0x8F, 0);
    EXPECT_EQ(c.volume, 0);
}

TEST_F(S3mEffects, VolumeColumnTonePortamento)
{
    CHANNEL_STATE &c = channel(1712, 30);
    c.porta_target = 1500;
    parse_volume_command(0, 0xF2, 0);
    EXPECT_EQ(c.porta_speed, 128);
    EXPECT_EQ(c.porta_on, -1);
    EXPECT_EQ(c.porta_target, 1500);
    parse_volume_command(0, 0xF0, 0);
    EXPECT_EQ(c.porta_speed, 128) << "speed 0 keeps the previous speed";
    c.tuning = 128;
    c.transpose = 12;
    parse_volume_command(0, 0xF1, 25);
    EXPECT_EQ(c.porta_target, note2period(12 + 25 - 1, 128));
}

TEST_F(S3mEffects, GlobalVolumeAndTicksPerRow)
{
    for (auto k : {std::make_pair(0x80, 64), {20, 20}, {-4, 0}}) {
        do_global_volume(k.first);
        EXPECT_EQ(mi.global_volume, k.second) << k.first;
    }
    do_s3m_set_tempo(0);
    EXPECT_EQ(mi.tempo, 6);
    do_s3m_set_tempo(3);
    EXPECT_EQ(mi.tempo, 3);
}

TEST_F(S3mEffects, BpmSetAndSlidesStopAtTheirLimits)
{
    struct Case {
        int bpm, parameter, times, want;
    } cases[] = {
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
    EXPECT_EQ(recorded_timer().install_calls, 28) << "once per command, slides included";
}

}  // namespace
