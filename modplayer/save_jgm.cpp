// The JGM writer: the inverse of load_jgm. A module is checked whole
// before the first byte is written, so a module the format cannot hold
// leaves no half-written stream behind the refusal.
#include <stdio.h>

#include "jgm_format.h"

// The smallest Amiga period whose frequency value (AMIGA_CLOCK / period) is
// `frequency`. The largest one could lie beyond the 15 bits the stream
// holds, so the smallest is taken; every frequency value that the reader
// makes from a period is found again this way.
static long long period_for_frequency(int frequency)
{
    return AMIGA_CLOCK / ((long long)frequency + 1) + 1;
}

static bool frequency_has_period(int frequency)
{
    long long period = period_for_frequency(frequency);
    return period <= JGM_MAX_PERIOD && AMIGA_CLOCK / period == frequency;
}

// The value one plane stores for a cell: a byte, a word, or a signed 16-bit
// period word; 0 exactly when the cell's field is 0.
static int plane_value(const NOTE_INFO *cell, int plane, int flags)
{
    if (plane != PLANE_NOTE)
        return jgm_plane_value(cell, plane);
    if ((flags & XM_MODE) || cell->note <= 0)
        return cell->note;
    return (int)period_for_frequency(cell->note);
}

// The one range check of everything the stream stores.
static bool fits(long long value, long long low, long long high, const char *what)
{
    if (value >= low && value <= high)
        return true;
    jgmod_set_error("JGM cannot hold %s %lld (allowed %lld to %lld)", what, value, low, high);
    return false;
}

static bool fits_byte(int value, const char *what)
{
    return fits(value, 0, 255, what);
}

static bool fits_word(int value, const char *what)
{
    return fits(value, 0, JGM_MAX_WORD, what);
}

static bool check_header(const JGMOD *j)
{
    return fits(j->channel_count, 1, MAX_ALLEG_VOICE, "channel count") &&
           fits(j->order_count, 0, MAX_ORDER, "order count") &&
           fits_word(j->pattern_count, "pattern count") &&
           fits_word(j->instrument_count, "instrument count") &&
           fits_word(j->sample_count, "sample count") && fits_word(j->tempo, "tempo") &&
           fits_word(j->bpm, "bpm") && fits_word(j->global_volume, "global volume") &&
           fits_word(j->restart_order, "restart order") && fits_word(j->flags, "flags");
}

static bool check_pans_and_orders(const JGMOD *j)
{
    for (int channel = 0; channel < j->channel_count; channel++) {
        if (!fits_byte(j->channel_pan[channel], "channel pan"))
            return false;
    }
    for (int order = 0; order < j->order_count; order++) {
        if (!fits_byte(j->order_table[order], "order table entry"))
            return false;
    }
    return true;
}

static bool check_arrays(const JGMOD *j)
{
    if ((j->instrument_count > 0 && j->instrument_info == NULL) ||
        (j->sample_count > 0 && (j->sample_info == NULL || j->samples == NULL)) ||
        (j->pattern_count > 0 && j->pattern_info == NULL)) {
        jgmod_set_error("JGM cannot hold a module whose counts exceed its arrays");
        return false;
    }
    return true;
}

static bool check_envelope(const JGM_ENVELOPE &e)
{
    for (int point = 0; point < ENVELOPE_POINTS; point++) {
        if (!fits_word(e.tick[point], "envelope tick") ||
            !fits_word(e.value[point], "envelope value"))
            return false;
    }
    if (*e.sustain_start != *e.sustain_end) {
        jgmod_set_error("JGM cannot hold a sustain range (%d to %d): one point only",
                  *e.sustain_start, *e.sustain_end);
        return false;
    }
    return fits_byte(*e.points, "envelope point count") &&
           fits_byte(*e.flags, "envelope flags") &&
           fits_byte(*e.sustain_start, "envelope sustain point") &&
           fits_byte(*e.loop_start, "envelope loop start") &&
           fits_byte(*e.loop_end, "envelope loop end");
}

static bool check_instrument(INSTRUMENT_INFO *ii)
{
    for (int note = 0; note < NOTES_PER_INSTRUMENT; note++) {
        if (!fits_byte(ii->note_sample[note], "instrument sample index"))
            return false;
    }
    return check_envelope(jgm_volume_envelope(ii)) && check_envelope(jgm_pan_envelope(ii)) &&
           fits_word(ii->fadeout, "fadeout");
}

