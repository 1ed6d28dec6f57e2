// The three effect families and the envelopes, handler by handler: set up a
// channel as a note start leaves it, call the parse_ handler as tick 0 would,
// then the do_ handler tick by tick, checking the state after each. Then the
// effects as the tick engine runs them: the interactions between handlers,
// rows and voices that the tests of one handler cannot show.
#include <stdlib.h>

#include <vector>

#include <gtest/gtest.h>

#include "support/player_fixture.h"

namespace {

typedef std::vector<int> Ints;

// A 4-channel module of 64-row patterns, playing (looped) on recorded voices.
template <int Patterns, int Flags>
class EffectsFixture : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        j = keep(build_module(4, Patterns, 64, 2, Flags, Flags ? 2 : 0));
        play_mod(j, 1);
        mi.tick = 0;
        fresh_ = ci[0];
    }

    // Channel 0 as at the song start, beginning a row with a note of this period.
    CHANNEL_STATE &channel(int period, int volume = 32, int pan = 128)
    {
        ci[0] = fresh_;
        ci[0].tick_period = ci[0].period = period;
        ci[0].tick_volume = ci[0].volume = volume;
        ci[0].tick_pan = ci[0].pan = pan;
        return ci[0];
    }

    // Runs `run` on ticks first..end-1 of a row, reading `field` of channel 0 after each.
    template <typename F, typename T>
    static Ints row(int first, int end, F run, T CHANNEL_STATE::*field)
    {
        Ints seen;
        for (mi.tick = first; mi.tick < end; mi.tick++) {
            run(0);
            seen.push_back(ci[0].*field);
        }
        return seen;
    }

    JGMOD *j = nullptr;
    CHANNEL_STATE fresh_;
};

using ProEffects = EffectsFixture<3, 0>;
using S3mEffects = EffectsFixture<1, XM_MODE | PERIOD_MODE>;
using XmEffects = EffectsFixture<1, XM_MODE | LINEAR_MODE>;

// Period of the period-module table: note n, 12 per octave.
int table(int n)
{
    return noteperiod[n % 12] >> (n / 12);
}

TEST_F(ProEffects, ArpeggioCyclesBaseAndTwoOffsets)
{
    struct Case { int period, parameter, tick1, tick2; } cases[] = {
        {table(24), 0x47, table(28), table(31)},
        {1700, 0x30, table(28), 1700},  // between table notes: from the next one up
        {table(24), 0x04, table(24), table(28)},
        {0, 0x47, 0, 0},  // slid to or below 0: kept, no table read
        {-20, 0x47, -20, -20},
    };
    for (const Case &k : cases) {
        CHANNEL_STATE &c = channel(8);
        parse_pro_arpeggio(0, k.parameter);
        c.period = k.period;
        EXPECT_EQ(row(1, 4, do_arpeggio, &CHANNEL_STATE::tick_period),
                  (Ints{k.tick1, k.tick2, k.period}))
            << k.period;
    }
    CHANNEL_STATE &c = channel(3);  // far above the top of the table
    parse_pro_arpeggio(0, 0xFF);
    EXPECT_LT(row(1, 2, do_arpeggio, &CHANNEL_STATE::tick_period)[0], 3);
    channel(1712);
    parse_pro_arpeggio(0, 0);
    EXPECT_EQ(c.arpeggio_on, 0) << "a zero parameter: off";
    channel(0);
    parse_pro_arpeggio(0, 0x47);
    EXPECT_EQ(c.arpeggio_on, 0) << "no note: off";
}

TEST_F(ProEffects, TonePortamentoNeedsANoteAndATargetThenReachesIt)
{
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(ci[0].porta_speed, 0) << "period 0: nothing at all";
    CHANNEL_STATE &c = channel(1712);
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(c.porta_on, 0) << "no target yet";
    c.tuning = 8363;
    parse_slide2period(0, 0x10, 8364);  // the note 1 above the stored value 8363
    EXPECT_EQ(c.porta_target, 1712);
    c.period = 1800;
    EXPECT_EQ(row(1, 4, do_slide2period, &CHANNEL_STATE::tick_period), (Ints{1736, 1712, 1712}));
}

