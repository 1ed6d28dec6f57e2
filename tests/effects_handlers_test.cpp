// The effect handlers and envelopes at the edges the golden traces cannot
// reach (those play every command on ordinary notes): no note or a period
// slid to 0 or below, limits and clamps, zero parameters and memories, state
// from bad files, and the interactions of rows, songs and voices. A channel
// is set up as a note start leaves it, the parse_ handler called as tick 0
// would, then the do_ handler tick by tick.
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "support/player_fixture.h"

namespace {

typedef std::vector<int> Ints;
typedef CHANNEL_STATE S;

// A looped module of 4 channels and three 64-row patterns on recorded voices.
class Effects : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        use(0);
    }

    void use(int flags)
    {
        j = keep(build_module(4, 3, 64, 2, flags, flags ? 2 : 0));
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
    static Ints row(int first, int end, void (*run)(int), int S::*field)
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

// Period of the period-module table: note n, 12 per octave.
int table(int n)
{
    return noteperiod[n % 12] >> (n / 12);
}

const int kXm = XM_MODE | LINEAR_MODE, kS3m = XM_MODE | PERIOD_MODE;

// One command on a fresh note (volume 32), then its handler over a row's ticks.
TEST_F(Effects, HandlersTickByTick)
{
    const auto porta = [](int chan, int speed) { parse_slide2period(chan, speed, 8364); };
    int S::*const kTick = &S::tick_period, S::*const kPeriod = &S::period;
    const struct {
        int flags, period;
        void (*parse)(int, int);
        int parameter;
        void (*run)(int);
        int first, S::*field;
        Ints seen;  // on ticks first, first + 1, ...
    } cases[] = {
        {0, 1700, parse_pro_arpeggio, 0x30, do_arpeggio, 1, kTick, {table(28), 1700, 1700}},
        {0, -20, parse_pro_arpeggio, 0x47, do_arpeggio, 1, kTick, {-20, -20}},  // slid below 0
        {kXm, 100, parse_pro_arpeggio, 0x47, do_arpeggio, 2, kTick, {100}},  // above note 118
        {kXm, 192, parse_pro_arpeggio, 0x0F, do_arpeggio, 2, kTick, {192}},  // note 118
        {0, 1800, porta, 0x10, do_slide2period, 1, kTick, {1736, 1712, 1712}},  // to 8363
        {kXm, 150, parse_xm_pitch_slide_up, 0x10, do_xm_pitch_slide_up, 1, kPeriod, {86, 40, 40}},
        {kS3m, 1712, parse_s3m_portamento_up, 0xE0, do_s3m_portamento, 0, kTick, {1712, 1712}},
        {kS3m, 1712, parse_s3m_portamento_up, 0xFF, do_s3m_portamento, 0, kTick, {1652, 1652}},
        {kS3m, 1712, parse_s3m_portamento_up, 0xDF, do_s3m_portamento, 0, kTick, {1712, 820, -72}},
        {kS3m, 1712, parse_s3m_portamento_down, 0xDF, do_s3m_portamento, 2, kPeriod, {2604}},
        // S3M volume slides: fine down wins over fine up; neither x = 15 with
        // y = 0 nor y = 15 with x = 0 is fine; both nibbles set is nothing.
        {kS3m, 1712, parse_s3m_volume_slide, 0xFF, do_s3m_volume_slide, 0, &S::volume, {17, 17}},
        {kS3m, 1712, parse_s3m_volume_slide, 0xF0, do_s3m_volume_slide, 0, &S::tick_volume,
         {32, 47, 62}},
        {kS3m, 1712, parse_s3m_volume_slide, 0x0F, do_s3m_volume_slide, 0, &S::volume, {32, 17, 2}},
        {kS3m, 1712, parse_s3m_volume_slide, 0x23, do_s3m_volume_slide, 0, &S::volume, {32, 32}},
        {kS3m, 1712, parse_s3m_retrig, 0x92, do_s3m_retrig, 1, &S::trigger, {0, -1, -1, -1}},
        {kS3m, 1712, parse_s3m_retrig, 0x90, do_s3m_retrig, 1, &S::trigger, {0, 0, 0}},
    };
    for (const auto &k : cases) {
        use(k.flags);
        channel(k.period);
        k.parse(0, k.parameter);
        EXPECT_EQ(row(k.first, k.first + (int)k.seen.size(), k.run, k.field), k.seen)
            << "case " << &k - cases;
    }
}

TEST_F(Effects, CommandsThatNeedANoteOrATarget)
{
    parse_slide2period(0, 0x10, 0);
    parse_vibrato(0, 0x48, 5);
    parse_tremolo(0, 0x08, 6);
    parse_pro_arpeggio(0, 0x47);
    parse_s3m_portamento_up(0, 0x10);
    for (int parameter : {0x13, 0x113, 0x23})  // fine slides: a slide would show
        parse_extended_command(0, parameter);
    const struct { const char *what; int S::*field, want; } no_note[] = {
        {"tone portamento", &S::porta_speed, 0}, {"vibrato", &S::vibrato_on, 0},
        {"tremolo needs none", &S::tremolo_on, -1}, {"arpeggio", &S::arpeggio_on, 0},
        {"S3M portamento", &S::s3m_slide_on, 0}, {"fine slides", &S::period, 0},
    };
    for (const auto &k : no_note)
        EXPECT_EQ(ci[0].*k.field, k.want) << k.what;
    CHANNEL_STATE &c = channel(1712);
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(c.porta_on, 0) << "no target yet";
    parse_pro_arpeggio(0, 0);
    EXPECT_EQ(c.arpeggio_on, 0) << "a zero parameter: off";
    parse_tremolo(0, 0x08, 6);
    c.tremolo_pos = -64;  // the sine's trough: 32 - (255 * 8 >> 6)
    do_tremolo(0);
    EXPECT_EQ(c.tick_volume, 1) << "a tremolo swings below its volume";
}

// Fine slides share a memory that repeats only in the direction it went.
TEST_F(Effects, FineSlidesAndTheChannelPassOfExtendedCodes)
{
    CHANNEL_STATE &c = channel(1712, 60);
    const int steps[][2] = {  // parameter, period after it
        {0x23, 1724}, {0x10, 1724}, {0x13, 1712}, {0x10, 1700}, {0x20, 1700}, {0x21, 1704},
        {0x20, 1708}};
    for (const auto &s : steps) {
        parse_extended_command(0, s[0]);
        EXPECT_EQ(c.period, s[1]) << std::hex << s[0];
    }
    // Codes handled elsewhere or unknown leave the channel alone.
    CHANNEL_STATE before = c;
    for (int code : {0x00, 0x05, 0x50, 0x62, 0x6F, 0xE3, 0xF1, 0x150, 0x16F, -5})
        parse_extended_command(0, code);
    EXPECT_EQ(memcmp(&before, &c, sizeof c), 0);
    parse_extended_command(0, 0xAF);
    EXPECT_EQ(c.volume, 75) << "a fine volume slide is clamped only at the voice update";
    parse_pro_volume_slide(1, 0x12);
    EXPECT_EQ(ci[1].volume_slide, 1) << "a volume slide up wins over down";
}

// break_order and break_row hold order + 1 and row + 1; 0 means none.
TEST_F(Effects, PositionJumpAndPatternBreak)
{
    const struct {
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
    for (const auto &k : cases) {
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

// Each command that changes the bpm installs the timer anew, slides too.
TEST_F(Effects, SpeedAndBpmStopAtTheirLimits)
{
    int installs = recorded_timer().install_calls;
    for (int parameter : {32, 33, 0})  // up to 32 ticks per row, above it bpm; 0: none
        do_pro_tempo_bpm(parameter);
    EXPECT_EQ(mi.tempo, 32);
    EXPECT_EQ(mi.bpm, 33);
    EXPECT_EQ(recorded_timer().install_calls, installs + 1);
    const struct { int bpm, parameter, times, want; } cases[] = {
        {125, 0x05, 1, 130}, {125, 0x15, 1, 120}, {125, 0x20, 1, 32}, {125, 0xFF, 1, 255},
        {40, 0x1F, 10, 32},  {20, 0x1F, 1, 20},  // below what a slide reaches: kept
        {20, 0x02, 1, 22},   {250, 0x0F, 10, 255}, {300, 0x0F, 1, 300}, {300, 0x11, 1, 299},
    };
    for (const auto &k : cases) {
        mi.bpm = k.bpm;
        for (int time = 0; time < k.times; time++)
            do_s3m_set_bpm(k.parameter);
        EXPECT_EQ(mi.bpm, k.want) << k.bpm << " " << std::hex << k.parameter;
    }
    EXPECT_EQ(recorded_timer().period, 71590860L / (299 * 24));
    EXPECT_EQ(recorded_timer().install_calls, installs + 29);
}

TEST_F(Effects, S3mMemoriesAndRetriggerVolumeCodes)
{
    use(kS3m);
    CHANNEL_STATE &c = channel(1712);
    parse_s3m_volume_slide(0, 0x1F);
    parse_s3m_volume_slide(0, 0);  // 0 repeats the fine form
    EXPECT_EQ(row(0, 3, do_s3m_volume_slide, &S::volume), (Ints{33, 33, 33}));
    parse_s3m_portamento_up(0, 0xF3);
    parse_s3m_portamento_down(0, 0);  // zero: the amounts, in the new direction
    EXPECT_EQ(c.s3m_fine_slide, 12);
    parse_s3m_portamento_down(0, 0x10);
    parse_s3m_portamento_up(0, 0x120);  // above a byte: keeps the amounts, slides
    EXPECT_EQ(c.s3m_slide, -64);
    const Ints volumes = {48, 47, 46, 44, 40, 32, 32, 24, 48, 49, 50, 52, 56, 64, 72, 96};
    for (int code = 0; code < 16; code++) {
        channel(1712, 48).tick_volume = 30;  // changed on its own, by a tremolo say
        parse_s3m_retrig(0, code * 16 + 1);
        EXPECT_EQ(row(1, 2, do_s3m_retrig, &S::volume), Ints{volumes[code]}) << code;
    }
    EXPECT_EQ(c.tick_volume, 60) << "the tick's volume too, from its own value";
}

// The edges of the volume column; the golden trace plays every range.
TEST_F(Effects, VolumeColumnClampsMemoriesAndPortamentoTarget)
{
    use(kS3m);
    CHANNEL_STATE &c = channel(1712, 62);
    const struct { int value, S::*field, want; } steps[] = {
        {0x9F, &S::volume, 64}, {0xA3, &S::vibrato_on, 0},
        {0xF2, &S::porta_speed, 128}, {0xF0, &S::porta_speed, 128},
    };
    for (const auto &s : steps) {
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
    channel(4000, 32, 100);  // the pan slide's memory is apart from the column's
    parse_xm_pan_slide(0, 0x20);
    EXPECT_EQ(c.pan_slide, 2);
    parse_volume_command(0, 0xE4, 0);
    parse_xm_pan_slide(0, 0x07);
    parse_volume_command(0, 0xE0, 0);
    EXPECT_EQ(c.pan_slide, 4);
    parse_xm_pan_slide(0, 0);
    EXPECT_EQ(row(1, 3, do_xm_pan_slide, &S::tick_pan), (Ints{93, 86}));
}

TEST_F(Effects, XmSlidesOverflowNeitherPeriodNorGlobalVolume)
{
    use(kXm);
    CHANNEL_STATE &c = channel(150);
    parse_xm_pitch_slide_up(0, 0x10);
    c.tick_period = 30;  // a vibrato may take the tick's period lower
    do_xm_pitch_slide_up(0);
    EXPECT_EQ(c.tick_period, 40);
    channel(30000);
    parse_xm_pitch_slide_down(0, 0xFFFF);  // no ceiling, even at the widest parameter
    for (int tick = 0; tick < 20000; tick++)
        do_xm_pitch_slide_down(0);
    EXPECT_GT(c.period, 1 << 29);
    mi.global_volume = 60;
    parse_global_volume_slide(0, 0x31);  // up wins over down
    do_global_volume_slide(0);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 64) << "63, then clamped at once";
    parse_global_volume_slide(0, 0x02);
    parse_global_volume_slide(0, 0);
    parse_global_volume_slide(3, 0x01);
    parse_global_volume_slide(3, 0x100);  // no nibble set: repeats too
    for (int tick = 1; tick < 6; tick++) {
        do_global_volume_slide(0);
        do_global_volume_slide(3);
    }
    EXPECT_EQ(mi.global_volume, 49) << "each channel slides by its own step";
    mi.global_volume = 3;
    do_global_volume_slide(0);
    do_global_volume_slide(0);
    EXPECT_EQ(mi.global_volume, 0) << "1, then clamped at once";
}

// Envelopes: start, advance tick by tick (sustain, loop, hold, key-off), set position.
enum { ON = 1, SUSTAIN = 2, LOOP = 4 };
typedef std::vector<std::pair<int, int>> Points;  // tick, value

// Starts an envelope the way a note start does; `at` holds loop start, loop
// end, sustain start and sustain end.
ENVELOPE_STATE make_envelope(const Points &points, int flags, Ints at = {0, 0, 0, 0})
{
    int values[ENVELOPE_POINTS] = {0}, ticks[ENVELOPE_POINTS] = {0};
    for (size_t i = 0; i < points.size(); i++) {
        ticks[i] = points[i].first;
        values[i] = points[i].second;
    }
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
    const Points fall = {{0, 64}, {10, 0}}, rise = {{0, 0}, {2, 40}, {4, 20}};
    const Points vee = {{0, 64}, {2, 32}, {4, 0}, {6, 32}};
    struct Case { ENVELOPE_STATE es; Ints held, released; } cases[] = {  // outputs
        {make_envelope(fall, ON | SUSTAIN), Ints(20, 64), {64, 58, 52, 45}},  // sustain at 0
        {make_envelope({{0, 0}, {2, 20}, {4, 40}, {6, 0}}, ON | SUSTAIN, {0, 0, 1, 3}),
         {0, 10, 20, 30, 40, 20, 20}, {30, 40, 20, 0, 0}},                 // sustain range
        {make_envelope(rise, ON | LOOP, {1, 1, 0, 0}), {0, 20, 40, 40, 40}, {40}},  // loop of 1
        {make_envelope(vee, ON | SUSTAIN | LOOP, {2, 3, 1, 1}), {64, 48, 32, 32, 32},
         {32, 16, 0, 16, 0, 16, 0}},                                      // sustain, then loop
        {make_envelope({{3, 17}}, ON), Ints(5, 17), {17}},                // one point
        {make_envelope({{0, 10}, {0, 50}, {2, 30}}, ON), {10, 40, 30, 30}, {30}},  // one tick
        {make_envelope(fall, SUSTAIN | LOOP), Ints(3, 64), {64}},         // off: the default
        {make_envelope({}, ON), Ints(3, 64), {64}},                       // no points
    };
    for (Case &k : cases) {
        EXPECT_EQ(run(k.es, (int)k.held.size()), k.held) << "case " << &k - cases;
        EXPECT_EQ(run(k.es, (int)k.released.size(), -1), k.released) << "case " << &k - cases;
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

TEST(Envelope, SetPositionHoldsTheLastPoint)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}, {20, 32}}, ON);
    es.tick[3] = 50;  // stale data beyond the used points is never searched
    const struct { int to, position, index, next; Ints out; } cases[] = {
        {5, 5, 0, 1, {32, 26}}, {10, 10, 1, 2, {0, 3}}, {0, 0, 0, 1, {64}},
        {200, 20, 2, 2, {32, 32}}, {20, 20, 2, 2, {32}},
    };
    for (const auto &k : cases) {
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

// Rows started for loops, jumps and breaks in a period module of one tick per
// row, as "order.row" from the song's start to its end.
TEST_F(Effects, LoopsJumpsAndBreaksChooseTheRowsPlayed)
{
    struct Command { int pattern, row, channel, command, parameter; };
    const struct {
        int patterns, rows;
        std::vector<Command> commands;
        const char *played;
    } cases[] = {
        {1, 5, {{0, 1, 0, 0x0E, 0x60}, {0, 2, 0, 0x0E, 0x62}},  // 2 + 1 times
         "0.0 0.1 0.2 0.1 0.2 0.1 0.2 0.3 0.4"},
        {1, 6, {{0, 1, 0, 0x0E, 0x61}, {0, 3, 0, 0x0E, 0x61}},  // from after the first
         "0.0 0.1 0.0 0.1 0.2 0.3 0.2 0.3 0.4 0.5"},
        {1, 6, {{0, 0, 0, 0x0E, 0x60}, {0, 1, 1, 0x0E, 0x60}, {0, 2, 1, 0x0E, 0x61},
                {0, 3, 0, 0x0E, 0x61}},  // per channel, nested
         "0.0 0.1 0.2 0.1 0.2 0.3 0.0 0.1 0.2 0.1 0.2 0.3 0.4 0.5"},
        {2, 3, {{0, 1, 0, 0x0E, 0x61}, {1, 2, 0, 0x0E, 0x61}},  // forgotten on the next order
         "0.0 0.1 0.0 0.1 0.2 1.0 1.1 1.2 1.0 1.1 1.2"},
        {3, 20, {{0, 0, 0, 0x0D, 0x16}, {0, 0, 3, 0x0B, 2}}, "0.0 2.16 2.17 2.18 2.19"},
    };
    for (const auto &k : cases) {
        JGMOD *module = keep(build_module(4, k.patterns, k.rows, 1));
        module->tempo = 1;
        for (const Command &c : k.commands)
            set_command(module, c.pattern, c.row, c.channel, c.command, c.parameter);
        play_mod(module, 0);
        std::string seen;
        for (int call = 0; call < 50 && of != nullptr; call++) {
            mod_interrupt();
            if (of != nullptr && mi.tick == 0)
                seen += " " + std::to_string(mi.order) + "." + std::to_string(mi.row);
        }
        EXPECT_EQ(seen, std::string(" ") + k.played);
        EXPECT_EQ(is_mod_playing(), 0) << k.played;
    }
}

// An XM module of one pattern: channel 0's volume slides down past 0 and
// channel 1's pan slides past both ends; the highest note on a high tuning
// (period 2) sounds at the period floor; a key-off without an envelope
// silences at once.
TEST_F(Effects, ClampsAndFloorsOfTheVoiceUpdate)
{
    JGMOD *module = keep(build_module(4, 1, 4, 1, kXm, 1));
    set_cell(module, 0, 0, 0, 1, 49, 0x6F, 0, 0);
    set_cell(module, 0, 0, 1, 0, 0, 0, 0x26, 0xF0);
    set_cell(module, 0, 1, 1, 0, 0, 0, 0x26, 0x0F);
    set_cell(module, 0, 0, 2, 1, 119, 0, 0, 0);
    set_cell(module, 0, 1, 3, 1, 49, 0, 0, 0);
    set_cell(module, 0, 2, 3, 0, NOTE_KEY_OFF, 0, 0, 0);
    module->channel_pan[1] = 240;
    module->sample_info[0].tuning = 380;
    play_mod(module, 0);
    run_ticks(1);
    EXPECT_EQ(ci[2].period, 2);
    EXPECT_EQ(ci[2].tick_period, 4);
    EXPECT_EQ(on(2).frequency, (1 << 19) - 1) << "the ceiling either way";
    run_ticks(5);  // 64 down by 15 five times
    EXPECT_EQ(ci[0].volume, 0);
    EXPECT_EQ(on(1).pan, 255);
    run_ticks(6);  // five slides of row 1
    EXPECT_EQ(ci[1].pan, 180);
    EXPECT_GT(on(3).volume, 0);
    run_ticks(1);
    EXPECT_EQ(on(3).volume, 0);
}

TEST_F(Effects, ExtraFineMemoriesSurviveANewSong)
{
    const int period = 4608;  // note 49 at tuning 128
    for (int memory : {0, 1}) {  // the second song's 0 parameters use the first's
        JGMOD *module = keep(build_module(4, 1, 4, 1, kXm, 1));
        set_cell(module, 0, 0, 0, 1, 49, 0, 0x27, memory ? 0x10 : 0x13);
        set_cell(module, 0, 0, 1, 1, 49, 0, 0x27, memory ? 0x20 : 0x25);
        play_mod(module, 0);
        mod_interrupt();
        EXPECT_EQ(ci[0].period, period - 3);
        EXPECT_EQ(ci[1].period, period + 5);
    }
    EXPECT_EQ(ci[0].xm_fine_up_memory, 0) << "the other memories do start afresh";
}

// Every effect that repeats its last parameter, given 0 before it ever had
// one, leaves the note as it started.
TEST_F(Effects, ZeroParametersWithNoMemoryYetChangeNothing)
{
    const int commands[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0A, 0x11, 0x12,
                            0x13, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B, 0x1E, 0x1F, 0x20, 0x21,
                            0x22, 0x23, 0x26, 0x27};
    for (int flags : {0, kXm, kS3m}) {
        for (int command : commands) {
            JGMOD *module = keep(build_module(4, 1, 2, 1, flags, flags ? 1 : 0));
            set_cell(module, 0, 0, 0, 1, flags ? 49 : 8363, 0, 0, 0);
            set_cell(module, 0, 1, 0, 0, 0, 0, command, 0);
            play_mod(module, 0);
            run_ticks(6);
            const int period = ci[0].period;
            for (int tick = 0; tick < 6; tick++) {
                mod_interrupt();
                SCOPED_TRACE(testing::Message() << std::hex << "flags " << flags << " command "
                                                << command << " tick " << tick);
                EXPECT_EQ(ci[0].tick_period, period);
                EXPECT_EQ(ci[0].tick_volume, 64);
                EXPECT_EQ(ci[0].tick_pan, 128);
                EXPECT_EQ(mi.global_volume, 64);
                EXPECT_EQ(ci[0].trigger, 0);
            }
        }
    }
}

}  // namespace