// The reader cuts a loop that reaches past the data, so such a loop cannot
// come back as it was.
static bool check_loop(const SAMPLE_INFO *si, const SAMPLE *s)
{
    if (!fits((long long)s->loop_start, 0, 0x7FFFFFFF, "sample loop start") ||
        !fits((long long)s->loop_end, 0, 0x7FFFFFFF, "sample loop end"))
        return false;
    if (!(si->loop_type & (LOOP_FORWARD | LOOP_PINGPONG)))
        return true;
    if (s->loop_start <= s->loop_end && s->loop_end <= s->len)
        return true;
    jgmod_set_error("JGM cannot hold a loop (%lu to %lu) outside its sample of %lu frames",
              s->loop_start, s->loop_end, s->len);
    return false;
}

// The stream holds one length and one pair of loop points for both sample
// records. Where the two records count the same data differently, they are
// stored as the library sample has them, since that is what the mixer plays:
// the XM reader keeps byte counts of 16-bit samples in SAMPLE_INFO, the MOD
// reader the loop's length. An empty sample is its length alone: its other
// fields are not stored.
static bool check_sample(const SAMPLE_INFO *si, const SAMPLE *s)
{
    if (!fits((long long)s->len, 0, JGM_MAX_SAMPLE_FRAMES, "sample length"))
        return false;
    if (s->len == 0)
        return true;
    if (s->data == NULL || s->stereo) {
        jgmod_set_error("JGM cannot hold a sample whose data is not %lu mono frames", s->len);
        return false;
    }
    if (s->bits != 8 && s->bits != 16) {
        jgmod_set_error("JGM cannot hold %d-bit samples (8 or 16 only)", s->bits);
        return false;
    }
    return check_loop(si, s) && fits_byte(si->vibrato_type, "vibrato type") &&
           fits_byte(si->vibrato_sweep, "vibrato sweep") &&
           fits_byte(si->vibrato_depth, "vibrato depth") &&
           fits_byte(si->vibrato_rate, "vibrato rate") && fits_byte(si->volume, "sample volume") &&
           fits_byte(si->pan, "sample pan") && fits(si->transpose, -128, 127, "transpose") &&
           fits_word(si->tuning, "tuning") && fits_byte(si->loop_type, "loop type");
}

static bool check_note(int note, int flags)
{
    if (flags & XM_MODE)
        return fits(note, -128, 127, "note number");
    if (note <= 0)
        return fits(note, -32768, 0, "note marker");
    if (frequency_has_period(note))
        return true;
    jgmod_set_error("JGM cannot hold note frequency %d: no Amiga period gives it", note);
    return false;
}

static bool check_cell(const NOTE_INFO *cell, int flags)
{
    return check_note(cell->note, flags) && fits_byte(cell->sample, "cell sample") &&
           fits_byte(cell->volume, "cell volume") && fits_byte(cell->command, "cell command") &&
           fits_word(cell->parameter, "cell parameter");
}

static bool check_pattern(const JGMOD *j, const PATTERN_INFO *pi)
{
    if (!fits_word(pi->row_count, "row count"))
        return false;
    int cells = pi->row_count * j->channel_count;
    if (cells > 0 && pi->notes == NULL) {
        jgmod_set_error("JGM cannot hold a pattern without its cells");
        return false;
    }
    for (int cell = 0; cell < cells; cell++) {
        if (!check_cell(&pi->notes[cell], j->flags))
            return false;
    }
    return true;
}

static bool check_module(const JGMOD *j)
{
    if (!check_header(j) || !check_pans_and_orders(j) || !check_arrays(j))
        return false;
    for (int index = 0; index < j->instrument_count; index++) {
        if (!check_instrument(&j->instrument_info[index]))
            return false;
    }
    for (int index = 0; index < j->sample_count; index++) {
        if (!check_sample(&j->sample_info[index], &j->samples[index]))
            return false;
    }
    for (int index = 0; index < j->pattern_count; index++) {
        if (!check_pattern(j, &j->pattern_info[index]))
            return false;
    }
    return true;
}

// Writes through the buffered writers and remembers the first failure.
struct JGM_WRITER {
    PACKFILE *f;
    bool failed;
};

static void put_byte(JGM_WRITER *w, int value)
{
    if (!w->failed && jgmod_putc(value, w->f) != (value & 0xFF))
        w->failed = true;
}

static void put_word(JGM_WRITER *w, int value)
{
    if (!w->failed && jgmod_iputw(value & 0xFFFF, w->f) != (value & 0xFFFF))
        w->failed = true;
}

static void put_dword(JGM_WRITER *w, int value)
{
    if (!w->failed && jgmod_iputl(value, w->f) != value)
        w->failed = true;
}

static void put_block(JGM_WRITER *w, const void *data, long size)
{
    if (!w->failed && size > 0 && jgmod_fwrite(data, size, w->f) != size)
        w->failed = true;
}