// Vibrato (depth 15, shift 4, on period 1000) and tremolo (depth 8, shift 6,
// on volume 32) at known phases of the four waveforms.
TEST_F(ProEffects, VibratoAndTremoloWaveforms)
{
    struct Case { int wave, pos, period, volume; } cases[] = {
        {0, 64, 1239, 63}, {0, 32, 1168, 54}, {0, -64, 761, 1},   // sine
        {1, 32, 1060, 40}, {1, -128, 761, 1}, {1, -64, 881, 17},  // ramp
        {2, 4, 1239, 63},  {2, -4, 761, 1},   {6, -4, 761, 1},    // square; low two bits only
    };
    parse_vibrato(1, 0x48, 5);
    parse_tremolo(1, 0x08, 6);
    EXPECT_TRUE(ci[1].vibrato_on == 0 && ci[1].tremolo_on == -1) << "only vibrato needs a note";
    CHANNEL_STATE &c = channel(1000);
    parse_vibrato(0, 0x0F, 4);
    parse_tremolo(0, 0x08, 6);
    for (const Case &k : cases) {
        c.vibrato_wave = c.tremolo_wave = k.wave;
        c.vibrato_pos = c.tremolo_pos = (signed char)k.pos;
        do_vibrato(0);
        do_tremolo(0);
        EXPECT_EQ(c.tick_period, k.period) << "wave " << k.wave << " pos " << k.pos;
        EXPECT_EQ(c.tick_volume, k.volume) << "wave " << k.wave << " pos " << k.pos;
    }
    EXPECT_EQ(c.volume, 32);
    c.vibrato_wave = 3;  // random: from the C library
    c.vibrato_pos = 8;
    srand(1234);
    int drawn = rand() % 255;
    srand(1234);
    do_vibrato(0);
    EXPECT_EQ(c.tick_period, 1000 + (drawn * 15 >> 4));
}

TEST_F(ProEffects, FineSlidesNeedANoteAndShareAMemoryThatRepeatsInOneDirection)
{
    for (int parameter : {0x13, 0x23, 0x113, 0x123})
        parse_extended_command(0, parameter);
    EXPECT_EQ(ci[0].period, 0);
    CHANNEL_STATE &c = channel(1712);
    // Down 3; zero up after a down: nothing; up 3; zero up after an up:
    // again; zero down after an up: nothing; down 1 and again.
    int steps[][2] = {{0x23, 1724}, {0x10, 1724}, {0x13, 1712}, {0x10, 1700},
                      {0x20, 1700}, {0x21, 1704}, {0x20, 1708}};
    for (auto &s : steps) {
        parse_extended_command(0, s[0]);
        EXPECT_EQ(c.period, s[1]) << std::hex << s[0];
    }
    EXPECT_EQ(c.tick_period, 1712) << "fine slides change only the lasting period";
}

// Codes handled elsewhere or unknown leave the channel alone; a fine volume
// slide is clamped only at the voice update.
TEST_F(ProEffects, ExtendedCodesInTheChannelPass)
{
    CHANNEL_STATE &c = channel(1712, 60);
    CHANNEL_STATE before = c;
    for (int code : {0x00, 0x05, 0x50, 0x62, 0x6F, 0xE3, 0xF1, 0x150, 0x16F, -5})
        parse_extended_command(0, code);
    EXPECT_EQ(memcmp(&before, &c, sizeof c), 0);
    parse_extended_command(0, 0xAF);
    EXPECT_EQ(c.volume, 75);
    parse_pro_volume_slide(1, 0x12);
    EXPECT_EQ(ci[1].volume_slide, 1) << "a volume slide up wins over down";
}

