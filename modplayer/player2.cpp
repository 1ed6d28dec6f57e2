// The effect family of 4-channel tracker songs: arpeggio, pitch slides, tone
// portamento, vibrato, tremolo, volume slides, the extended commands and the
// row commands (position jump, pattern break, speed/bpm, pattern loop).
// The S3M and XM families reuse vibrato, tremolo, portamento and arpeggio.
#include <stdlib.h>

#include "jgmod_internal.h"

// Note periods searched by the arpeggio. Past these the period tables give
// nothing new, and a search that found no note by then never will.
#define PRO_ARPEGGIO_NOTES 192   // 16 octaves of the period table
#define NEW_ARPEGGIO_NOTES 119   // note2period clamps notes to 0..118

// Period of note n of the period-module table: one octave shifts one bit.
static int table_period(int n)
{
    int octave = n / 12;
    if (octave > 30)
        return 0;
    return noteperiod[n % 12] >> octave;
}

// The period k semitones above the note now sounding, period modules.
static int pro_arpeggio_period(int period, int k)
{
    int r = period;
    int n = 0;
    do {
        if (table_period(n) <= period) {
            n += k;
            r = table_period(n);
        }
        n++;
    } while (period <= r && n < PRO_ARPEGGIO_NOTES);
    return r;
}

// The same for note-number modules, whose note periods come from note2period
// without finetune. The search starts at note 1, as the family always has.
static int new_arpeggio_period(int period, int k)
{
    int r = period;
    int n = 0;
    do {
        n++;
        if (note2period(n, 0) <= period) {
            n += k;
            r = note2period(n, 0);
        }
    } while (period <= r && n < NEW_ARPEGGIO_NOTES);
    return r;
}

void parse_pro_arpeggio(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period != 0 && extcommand != 0) {
        c->arpeggio = extcommand;
        c->arpeggio_on = -1;
    }
}

void do_arpeggio(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    int step = mi.tick % 3;
    if (step == 0 || c->period <= 0) {
        // A period slid to zero or below has no note to build a chord on.
        c->tick_period = c->period;
        return;
    }
    int k = step == 1 ? jgmod_high_nibble(c->arpeggio) : jgmod_low_nibble(c->arpeggio);
    if (k == 0) {
        // The search below never returns the note it starts from: an offset
        // of 0 would sound a semitone up on an exact note. It means the base.
        c->tick_period = c->period;
        return;
    }
    if (mi.flags & XM_MODE)
        c->tick_period = new_arpeggio_period(c->period, k);
    else
        c->tick_period = pro_arpeggio_period(c->period, k);
}

// Up and down share one magnitude: a zero parameter repeats the last speed
// in whichever direction the new command asks for.
void parse_pro_pitch_slide_up(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    c->pitch_slide_on = -1;
    if (extcommand != 0)
        c->pitch_slide = extcommand * 4;
    c->pitch_slide = -jgmod_magnitude(c->pitch_slide);
}

void parse_pro_pitch_slide_down(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    c->pitch_slide_on = -1;
    if (extcommand != 0)
        c->pitch_slide = extcommand * 4;
    c->pitch_slide = jgmod_magnitude(c->pitch_slide);
}

void parse_slide2period(int chan, int extcommand, int note)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    if (extcommand > 0)
        c->porta_speed = extcommand * 4;
    if (note > 0)
        c->porta_target = note2period(note - 1, c->tuning);
    // A positive speed lowers the period (raises the pitch).
    c->porta_speed = jgmod_magnitude(c->porta_speed);
    if (c->period < c->porta_target)
        c->porta_speed = -c->porta_speed;
    if (c->porta_target != 0)
        c->porta_on = -1;
}

void do_slide2period(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    c->period -= c->porta_speed;
    bool passed = c->porta_speed > 0 ? c->period < c->porta_target : c->period > c->porta_target;
    if (passed)
        c->period = c->porta_target;
    c->tick_period = c->period;
}

// One point of an oscillator: waveform value 0..255 at the given phase.
static int wave_value(int wave, signed char pos)
{
    int i = (pos >> 2) & 31;
    switch (wave & 3) {
    case 0:
        return vib_table[i];
    case 1:  // ramp: rises over the positive half, falls over the negative
        return pos < 0 ? 255 - i * 8 : i * 8;
    case 2:  // square
        return 255;
    default:  // random
        return rand() % 255;
    }
}

