// Volume and pan envelopes: start, advance tick by tick (sustain, loop, hold
// at the end, key-off) and set position.
#include <vector>

#include <gtest/gtest.h>

#include "jgmod_internal.h"

namespace {

#define ENV_ON 1
#define ENV_SUSTAIN 2
#define ENV_LOOP 4

struct Point {
    int tick;
    int value;
};

// Starts an envelope from a list of points, the way a note start does.
ENVELOPE_STATE make_envelope(std::vector<Point> points, int flags, int loop_start = 0,
                             int loop_end = 0, int sustain_start = 0, int sustain_end = 0)
{
    int values[ENVELOPE_POINTS] = {0};
    int ticks[ENVELOPE_POINTS] = {0};
    for (size_t i = 0; i < points.size() && i < ENVELOPE_POINTS; i++) {
        ticks[i] = points[i].tick;
        values[i] = points[i].value;
    }
    ENVELOPE_STATE es = ENVELOPE_STATE();
    es.output = 64;
    start_envelope(&es, values, ticks, flags, (int)points.size(), loop_start, loop_end,
                   sustain_start, sustain_end);
    return es;
}

// Output of the envelope on each of `ticks` ticks.
std::vector<int> run(ENVELOPE_STATE &es, int ticks, int key_off = 0, int default_value = 64)
{
    std::vector<int> out;
    for (int t = 0; t < ticks; t++) {
        process_envelope(&es, default_value, key_off);
        out.push_back(es.output);
        EXPECT_GE(es.index, 0);
        EXPECT_LT(es.index, ENVELOPE_POINTS);
        EXPECT_GE(es.next, 0);
        EXPECT_LT(es.next, ENVELOPE_POINTS);
    }
    return out;
}

TEST(Envelope, StartCopiesThePointsAndStandsAtTheFirst)
{
    ENVELOPE_STATE es = make_envelope({{0, 10}, {5, 20}, {9, 30}}, ENV_ON | ENV_LOOP, 1, 2, 0, 0);
    EXPECT_EQ(es.tick[2], 9);
    EXPECT_EQ(es.value[1], 20);
    EXPECT_EQ(es.points, 3);
    EXPECT_EQ(es.flags, ENV_ON | ENV_LOOP);
    EXPECT_EQ(es.loop_start, 1);
    EXPECT_EQ(es.loop_end, 2);
    EXPECT_EQ(es.index, 0);
    EXPECT_EQ(es.next, 1);
    EXPECT_EQ(es.position, 0);
    EXPECT_EQ(es.output, 64) << "the output is left as the note start set it";
}

TEST(Envelope, StartOnASustainAtPointZeroOrASinglePointStandsStill)
{
    ENVELOPE_STATE sustain = make_envelope({{0, 64}, {10, 0}}, ENV_ON | ENV_SUSTAIN);
    EXPECT_EQ(sustain.next, 0);
    ENVELOPE_STATE single = make_envelope({{0, 40}}, ENV_ON);
    EXPECT_EQ(single.next, 0);
    ENVELOPE_STATE single_off = make_envelope({{0, 40}}, 0);
    EXPECT_EQ(single_off.next, 1);
}

TEST(Envelope, RampFallsOverTenTicksThenHoldsItsLastPoint)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}}, ENV_ON);
    EXPECT_EQ(run(es, 14), (std::vector<int>{64, 58, 52, 45, 39, 32, 26, 20, 13, 7, 0, 0, 0, 0}));
}

TEST(Envelope, SustainAtPointZeroHoldsUntilKeyOffThenFalls)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}}, ENV_ON | ENV_SUSTAIN, 0, 0, 0, 0);
    EXPECT_EQ(run(es, 20), std::vector<int>(20, 64));
    EXPECT_EQ(run(es, 4, -1), (std::vector<int>{64, 58, 52, 45}));
}

TEST(Envelope, SustainInTheMiddleHoldsItsPointThenRunsOnAfterKeyOff)
{
    ENVELOPE_STATE es = make_envelope({{0, 0}, {4, 64}, {8, 32}}, ENV_ON | ENV_SUSTAIN, 0, 0, 1, 1);
    EXPECT_EQ(run(es, 8), (std::vector<int>{0, 16, 32, 48, 64, 64, 64, 64}));
    EXPECT_EQ(run(es, 6, -1), (std::vector<int>{64, 56, 48, 40, 32, 32}));
}

TEST(Envelope, SustainRangeRepeatsBetweenItsPoints)
{
    ENVELOPE_STATE es =
        make_envelope({{0, 0}, {2, 20}, {4, 40}, {6, 0}}, ENV_ON | ENV_SUSTAIN, 0, 0, 1, 2);
    EXPECT_EQ(run(es, 9), (std::vector<int>{0, 10, 20, 30, 20, 30, 20, 30, 20}));
    EXPECT_EQ(run(es, 5, -1), (std::vector<int>{30, 40, 20, 0, 0}));
}

TEST(Envelope, LoopRepeatsWithOrWithoutKeyOff)
{
    ENVELOPE_STATE es = make_envelope({{0, 0}, {2, 40}, {4, 20}}, ENV_ON | ENV_LOOP, 1, 2);
    EXPECT_EQ(run(es, 8), (std::vector<int>{0, 20, 40, 30, 40, 30, 40, 30}));
    EXPECT_EQ(run(es, 4, -1), (std::vector<int>{40, 30, 40, 30}));
}