// break_order and break_row hold order + 1 and row + 1; 0 means none.
TEST_F(ProEffects, PositionJumpAndPatternBreak)
{
    struct Case {
        const char *what;
        int loop, lasttrk, order, row_set, jump, brk, rows1, want_order, want_row;
    } cases[] = {
        {"jump", -1, -1, 0, 0, 2, -1, 64, 3, 1},
        {"jump past the end wraps", -1, -1, 0, 0, 3, -1, 64, 1, 1},
        {"jump past the end ends", 0, -1, 0, 0, 3, -1, 64, 4, 1},
        {"never past one beyond", 0, -1, 0, 0, 255, -1, 64, 4, 1},
        {"a row already chosen stays", -1, -1, 0, 17, 1, -1, 64, 2, 17},
        {"last order, switched off", -1, 0, 2, 0, 0, -1, 64, 0, 0},
        {"not last order", -1, 0, 1, 0, 0, -1, 64, 1, 1},
        {"negative", -1, -1, 0, 0, -1, -1, 64, 0, 0},
        {"two decimal digits", -1, -1, 0, 0, -1, 0x12, 64, 2, 13},
        {"jump then break", -1, -1, 0, 0, 1, 0x16, 20, 2, 17},
        {"break on the last order", -1, -1, 2, 0, -1, 0x05, 64, 1, 6},
        {"one past the target", -1, -1, 0, 0, -1, 0x32, 32, 2, 32},
        {"far past the target", -1, -1, 0, 0, -1, 0x99, 32, 2, 1},
        {"empty target", -1, -1, 0, 0, -1, 0x00, 0, 2, 1},
        {"past the song's end", 0, -1, 2, 0, -1, 0x99, 64, 4, 100},
    };
    for (const Case &k : cases) {
        play_mod(j, 1);
        resize_pattern(j, 1, k.rows1);
        mi.loop = k.loop;
        mi.order = k.order;
        mi.break_row = k.row_set;
        enable_lasttrk_loop = k.lasttrk;
        if (k.jump != -1)
            do_position_jump(k.jump);
        if (k.brk != -1)
            do_pattern_break(k.brk);
        EXPECT_EQ(mi.break_order, k.want_order) << k.what;
        EXPECT_EQ(mi.break_row, k.want_row) << k.what;
    }
}

TEST_F(ProEffects, SpeedUpToThirtyTwoIsTicksPerRowAboveIsBpm)
{
    int installs = recorded_timer().install_calls;
    do_pro_tempo_bpm(0);  // 0: the module's own
    do_pro_tempo_bpm(32);
    do_pro_tempo_bpm(33);
    EXPECT_EQ(mi.tempo, 32);
    EXPECT_EQ(mi.bpm, 33);
    EXPECT_EQ(recorded_timer().install_calls, installs + 1);
    EXPECT_EQ(recorded_timer().period, 71590860L / (33 * 24));
}

// S3M volume slides, portamento, retrigger and the volume column.
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

// XM: the arpeggio search, the pitch floor, pan slides, global volume slides.
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

// Envelopes: start, advance tick by tick (sustain, loop, hold, key-off), set position.
enum { ON = 1, SUSTAIN = 2, LOOP = 4 };

// Starts an envelope of (tick, value) points the way a note start does;
// `at` holds loop start, loop end, sustain start and sustain end.
ENVELOPE_STATE make_envelope(const std::vector<std::pair<int, int>> &points, int flags,
                             Ints at = {0, 0, 0, 0})
{
    int values[ENVELOPE_POINTS] = {0}, ticks[ENVELOPE_POINTS] = {0};
    for (size_t i = 0; i < points.size(); i++)
        ticks[i] = points[i].first, values[i] = points[i].second;
    ENVELOPE_STATE es = ENVELOPE_STATE();
    start_envelope(&es, values, ticks, flags, (int)points.size(), at[0], at[1], at[2], at[3]);
    return es;
}

// Output on each of `ticks` ticks; the indices must stay inside the points.
Ints run(ENVELOPE_STATE &es, int ticks, int key_off = 0)
{
    Ints out;
    for (int t = 0; t < ticks; t++) {
        process_envelope(&es, 64, key_off);
        out.push_back(es.output);
        EXPECT_TRUE(es.index >= 0 && es.index < ENVELOPE_POINTS && es.next >= 0 &&
                    es.next < ENVELOPE_POINTS) << es.index << " " << es.next;
    }
    return out;
}