// Phases are 8-bit and wrap, so speed walks them round the whole cycle.
static signed char advance_phase(signed char pos, int speed)
{
    return (signed char)(unsigned char)((pos + speed) & 0xFF);
}

void parse_vibrato(int chan, int extcommand, int shift)
{
    CHANNEL_STATE *c = &ci[chan];
    if (c->period == 0)
        return;
    c->vibrato_on = -1;
    c->vibrato_shift = shift;
    if (jgmod_high_nibble(extcommand) != 0)
        c->vibrato_speed = jgmod_high_nibble(extcommand) * 4;
    if (jgmod_low_nibble(extcommand) != 0)
        c->vibrato_depth = jgmod_low_nibble(extcommand);
}

void do_vibrato(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    int d = (wave_value(c->vibrato_wave, c->vibrato_pos) * c->vibrato_depth) >> c->vibrato_shift;
    c->tick_period = c->vibrato_pos < 0 ? c->period - d : c->period + d;
    // Tick 0 shows the phase the previous row left; it moves on later ticks.
    if (mi.tick != 0)
        c->vibrato_pos = advance_phase(c->vibrato_pos, c->vibrato_speed);
}

void parse_tremolo(int chan, int extcommand, int shift)
{
    CHANNEL_STATE *c = &ci[chan];
    c->tremolo_on = -1;
    c->tremolo_shift = shift;
    if (jgmod_high_nibble(extcommand) != 0)
        c->tremolo_speed = jgmod_high_nibble(extcommand) * 4;
    if (jgmod_low_nibble(extcommand) != 0)
        c->tremolo_depth = jgmod_low_nibble(extcommand);
}

void do_tremolo(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    int d = (wave_value(c->tremolo_wave, c->tremolo_pos) * c->tremolo_depth) >> c->tremolo_shift;
    c->tick_volume = c->tremolo_pos < 0 ? c->volume - d : c->volume + d;
    if (mi.tick != 0)
        c->tremolo_pos = advance_phase(c->tremolo_pos, c->tremolo_speed);
}

void parse_pro_volume_slide(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    if (jgmod_nibbles_set(extcommand))
        c->volume_slide = jgmod_nibble_slide(extcommand);
}

// Fine slides share fine_slide_memory between the directions, but a zero
// parameter only repeats a slide that went the same way.
static void fine_slide_up(CHANNEL_STATE *c, int y)
{
    if (c->period == 0)
        return;
    if (y != 0)
        c->fine_slide_memory = 4 * y;
    else if (c->fine_slide_memory > 0)
        return;
    c->fine_slide_memory = -jgmod_magnitude(c->fine_slide_memory);
    c->period += c->fine_slide_memory;
}

static void fine_slide_down(CHANNEL_STATE *c, int y)
{
    if (c->period == 0)
        return;
    if (y != 0)
        c->fine_slide_memory = 4 * y;
    else if (c->fine_slide_memory < 0)
        return;
    c->fine_slide_memory = jgmod_magnitude(c->fine_slide_memory);
    c->period += c->fine_slide_memory;
}

// The importers' own extended codes 0x10..0x14 (parameters 0x100..0x14F):
// swapped-nibble pan and the fine slides that keep separate memories.
static void importer_extended_command(CHANNEL_STATE *c, int x, int y)
{
    switch (x) {
    case EXT_SWAPPED_PAN:
        c->pan = y < 8 ? (y + 8) * 17 : (y - 8) * 17;
        break;
    case EXT_XM_FINE_SLIDE_UP:
        if (c->period == 0)
            return;
        if (y != 0)
            c->xm_fine_up_memory = -4 * y;
        c->period += c->xm_fine_up_memory;
        break;
    case EXT_XM_FINE_SLIDE_DOWN:
        if (c->period == 0)
            return;
        if (y != 0)
            c->xm_fine_down_memory = 4 * y;
        c->period += c->xm_fine_down_memory;
        break;
    case EXT_XM_FINE_VOLUME_UP:
        if (y != 0)
            c->xm_fine_volume_up_memory = y;
        c->tick_volume += c->xm_fine_volume_up_memory;
        c->volume += c->xm_fine_volume_up_memory;
        break;
    case EXT_XM_FINE_VOLUME_DOWN:
        if (y != 0)
            c->xm_fine_volume_down_memory = -y;
        c->tick_volume += c->xm_fine_volume_down_memory;
        c->volume += c->xm_fine_volume_down_memory;
        break;
    default:
        break;
    }
}