static void write_header(JGM_WRITER *w, const JGMOD *j)
{
    put_block(w, JGM_SIGNATURE, JGM_SIGNATURE_SIZE);
    put_block(w, j->name, JGM_NAME_SIZE);
    for (int index = 0; index < JGM_UNUSED_SIZE; index++)
        put_byte(w, 0);
    const int fields[JGM_HEADER_WORDS] = {
        j->order_count,  j->pattern_count, j->channel_count, j->instrument_count,
        j->sample_count, j->tempo,         j->bpm,           j->global_volume,
        j->restart_order, j->flags,
    };
    for (int index = 0; index < JGM_HEADER_WORDS; index++)
        put_word(w, fields[index]);
    for (int channel = 0; channel < j->channel_count; channel++)
        put_byte(w, j->channel_pan[channel]);
    for (int order = 0; order < j->order_count; order++)
        put_byte(w, j->order_table[order]);
}

static void write_envelope(JGM_WRITER *w, const JGM_ENVELOPE &e)
{
    for (int point = 0; point < ENVELOPE_POINTS; point++) {
        put_word(w, e.tick[point]);
        put_word(w, e.value[point]);
    }
    put_byte(w, *e.points);
    put_byte(w, *e.flags);
    put_byte(w, *e.sustain_start);
    put_byte(w, *e.loop_start);
    put_byte(w, *e.loop_end);
}

static void write_instrument(JGM_WRITER *w, INSTRUMENT_INFO *ii)
{
    for (int note = 0; note < NOTES_PER_INSTRUMENT; note++)
        put_byte(w, ii->note_sample[note]);
    write_envelope(w, jgm_volume_envelope(ii));
    write_envelope(w, jgm_pan_envelope(ii));
    put_word(w, ii->fadeout);
}

static void write_sample(JGM_WRITER *w, const SAMPLE_INFO *si, const SAMPLE *s)
{
    put_dword(w, (int)s->len);
    if (s->len == 0)
        return;
    put_dword(w, (int)s->loop_start);
    put_dword(w, (int)s->loop_end);
    put_byte(w, si->vibrato_type);
    put_byte(w, si->vibrato_sweep);
    put_byte(w, si->vibrato_depth);
    put_byte(w, si->vibrato_rate);
    put_byte(w, si->volume);
    put_byte(w, si->pan);
    put_byte(w, si->transpose);
    put_word(w, si->tuning);
    put_byte(w, s->bits);
    put_byte(w, si->loop_type);
    put_block(w, s->data, (long)s->len * s->bits / 8);
}

static void put_plane_value(JGM_WRITER *w, int value, int plane, int flags)
{
    if (plane == PLANE_PARAMETER || (plane == PLANE_NOTE && !(flags & XM_MODE)))
        put_word(w, value);
    else
        put_byte(w, value);
}

// Runs of cells with a value are stored, runs of cells without one are only
// counted; no run covers more than 127 cells.
static void write_plane(JGM_WRITER *w, const PATTERN_INFO *pi, int cells, int plane, int flags)
{
    int cell = 0;
    while (cell < cells) {
        bool has_value = plane_value(&pi->notes[cell], plane, flags) != 0;
        int count = 1;
        while (cell + count < cells && count < JGM_MAX_RUN &&
               (plane_value(&pi->notes[cell + count], plane, flags) != 0) == has_value)
            count++;
        if (!has_value) {
            put_byte(w, count);
        } else {
            put_byte(w, JGM_RUN_VALUES | count);
            for (int k = 0; k < count; k++)
                put_plane_value(w, plane_value(&pi->notes[cell + k], plane, flags), plane, flags);
        }
        cell += count;
    }
}

static void write_pattern(JGM_WRITER *w, const JGMOD *j, const PATTERN_INFO *pi)
{
    put_word(w, pi->row_count);
    int cells = pi->row_count * j->channel_count;
    for (int plane = 0; plane < JGM_PLANES; plane++)
        write_plane(w, pi, cells, plane, j->flags);
}

int save_jgm(PACKFILE *f, const JGMOD *j)
{
    if (f == NULL || j == NULL) {
        jgmod_set_error("No module or no file to write the JGM stream to");
        return -1;
    }
    if (!check_module(j))
        return -1;
    JGM_WRITER w = {f, false};
    write_header(&w, j);
    for (int index = 0; index < j->instrument_count; index++)
        write_instrument(&w, &j->instrument_info[index]);
    for (int index = 0; index < j->sample_count; index++)
        write_sample(&w, &j->sample_info[index], &j->samples[index]);
    for (int index = 0; index < j->pattern_count; index++)
        write_pattern(&w, j, &j->pattern_info[index]);
    if (w.failed) {
        jgmod_set_error("Unable to write the JGM stream");
        return -1;
    }
    return 1;
}