TEST(Envelope, SustainLoopAndHoldBeforeAndAfterKeyOff)
{
    // Outputs before key-off (held), then after it (released).
    struct Case { const char *what; ENVELOPE_STATE es; Ints held, released; } cases[] = {
        {"ramp, then holds its last point", make_envelope({{0, 64}, {10, 0}}, ON),
         {64, 58, 52, 45, 39, 32, 26, 20, 13, 7, 0, 0, 0}, {0}},
        {"sustain at point 0", make_envelope({{0, 64}, {10, 0}}, ON | SUSTAIN), Ints(20, 64),
         {64, 58, 52, 45}},
        {"sustain in the middle",
         make_envelope({{0, 0}, {4, 64}, {8, 32}}, ON | SUSTAIN, {0, 0, 1, 1}),
         {0, 16, 32, 48, 64, 64, 64, 64}, {64, 56, 48, 40, 32, 32}},
        {"sustain range",
         make_envelope({{0, 0}, {2, 20}, {4, 40}, {6, 0}}, ON | SUSTAIN, {0, 0, 1, 2}),
         {0, 10, 20, 30, 20, 30, 20, 30, 20}, {30, 40, 20, 0, 0}},
        {"loop, with or without key-off",
         make_envelope({{0, 0}, {2, 40}, {4, 20}}, ON | LOOP, {1, 2, 0, 0}),
         {0, 20, 40, 30, 40, 30, 40, 30}, {40, 30, 40, 30}},
        {"single-point loop", make_envelope({{0, 0}, {2, 40}, {4, 20}}, ON | LOOP, {1, 1, 0, 0}),
         {0, 20, 40, 40, 40, 40}, {40}},
        {"sustain before loop",
         make_envelope({{0, 64}, {2, 32}, {4, 0}, {6, 32}}, ON | SUSTAIN | LOOP, {2, 3, 1, 1}),
         {64, 48, 32, 32, 32}, {32, 16, 0, 16, 0, 16, 0, 16, 0}},
        {"one point", make_envelope({{3, 17}}, ON), Ints(5, 17), {17}},
        {"points at one tick: no division by zero",
         make_envelope({{0, 10}, {0, 50}, {2, 30}}, ON), {10, 40, 30, 30}, {30}},
        {"off: the default", make_envelope({{0, 10}, {4, 50}}, SUSTAIN | LOOP), Ints(3, 64), {64}},
        {"no points: the default", make_envelope({}, ON), Ints(3, 64), {64}},
    };
    for (Case &k : cases) {
        EXPECT_EQ(run(k.es, (int)k.held.size()), k.held) << k.what;
        EXPECT_EQ(run(k.es, (int)k.released.size(), -1), k.released) << k.what;
    }
}

TEST(Envelope, IndicesFromABadFileStayInsideThePoints)
{
    int values[ENVELOPE_POINTS] = {64, 0, 64, 0, 64, 0, 64, 0, 64, 0, 64, 0};
    int ticks[ENVELOPE_POINTS] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    ENVELOPE_STATE es = ENVELOPE_STATE();
    start_envelope(&es, values, ticks, ON | SUSTAIN | LOOP, 40, 11, 90, 57, -3);
    EXPECT_EQ(es.points, ENVELOPE_POINTS);
    EXPECT_EQ(es.loop_end, ENVELOPE_POINTS - 1);
    EXPECT_EQ(es.sustain_start, ENVELOPE_POINTS - 1);
    EXPECT_EQ(es.sustain_end, 0);
    run(es, 30);
    run(es, 30, -1);
    es.points = 200;  // state written from outside, not through start_envelope
    es.index = 70;
    es.next = -9;
    es.loop_start = 500;
    run(es, 30, -1);
}

TEST(Envelope, SetPosition)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}, {20, 32}}, ON);
    es.tick[3] = 50;  // stale data beyond the used points is never searched
    struct Case { int to, position, index, next; Ints out; } cases[] = {
        {5, 5, 0, 1, {32, 26}},    {10, 10, 1, 2, {0, 3}}, {0, 0, 0, 1, {64}},
        {200, 20, 2, 2, {32, 32}}, {20, 20, 2, 2, {32}},  // at or beyond the last: holds it
    };
    for (const Case &k : cases) {
        parse_xm_set_envelop_position(&es, k.to);
        EXPECT_EQ(es.position, k.position) << k.to;
        EXPECT_EQ(es.index, k.index) << k.to;
        EXPECT_EQ(es.next, k.next) << k.to;
        EXPECT_EQ(run(es, (int)k.out.size()), k.out) << k.to;
    }
    ENVELOPE_STATE empty = make_envelope({}, ON);
    empty.position = 3;
    parse_xm_set_envelop_position(&empty, 8);
    EXPECT_EQ(empty.position, 3);
}