void parse_extended_command(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    int x = extcommand >> 4;
    int y = extcommand & 15;
    switch (x) {
    case EXT_FINE_SLIDE_UP: fine_slide_up(c, y); break;
    case EXT_FINE_SLIDE_DOWN: fine_slide_down(c, y); break;
    case EXT_GLISSANDO: c->glissando = y != 0 ? -1 : 0; break;  // kept, not heard
    case EXT_VIBRATO_WAVE: c->vibrato_wave = y; break;
    case EXT_TREMOLO_WAVE: c->tremolo_wave = y; break;
    case EXT_SET_PAN: c->pan = y * 17; break;
    case EXT_RETRIG: c->retrig_interval = y; break;
    case EXT_FINE_VOLUME_UP: c->volume += y; break;
    case EXT_FINE_VOLUME_DOWN: c->volume -= y; break;
    case EXT_NOTE_CUT:
        c->note_cut = y;
        if (y == 0)
            c->volume = 0;
        break;
    case EXT_NOTE_DELAY: c->note_delay = y; break;
    default:
        // Pattern loop and pattern delay belong to the row-command pass.
        importer_extended_command(c, x, y);
        break;
    }
}

void do_delay_sample(int chan)
{
    CHANNEL_STATE *c = &ci[chan];
    if (mi.tick == c->note_delay) {
        c->trigger = -1;
        c->note_delay = 0;
    } else {
        c->trigger = 0;
    }
}

void do_position_jump(int extcommand)
{
    // Parameters come from files; a negative one names no order position.
    if (extcommand < 0)
        return;
    if (enable_lasttrk_loop == -1) {
        mi.break_order = extcommand + 1;
        if (mi.loop == -1 && mi.break_order > of->order_count)
            mi.break_order = 1;
    } else {
        if (mi.order >= of->order_count - 1)
            return;
        mi.break_order = extcommand + 1;
    }
    // Every target past the song's end ends the song the same way; one past
    // the end spares the engine an order position far beyond the order table.
    if (mi.break_order > of->order_count + 1)
        mi.break_order = of->order_count + 1;
    if (mi.break_row == 0)
        mi.break_row = 1;
}

// Rows in the pattern at an order position, or -1 when the position lies
// past the song's end (the song then ends and no row is read).
static int rows_at_order(int order)
{
    if (order < 0 || order >= of->order_count || order >= MAX_ORDER)
        return -1;
    int pattern = of->order_table[order];
    if (pattern < 0 || pattern >= of->pattern_count)
        return -1;
    return of->pattern_info[pattern].row_count;
}

void do_pattern_break(int extcommand)
{
    if (mi.break_order == 0)
        mi.break_order = mi.order + 2;
    // The parameter is read as two decimal digits.
    mi.break_row = jgmod_low_nibble(extcommand) + 10 * jgmod_high_nibble(extcommand) + 1;
    if (mi.loop == -1 && mi.break_order > of->order_count)
        mi.break_order = 1;
    int rows = rows_at_order(mi.break_order - 1);
    if (rows < 0)
        return;
    if (mi.break_row - 1 >= rows)
        mi.break_row--;
    // Still outside the pattern after the one-row lowering: start it at the
    // top. break_row never drops to 0, which would mean "no break".
    if (mi.break_row < 1 || mi.break_row - 1 >= rows)
        mi.break_row = 1;
}

void do_pro_tempo_bpm(int extcommand)
{
    if (extcommand <= 0)
        return;
    if (extcommand <= 32) {
        mi.tempo = extcommand;
        return;
    }
    mi.bpm = extcommand;
    install_mod_timer(mi.bpm);
}

void do_pattern_loop(int chan, int extcommand)
{
    CHANNEL_STATE *c = &ci[chan];
    int y = jgmod_low_nibble(extcommand);
    if (y == 0) {
        c->loop_row = mi.row;
        return;
    }
    if (c->loop_count < 1)
        c->loop_count = y;
    else
        c->loop_count--;
    if (c->loop_count < 1)
        c->loop_row = mi.row + 1;  // done: a later loop end here loops back to after this row
    else
        c->loop_pending = -1;
}

void lock_jgmod_player2(void)
{
}