TEST(Envelope, SinglePointLoopHoldsThatPoint)
{
    ENVELOPE_STATE es = make_envelope({{0, 0}, {2, 40}, {4, 20}}, ENV_ON | ENV_LOOP, 1, 1);
    EXPECT_EQ(run(es, 6), (std::vector<int>{0, 20, 40, 40, 40, 40}));
}

TEST(Envelope, SustainBeforeLoopUntilKeyOff)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {2, 32}, {4, 0}, {6, 32}},
                                      ENV_ON | ENV_SUSTAIN | ENV_LOOP, 2, 3, 1, 1);
    EXPECT_EQ(run(es, 5), (std::vector<int>{64, 48, 32, 32, 32}));
    EXPECT_EQ(run(es, 9, -1), (std::vector<int>{32, 16, 0, 16, 0, 16, 0, 16, 0}));
}

TEST(Envelope, OnePointEnvelopeOutputsItsValueOnEveryTick)
{
    ENVELOPE_STATE es = make_envelope({{3, 17}}, ENV_ON);
    EXPECT_EQ(run(es, 5), std::vector<int>(5, 17));
}

TEST(Envelope, OffOrEmptyEnvelopesGiveTheDefault)
{
    ENVELOPE_STATE flags_zero = make_envelope({{0, 10}, {4, 50}}, 0);
    EXPECT_EQ(run(flags_zero, 3, 0, 32), std::vector<int>(3, 32));
    ENVELOPE_STATE bit_clear = make_envelope({{0, 10}, {4, 50}}, ENV_SUSTAIN | ENV_LOOP);
    EXPECT_EQ(run(bit_clear, 3), std::vector<int>(3, 64));
    ENVELOPE_STATE no_points = make_envelope({}, ENV_ON);
    EXPECT_EQ(run(no_points, 3, 0, 32), std::vector<int>(3, 32));
    EXPECT_EQ(no_points.position, 0);
}

TEST(Envelope, PointsAtTheSameTickDoNotDivideByZero)
{
    ENVELOPE_STATE es = make_envelope({{0, 10}, {0, 50}, {2, 30}}, ENV_ON);
    EXPECT_EQ(run(es, 4), (std::vector<int>{10, 40, 30, 30}));
}

TEST(Envelope, IndicesFromABadFileStayInsideThePoints)
{
    int values[ENVELOPE_POINTS] = {64, 0, 64, 0, 64, 0, 64, 0, 64, 0, 64, 0};
    int ticks[ENVELOPE_POINTS] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    ENVELOPE_STATE es = ENVELOPE_STATE();
    start_envelope(&es, values, ticks, ENV_ON | ENV_SUSTAIN | ENV_LOOP, 40, 11, 90, 57, -3);
    EXPECT_EQ(es.points, ENVELOPE_POINTS);
    EXPECT_EQ(es.loop_end, ENVELOPE_POINTS - 1);
    EXPECT_EQ(es.sustain_start, ENVELOPE_POINTS - 1);
    EXPECT_EQ(es.sustain_end, 0);
    run(es, 30);
    run(es, 30, -1);
    // State written from outside, not through start_envelope.
    es.points = 200;
    es.index = 70;
    es.next = -9;
    es.loop_start = 500;
    run(es, 30, -1);
}

TEST(Envelope, SetPositionBetweenPoints)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}, {20, 32}}, ENV_ON);
    parse_xm_set_envelop_position(&es, 5);
    EXPECT_EQ(es.position, 5);
    EXPECT_EQ(es.index, 0);
    EXPECT_EQ(es.next, 1);
    EXPECT_EQ(run(es, 2), (std::vector<int>{32, 26}));
    parse_xm_set_envelop_position(&es, 10);
    EXPECT_EQ(es.index, 1);
    EXPECT_EQ(es.next, 2);
    EXPECT_EQ(run(es, 2), (std::vector<int>{0, 3}));
    parse_xm_set_envelop_position(&es, 0);
    EXPECT_EQ(es.index, 0);
    EXPECT_EQ(es.next, 1);
}

TEST(Envelope, SetPositionAtOrBeyondTheLastPointHoldsIt)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}, {20, 32}}, ENV_ON);
    parse_xm_set_envelop_position(&es, 200);
    EXPECT_EQ(es.position, 20);
    EXPECT_EQ(es.index, 2);
    EXPECT_EQ(es.next, 2);
    EXPECT_EQ(run(es, 3), std::vector<int>(3, 32));
    parse_xm_set_envelop_position(&es, 20);
    EXPECT_EQ(es.index, 2);
    EXPECT_EQ(es.next, 2);
}

TEST(Envelope, SetPositionSearchesTheUsedPointsOnly)
{
    ENVELOPE_STATE es = make_envelope({{0, 64}, {10, 0}}, ENV_ON);
    es.tick[2] = 50;  // stale data beyond the used points
    parse_xm_set_envelop_position(&es, 30);
    EXPECT_EQ(es.position, 10);
    EXPECT_EQ(es.next, 1);
}

TEST(Envelope, SetPositionOnAnEmptyEnvelopeDoesNothing)
{
    ENVELOPE_STATE es = make_envelope({}, ENV_ON);
    es.position = 3;
    parse_xm_set_envelop_position(&es, 8);
    EXPECT_EQ(es.position, 3);
}

}  // namespace