class EffectsTrace : public PlayerFixture {
protected:
    const RecordedVoice &voice_of(int channel) { return recorded_voice(voice_table[channel]); }

    // A note-number module of one pattern with a note on channel 0, row 0.
    JGMOD *xm_module(int rows, int instruments = 1)
    {
        JGMOD *j = keep(build_module(4, 1, rows, 1, XM_MODE | LINEAR_MODE, instruments));
        set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
        return j;
    }
};

struct Command { int pattern, row, channel, command, parameter; };

// Rows started, as order * 100 + row, for loops, jumps and breaks in a period
// module of one tick per row.
TEST_F(EffectsTrace, LoopsJumpsAndBreaksChooseTheRowsPlayed)
{
    struct Case {
        const char *what;
        int patterns, rows;
        std::vector<Command> commands;
        Ints played;
    } cases[] = {
        {"loop plays its rows count + 1 times", 1, 5,
         {{0, 1, 0, 0x0E, 0x60}, {0, 2, 0, 0x0E, 0x62}}, {0, 1, 2, 1, 2, 1, 2, 3, 4}},
        {"a second loop end loops from after the first", 1, 6,
         {{0, 1, 0, 0x0E, 0x61}, {0, 3, 0, 0x0E, 0x61}}, {0, 1, 0, 1, 2, 3, 2, 3, 4, 5}},
        {"loops are per channel, nested", 1, 6,
         {{0, 0, 0, 0x0E, 0x60}, {0, 1, 1, 0x0E, 0x60}, {0, 2, 1, 0x0E, 0x61},
          {0, 3, 0, 0x0E, 0x61}},
         {0, 1, 2, 1, 2, 3, 0, 1, 2, 1, 2, 3, 4, 5}},
        {"the loop start is forgotten on the next order", 2, 3,
         {{0, 1, 0, 0x0E, 0x61}, {1, 2, 0, 0x0E, 0x61}},
         {0, 1, 0, 1, 2, 100, 101, 102, 100, 101, 102}},
        {"jump and break in one row", 3, 20, {{0, 0, 0, 0x0B, 2}, {0, 0, 1, 0x0D, 0x16}},
         {0, 216, 217, 218, 219}},
        {"break before jump in one row", 3, 20, {{0, 0, 0, 0x0D, 0x16}, {0, 0, 3, 0x0B, 2}},
         {0, 216, 217, 218, 219}},
    };
    for (const Case &k : cases) {
        JGMOD *j = keep(build_module(4, k.patterns, k.rows, 1));
        j->tempo = 1;
        for (const Command &c : k.commands)
            set_command(j, c.pattern, c.row, c.channel, c.command, c.parameter);
        play_mod(j, 0);
        Ints seen;
        for (int call = 0; call < 50 && of != nullptr; call++) {
            mod_interrupt();
            if (of != nullptr && mi.tick == 0)
                seen.push_back(mi.order * 100 + mi.row);
        }
        EXPECT_EQ(seen, k.played) << k.what;
        EXPECT_EQ(is_mod_playing(), 0) << k.what;
    }
}

TEST_F(EffectsTrace, PanAndVolumeColumnSlidesAreClamped)
{
    JGMOD *j = xm_module(4);
    set_cell(j, 0, 0, 0, 1, 49, 0x6F, 0, 0);
    set_cell(j, 0, 0, 1, 0, 0, 0, 0x26, 0xF0);
    j->channel_pan[1] = 240;
    play_mod(j, 0);
    Ints volumes;
    for (int tick = 0; tick < 6; tick++) {
        mod_interrupt();
        volumes.push_back(ci[0].volume);
    }
    EXPECT_EQ(volumes, (Ints{64, 49, 34, 19, 4, 0}));
    EXPECT_EQ(ci[1].pan, 255);
    EXPECT_EQ(voice_of(1).pan, 255);
    set_cell(j, 0, 1, 1, 0, 0, 0, 0x26, 0x0F);
    run_ticks(6);  // five slides of row 1
    EXPECT_EQ(ci[1].pan, 180);
}

