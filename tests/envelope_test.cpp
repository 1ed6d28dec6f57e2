// Volume and pan envelopes: start, advance tick by tick (sustain, loop, hold
// at the end, key-off) and set position.
#include <vector>

#include <gtest/gtest.h>

#include "jgmod_internal.h"

namespace {

enum { ON = 1, SUSTAIN = 2, LOOP = 4 };

typedef std::vector<int> Ints;

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

}  // namespace
