// The effect handlers and envelopes at the edges the golden traces cannot
// reach (those play every command on ordinary notes): no note or a period
// slid to 0 or below, limits and clamps, zero parameters and memories, state
// from bad files, and the interactions of rows, songs and voices. A channel
// is set up as a note start leaves it, the parse_ handler called as tick 0
// would, then the do_ handler tick by tick.
#include <stdlib.h>

#include <utility>
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

TEST_F(ProEffects, ArpeggioBetweenOrBeyondTableNotesAndWithoutANote)
{
    struct Case { int period, parameter, tick1, tick2; } cases[] = {
        {1700, 0x30, table(28), 1700},  // between table notes: from the next one up
        {-20, 0x47, -20, -20},          // slid below 0: kept, no table read
    };
    for (const Case &k : cases) {
        CHANNEL_STATE &c = channel(8);
        parse_pro_arpeggio(0, k.parameter);
        c.period = k.period;
        EXPECT_EQ(row(1, 4, do_arpeggio, &CHANNEL_STATE::tick_period),
                  (Ints{k.tick1, k.tick2, k.period}))
            << k.period;
    }
    CHANNEL_STATE &c = channel(1712);
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

// The golden tremolo never swings below its volume.
TEST_F(ProEffects, VibratoNeedsANoteTremoloDoesNotAndSwingsBothWays)
{
    parse_vibrato(1, 0x48, 5);
    parse_tremolo(1, 0x08, 6);
    EXPECT_EQ(ci[1].vibrato_on, 0);
    EXPECT_EQ(ci[1].tremolo_on, -1);
    CHANNEL_STATE &c = channel(1000);
    parse_tremolo(0, 0x08, 6);
    c.tremolo_pos = -64;  // the sine's trough: 32 - (255 * 8 >> 6)
    do_tremolo(0);
    EXPECT_EQ(c.tick_volume, 1);
    parse_vibrato(0, 0x0F, 4);
    c.vibrato_wave = 3;
    c.vibrato_pos = 8;
    srand(1234);
    int drawn = rand() % 255;
    srand(1234);
    do_vibrato(0);
    EXPECT_EQ(c.tick_period, 1000 + (drawn * 15 >> 4));
}

TEST_F(ProEffects, FineSlidesNeedANoteAndShareAMemoryThatRepeatsInOneDirection)
{
    for (int parameter : {0x13, 0x113})  // both up: a slide would show
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
        {"negative", -1, -1, 0, 0, -5, -1, 64, 0, 0},
        {"two decimal digits", -1, -1, 0, 0, -1, 0x12, 64, 2, 13},
        {"jump then break", -1, -1, 0, 0, 2, 0x16, 20, 3, 17},
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
    do_pro_tempo_bpm(32);
    do_pro_tempo_bpm(33);
    do_pro_tempo_bpm(0);  // 0: the module's own
    EXPECT_EQ(mi.tempo, 32);
    EXPECT_EQ(mi.bpm, 33);
    EXPECT_EQ(recorded_timer().install_calls, installs + 1);
}

// S3M volume slides, portamento, retrigger and the volume column.
// Fine forms act on tick 0 only, normal ones on later ticks, in the order of
// tests: fine down, fine up, up, down; 0 repeats the last form.
TEST_F(S3mEffects, VolumeSlideForms)
{
    struct Case {
        Ints parameters, volumes;  // ticks 0..2 from 32
    } cases[] = {
        {{0xFF}, {17, 17, 17}},     // fine down wins over fine up
        {{0xF0}, {32, 47, 62}},     // x = 15 with y = 0 is not fine
        {{0x0F}, {32, 17, 2}},      // nor is y = 15 with x = 0
        {{0x1F, 0}, {33, 33, 33}},  // 0 repeats the fine form
        {{0x23}, {32, 32, 32}},     // both nibbles, not fine: nothing
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
TEST_F(S3mEffects, PortamentoRangeEndsBothWaysAndTheSharedAmounts)
{
    struct Case { int parameter; Ints up; } cases[] = {
        {0xE0, {1712, 1712, 1712}}, {0xFF, {1652, 1652, 1652}}, {0xDF, {1712, 820, -72}},
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

TEST_F(S3mEffects, RetriggerVolumeCodesMemoryAndIntervalZero)
{
    CHANNEL_STATE &c = channel(1712, 64);
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

// The edges of the volume column; the golden trace plays every range.
TEST_F(S3mEffects, VolumeColumnClampsMemoriesAndPortamentoTarget)
{
    CHANNEL_STATE &c = channel(1712, 62);
    typedef CHANNEL_STATE S;
    struct Step { int value, S::*field, want; } steps[] = {
        {0x9F, &S::volume, 64}, {0xA3, &S::vibrato_on, 0},
        {0xF2, &S::porta_speed, 128}, {0xF0, &S::porta_speed, 128},
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

TEST_F(XmEffects, ArpeggioEndsAboveTheHighestNote)
{
    CHANNEL_STATE &c = channel(100);  // above note 118, the highest
    parse_pro_arpeggio(0, 0x47);
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
    parse_global_volume_slide(0, 0x31);  // up wins over down
    do_global_volume_slide(0);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 64) << "63, then clamped at once";
    parse_global_volume_slide(0, 0x02);
    parse_global_volume_slide(0, 0);
    parse_global_volume_slide(3, 0x01);
    parse_global_volume_slide(3, 0x100);  // no nibble set: repeats too
    for (int tick = 1; tick < 6; tick++)
        do_global_volume_slide(0), do_global_volume_slide(3);
    EXPECT_EQ(mi.global_volume, 49) << "each channel slides by its own step";
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
        EXPECT_TRUE(es.index >= 0 && es.index < ENVELOPE_POINTS) << es.index;
        EXPECT_TRUE(es.next >= 0 && es.next < ENVELOPE_POINTS) << es.next;
    }
    return out;
}

TEST(Envelope, SustainAndLoopEdgesBeforeAndAfterKeyOff)
{
    // Outputs before key-off (held), then after it (released).
    struct Case { const char *what; ENVELOPE_STATE es; Ints held, released; } cases[] = {
        {"sustain at point 0", make_envelope({{0, 64}, {10, 0}}, ON | SUSTAIN), Ints(20, 64),
         {64, 58, 52, 45}},
        {"sustain range", make_envelope({{0, 0}, {2, 20}, {4, 40}, {6, 0}}, ON | SUSTAIN, {0, 0, 1, 3}),
         {0, 10, 20, 30, 40, 20, 20}, {30, 40, 20, 0, 0}},
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
    // A note-number module of one pattern with a note on channel 0, row 0.
    JGMOD *xm_module(int rows)
    {
        JGMOD *j = keep(build_module(4, 1, rows, 1, XM_MODE | LINEAR_MODE, 1));
        set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
        return j;
    }
};

struct Command { int pattern, row, channel, command, parameter; };
typedef std::pair<int, int> At;  // order, row

// Rows started for loops, jumps and breaks in a period module of one tick per row.
TEST_F(EffectsTrace, LoopsJumpsAndBreaksChooseTheRowsPlayed)
{
    struct Case {
        const char *what;
        int patterns, rows;
        std::vector<Command> commands;
        std::vector<At> played;
    } cases[] = {
        {"loop plays its rows count + 1 times", 1, 5,
         {{0, 1, 0, 0x0E, 0x60}, {0, 2, 0, 0x0E, 0x62}},
         {{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}},
        {"a second loop end loops from after the first", 1, 6,
         {{0, 1, 0, 0x0E, 0x61}, {0, 3, 0, 0x0E, 0x61}},
         {{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 2}, {0, 3}, {0, 4}, {0, 5}}},
        {"loops are per channel, nested", 1, 6,
         {{0, 0, 0, 0x0E, 0x60}, {0, 1, 1, 0x0E, 0x60}, {0, 2, 1, 0x0E, 0x61}, {0, 3, 0, 0x0E, 0x61}},
         {{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}, {0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2},
          {0, 3}, {0, 4}, {0, 5}}},
        {"the loop start is forgotten on the next order", 2, 3,
         {{0, 1, 0, 0x0E, 0x61}, {1, 2, 0, 0x0E, 0x61}},
         {{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 0}, {1, 1}, {1, 2}}},
        {"break before jump in one row", 3, 20, {{0, 0, 0, 0x0D, 0x16}, {0, 0, 3, 0x0B, 2}},
         {{0, 0}, {2, 16}, {2, 17}, {2, 18}, {2, 19}}},
    };
    for (const Case &k : cases) {
        JGMOD *j = keep(build_module(4, k.patterns, k.rows, 1));
        j->tempo = 1;
        for (const Command &c : k.commands)
            set_command(j, c.pattern, c.row, c.channel, c.command, c.parameter);
        play_mod(j, 0);
        std::vector<At> seen;
        for (int call = 0; call < 50 && of != nullptr; call++) {
            mod_interrupt();
            if (of != nullptr && mi.tick == 0)
                seen.push_back({mi.order, mi.row});
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
    run_ticks(6);  // 64 down by 15 five times
    EXPECT_EQ(ci[0].volume, 0);
    EXPECT_EQ(ci[1].pan, 255);
    EXPECT_EQ(on(1).pan, 255);
    set_cell(j, 0, 1, 1, 0, 0, 0, 0x26, 0x0F);
    run_ticks(6);  // five slides of row 1
    EXPECT_EQ(ci[1].pan, 180);
}

// The golden instrument fades through its envelope; without one a key-off
// note silences at once.
TEST_F(EffectsTrace, KeyOffNoteWithoutAnEnvelopeSilencesAtOnce)
{
    JGMOD *j = xm_module(4);
    set_cell(j, 0, 1, 0, 0, NOTE_KEY_OFF, 0, 0, 0);
    play_mod(j, 0);
    run_ticks(7);
    EXPECT_EQ(ci[0].key_off, -1);
    EXPECT_EQ(on(0).volume, 0);
}

// No effect is needed: the highest note on a high tuning has period 2. Its
// pitch lies above what the library's mixer can hold, so the voice gets the
// ceiling either way; the floor shows in the tick's period.
TEST_F(EffectsTrace, ATickPeriodBelowFourSoundsAsFour)
{
    JGMOD *j = xm_module(4);
    set_cell(j, 0, 0, 0, 1, 119, 0, 0, 0);
    j->sample_info[0].tuning = 380;
    play_mod(j, 0);
    mod_interrupt();
    EXPECT_EQ(ci[0].period, 2);
    EXPECT_EQ(ci[0].tick_period, 4);
    EXPECT_EQ(on(0).frequency, (1 << 19) - 1);
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
            const CHANNEL_STATE &c = ci[0];
            for (int tick = 0; tick < 6; tick++) {
                mod_interrupt();
                SCOPED_TRACE(testing::Message() << std::hex << "flags " << flags << " command "
                                                << command << " tick " << tick);
                EXPECT_EQ(c.period, period);
                EXPECT_EQ(c.tick_period, period);
                EXPECT_EQ(c.tick_volume, 64);
                EXPECT_EQ(c.tick_pan, 128);
                EXPECT_EQ(mi.global_volume, 64);
                EXPECT_EQ(c.trigger, 0);
            }
        }
    }
}

}  // namespace