TEST_F(EffectsTrace, KeyOffSilencesAtOnceWithoutEnvelopeAndFadesOutWithOne)
{
    JGMOD *j = xm_module(24, 2);
    INSTRUMENT_INFO &ii = j->instrument_info[0];  // sustains at 64; instrument 2 has none
    ii.volume_env_points = 2;
    ii.volume_env_tick[1] = 10;
    ii.volume_env_value[0] = ii.volume_env_value[1] = 64;
    ii.volume_env_flags = 1 | 2;
    ii.fadeout = 4096;
    set_cell(j, 0, 1, 0, 0, NOTE_KEY_OFF, 0, 0, 0);
    set_cell(j, 0, 3, 0, 1, 49, 0, 0, 0);
    set_cell(j, 0, 0, 1, 2, 49, 0, 0, 0);
    set_cell(j, 0, 1, 1, 0, NOTE_KEY_OFF, 0, 0, 0);
    set_cell(j, 0, 0, 2, 2, 49, 0, 0, 0);
    set_command(j, 0, 1, 2, 0x24, 0);  // the key-off command
    play_mod(j, 0);
    run_ticks(6);
    Ints fade;
    for (int tick = 0; tick < 12; tick++) {
        mod_interrupt();
        fade.push_back(voice_of(0).volume);
        EXPECT_EQ(voice_of(1).volume + voice_of(2).volume, 0) << "tick " << tick;
    }
    EXPECT_EQ(fade, (Ints{255, 223, 191, 159, 127, 95, 63, 31, 0, 0, 0, 0}));
    EXPECT_EQ(ci[1].key_off, -1);
    mod_interrupt();
    EXPECT_EQ(voice_of(0).volume, 255) << "a new note restores the fade";
    EXPECT_EQ(ci[0].key_off, 0);
}

TEST_F(EffectsTrace, ExtraFineMemoriesSurviveANewSong)
{
    int period = 0;
    for (int memory : {0, 1}) {  // the second song's 0 parameters use the first's
        JGMOD *j = xm_module(4);
        set_cell(j, 0, 0, 0, 1, 49, 0, 0x27, memory ? 0x10 : 0x13);
        set_cell(j, 0, 0, 1, 1, 49, 0, 0x27, memory ? 0x20 : 0x25);
        play_mod(j, 0);
        period = period ? period : note2period(48, 128);
        mod_interrupt();
        EXPECT_EQ(ci[0].period, period - 3);
        EXPECT_EQ(ci[1].period, period + 5);
    }
    EXPECT_EQ(ci[0].xm_fine_up_memory, 0) << "the other memories do start afresh";
}

// Every effect that repeats its last parameter, given 0 before it ever had
// one, leaves the note as it started.
TEST_F(EffectsTrace, ZeroParametersWithNoMemoryYetChangeNothing)
{
    const int commands[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0A, 0x11,
                            0x12, 0x13, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B, 0x1E, 0x1F,
                            0x20, 0x21, 0x22, 0x23, 0x26, 0x27};
    for (int flags : {0, XM_MODE | LINEAR_MODE, XM_MODE | PERIOD_MODE}) {
        for (int command : commands) {
            JGMOD *j = keep(build_module(4, 1, 2, 1, flags, flags & XM_MODE ? 1 : 0));
            set_cell(j, 0, 0, 0, 1, flags ? 49 : 8363, 0, 0, 0);
            set_cell(j, 0, 1, 0, 0, 0, 0, command, 0);
            play_mod(j, 0);
            run_ticks(6);
            int period = ci[0].period;
            for (int tick = 0; tick < 6; tick++) {
                mod_interrupt();
                CHANNEL_STATE &c = ci[0];
                EXPECT_TRUE(c.period == period && c.tick_period == period && c.tick_volume == 64 &&
                            c.tick_pan == 128 && mi.global_volume == 64 && c.trigger == 0)
                    << std::hex << "flags " << flags << " command " << command << " tick " << tick;
            }
        }
    }
}

}  // namespace
