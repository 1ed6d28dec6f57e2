// The effect handlers and envelopes where a fault never reaches a voice the
// golden traces hear: a state clamped again at the voice update, a period
// below the frequency ceiling's reach, a sign inside a clamp, limits the
// traces do not print (bpm), and envelope state from bad files. The rows
// played, memories of zero parameters, S3M/XM slides and retriggers, the
// volume column and the clamps a voice hears are left to the traces. A
// channel is set up as a note start leaves it, the parse_ handler called as
// tick 0 would, then the do_ handler tick by tick.

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

    JGMOD *j = nullptr;
    CHANNEL_STATE fresh_;
};

const int kXm = XM_MODE | LINEAR_MODE;

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
}

// The traces print no bpm. Each slide installs the timer anew.
TEST_F(Effects, BpmSlidesStopAtTheirLimits)
{
    int installs = recorded_timer().install_calls;
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
    EXPECT_EQ(recorded_timer().install_calls, installs + 28);
}

// A fine slide in the volume column is clamped at once: the voice update
// would clamp it again, so no trace can tell.
TEST_F(Effects, VolumeColumnFineSlidesClampAtOnce)
{
    CHANNEL_STATE &c = channel(1712, 62);
    parse_volume_command(0, 0x9F, 0);
    EXPECT_EQ(c.volume, 64);
    c.volume = 2;
    parse_volume_command(0, 0x8F, 0);
    EXPECT_EQ(c.volume, 0);
}

// No ceiling downwards, even at the widest parameter, and no overflow.
TEST_F(Effects, XmPitchSlidesDownNeverOverflow)
{
    use(kXm);
    CHANNEL_STATE &c = channel(30000);
    parse_xm_pitch_slide_down(0, 0xFFFF);
    for (int tick = 0; tick < 20000; tick++)
        do_xm_pitch_slide_down(0);
    EXPECT_GT(c.period, 1 << 29);
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

// Sustains and loops play in the golden traces; these the files cannot hold.
TEST(Envelope, PointsOnOneTickSwitchedOffOrNonePlaySafely)
{
    struct Case { ENVELOPE_STATE es; Ints held, released; } cases[] = {  // outputs
        {make_envelope({{0, 10}, {0, 50}, {2, 30}}, ON), {10, 40, 30, 30}, {30}},
        {make_envelope({{0, 64}, {10, 0}}, SUSTAIN | LOOP), Ints(3, 64), {64}},  // the default
        {make_envelope({}, ON), Ints(3, 64), {64}},
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

// The highest note on a high tuning (period 2) sounds at the period floor,
// 4; the frequency ceiling hides that from the traces.
TEST_F(Effects, TheVoiceUpdateFloorsThePeriod)
{
    JGMOD *module = keep(build_module(1, 1, 1, 1, kXm, 1));
    set_cell(module, 0, 0, 0, 1, 119, 0, 0, 0);
    module->sample_info[0].tuning = 380;
    play_mod(module, 0);
    run_ticks(1);
    EXPECT_EQ(ci[0].period, 2);
    EXPECT_EQ(ci[0].tick_period, 4);
}

}  // namespace
