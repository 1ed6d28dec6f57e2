// The effect family of note-number modules and the machinery that goes with
// their instruments: volume and pan envelopes (sustain, loop, hold at the
// end), set envelope position, and slides that keep their own memories.
#include <limits.h>

#include <algorithm>

#include "jgmod_internal.h"

// XM pitch slides up never bring the period below this.
#define XM_MIN_PERIOD 40

// Point indices and counts come from module files: keep every one inside
// the 12 points the state holds.
static int clamp_point(int index, int points)
{
    return jgmod_clamp(index, 0, points - 1);
}

// Straight line from (t1, a) to (t2, b), evaluated at p. Wide arithmetic so
// that tick values from a file cannot overflow the product.
static int interpolate(int p, int t1, int t2, int a, int b)
{
    if (t1 == t2)
        return a;
    long long rise = (long long)(p - (long long)t1) * ((long long)b - a);
    return (int)(a + rise / ((long long)t2 - t1));
}

void start_envelope(ENVELOPE_STATE *es, const int *value, const int *tick, int flags, int points,
                    int loop_start, int loop_end, int sustain_start, int sustain_end)
{
    for (int i = 0; i < ENVELOPE_POINTS; i++) {
        es->value[i] = value[i];
        es->tick[i] = tick[i];
    }
    es->flags = flags;
    es->points = jgmod_clamp(points, 0, ENVELOPE_POINTS);
    int last = es->points > 0 ? es->points : 1;
    es->loop_start = clamp_point(loop_start, last);
    es->loop_end = clamp_point(loop_end, last);
    es->sustain_start = clamp_point(sustain_start, last);
    es->sustain_end = clamp_point(sustain_end, last);
    es->index = 0;
    es->next = 1;
    es->position = 0;
    // Sustaining on the first point, or a single point: stand on point 0.
    if ((flags & 2) && es->sustain_start == 0)
        es->next = 0;
    if ((flags & 1) && es->points == 1)
        es->next = 0;
}

// From a loop or sustain range's start point: stand on it when the range is
// a single point, else move towards the point after it.
static void restart_range(const ENVELOPE_STATE *es, int points, int start, int end, int *a, int *b, int *p)
{
    *a = start;
    *p = es->tick[start];
    *b = start == end ? start : clamp_point(start + 1, points);
}

void process_envelope(ENVELOPE_STATE *es, int default_value, int key_off)
{
    es->output = default_value;
    if (es->flags == 0 || es->points <= 0 || !(es->flags & 1))
        return;
    int points = es->points > ENVELOPE_POINTS ? ENVELOPE_POINTS : es->points;
    int a = clamp_point(es->index, points);
    int b = clamp_point(es->next, points);
    int p = es->position;
    es->output = a == b ? es->value[b] : interpolate(p, es->tick[a], es->tick[b], es->value[a], es->value[b]);

    // What was computed above is this tick's value; now prepare the next.
    if ((long long)es->tick[b] > (long long)p + 1) {
        p++;
    } else {
        int c = b + 1;
        if ((es->flags & 2) && !key_off && c > es->sustain_end) {
            restart_range(es, points, clamp_point(es->sustain_start, points), es->sustain_end, &a, &b, &p);
        } else if ((es->flags & 4) && c > es->loop_end) {
            restart_range(es, points, clamp_point(es->loop_start, points), es->loop_end, &a, &b, &p);
        } else {
            a = b;
            if (c < points) {
                b = c;
                p = p < INT_MAX ? p + 1 : p;
            }
            // Past the last point the envelope holds it.
        }
    }
    es->index = a;
    es->next = b;
    es->position = p;
}

void parse_xm_set_envelop_position(ENVELOPE_STATE *es, int position)
{
    if (es->points <= 0)
        return;
    int last = (es->points > ENVELOPE_POINTS ? ENVELOPE_POINTS : es->points) - 1;
    int q = jgmod_clamp(position, 0, es->tick[last]);
    es->position = q;
    int next = last;
    for (int i = 0; i <= last; i++) {
        if (es->tick[i] > q) {
            next = i;
            break;
        }
    }
    es->next = next;
    es->index = next - 1 < 0 ? 0 : next - 1;
    // At or past the last point: stand on it.
    if (q >= es->tick[last]) {
        es->index = last;
        es->next = last;
    }
}

void parse_xm_volume_slide(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    c->xm_volume_slide_on = -1;
    if (extcommand != 0)
        c->xm_volume_slide = jgmod_nibble_slide(extcommand);
}

void do_xm_volume_slide(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    c->volume += c->xm_volume_slide;
    c->tick_volume += c->xm_volume_slide;
}

// Up and down keep separate memories, unlike the ProTracker slides.
void parse_xm_pitch_slide_up(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    c->xm_slide_up_on = -1;
    if (extcommand != 0)
        c->xm_slide_up = -4 * extcommand;
}

void parse_xm_pitch_slide_down(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    c->xm_slide_down_on = -1;
    if (extcommand != 0)
        c->xm_slide_down = 4 * extcommand;
}

void do_xm_pitch_slide_up(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    c->period += c->xm_slide_up;
    c->tick_period += c->xm_slide_up;
    if (c->period < XM_MIN_PERIOD)
        c->period = XM_MIN_PERIOD;
    if (c->tick_period < XM_MIN_PERIOD)
        c->tick_period = XM_MIN_PERIOD;
}

void do_xm_pitch_slide_down(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    c->period = jgmod_slide_period(c->period, c->xm_slide_down);
    c->tick_period = jgmod_slide_period(c->tick_period, c->xm_slide_down);
}

void parse_xm_pan_slide(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (extcommand != 0)
        c->pan_slide_memory = jgmod_nibble_slide(extcommand);
    c->pan_slide = c->pan_slide_memory;
}

// Also runs for the volume column's pan slides, which share pan_slide.
void do_xm_pan_slide(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    c->pan += c->pan_slide;
    c->tick_pan += c->pan_slide;
}

void parse_global_volume_slide(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    c->global_slide_on = -1;
    if (jgmod_nibbles_set(extcommand))
        c->global_slide = jgmod_nibble_slide(extcommand);
}

// Every channel carrying the command applies its own step, so two channels
// slide the global volume twice as fast.
void do_global_volume_slide(int chan)
{
    mi.global_volume = jgmod_clamp(mi.global_volume + ci[chan].global_slide, 0, 64);
}

// The two memories here are never reset by play_mod: they carry over from
// one song to the next.
void do_xm_x(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    int y = jgmod_low_nibble(extcommand);
    switch (jgmod_high_nibble(extcommand)) {
    case 1:
        if (y != 0)
            c->xm_extra_fine_up_memory = -y;
        c->period += c->xm_extra_fine_up_memory;
        break;
    case 2:
        if (y != 0)
            c->xm_extra_fine_down_memory = y;
        c->period += c->xm_extra_fine_down_memory;
        break;
    default:
        break;
    }
}

void lock_jgmod_player4(void)
{
}
