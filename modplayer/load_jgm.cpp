// The player's own module format: the JGM reader, its detector and its
// information reader.
//
// A stream that ends early loads with -1 (end of file) in place of each
// missing value, as the format has always done. But every count or size
// that decides what the reader allocates or where it writes is checked
// before use, and a missing or impossible one refuses the stream.
#include <stdio.h>
#include <string.h>

#include "import/import.h"
#include "jgm_format.h"

// Releases what was built so far and reports why.
static JGMOD *give_up(JGMOD *j, const char *message)
{
    destroy_mod(j);
    if (message != NULL)
        jgmod_set_error("%s", message);
    return NULL;
}

// Tells a value that is missing (the stream has ended) from a bad one.
static bool report_missing(JGMOD_READER *f, int value, const char *what)
{
    if (value != EOF || !f->failed)
        return false;
    jgmod_set_error("JGM stream ends before its %s", what);
    return true;
}

// The one check for numbers that size or index what the reader builds.
static bool check_value(JGMOD_READER *f, int value, int low, int high, const char *what)
{
    if (value >= low && value <= high)
        return true;
    if (!report_missing(f, value, what))
        jgmod_set_error("Bad JGM stream: %s %d (allowed %d to %d)", what, value, low, high);
    return false;
}

static bool read_header(JGMOD_READER *f, JGMOD *j)
{
    reader_skip(f, JGM_SIGNATURE_SIZE);  // callers have checked it, or trust the datafile
    reader_read(f, j->name, JGM_NAME_SIZE);
    for (int index = 0; index < JGM_UNUSED_SIZE; index++)
        reader_getc(f);
    int *fields[JGM_HEADER_WORDS] = {
        &j->order_count,   &j->pattern_count, &j->channel_count, &j->instrument_count,
        &j->sample_count,  &j->tempo,         &j->bpm,           &j->global_volume,
        &j->restart_order, &j->flags,
    };
    bool complete = true;
    for (int index = 0; index < JGM_HEADER_WORDS; index++) {
        *fields[index] = reader_igetw(f);
        complete = complete && *fields[index] != EOF;
    }
    if (!complete) {
        jgmod_set_error("JGM stream ends inside its header");
        return false;
    }
    return check_value(f, j->channel_count, 1, MAX_ALLEG_VOICE, "channel count") &&
           check_value(f, j->order_count, 0, MAX_ORDER, "order count");
}

static void read_pans_and_orders(JGMOD_READER *f, JGMOD *j)
{
    for (int channel = 0; channel < j->channel_count; channel++)
        j->channel_pan[channel] = reader_getc(f);
    for (int order = 0; order < j->order_count; order++)
        j->order_table[order] = reader_getc(f);
}

static void read_envelope(JGMOD_READER *f, const JGM_ENVELOPE &e)
{
    for (int point = 0; point < ENVELOPE_POINTS; point++) {
        e.tick[point] = reader_igetw(f);
        e.value[point] = reader_igetw(f);
    }
    *e.points = reader_getc(f);
    *e.flags = reader_getc(f);
    *e.sustain_start = reader_getc(f);
    *e.sustain_end = *e.sustain_start;  // the stream has one sustain point
    *e.loop_start = reader_getc(f);
    *e.loop_end = reader_getc(f);
}

static JGMOD *read_instruments(JGMOD_READER *f, JGMOD *j)
{
    j->instrument_info =
        (INSTRUMENT_INFO *)jgmod_calloc((long)sizeof(INSTRUMENT_INFO) * j->instrument_count);
    if (j->instrument_info == NULL)
        return give_up(j, "Unable to allocate enough memory for INSTRUMENT_INFO");
    for (int index = 0; index < j->instrument_count; index++) {
        INSTRUMENT_INFO *ii = &j->instrument_info[index];
        for (int note = 0; note < NOTES_PER_INSTRUMENT; note++)
            ii->note_sample[note] = reader_getc(f);
        read_envelope(f, jgm_volume_envelope(ii));
        read_envelope(f, jgm_pan_envelope(ii));
        ii->fadeout = reader_igetw(f);
    }
    return j;
}

// The mixer plays a looping sample between its loop points, so they must lie
// inside the data; a loop that reaches past it is cut at the sample's end.
static void keep_loop_inside(SAMPLE_INFO *si)
{
    if (!(si->loop_type & (LOOP_FORWARD | LOOP_PINGPONG)))
        return;
    if (si->loop_end < 0 || si->loop_end > si->length)
        si->loop_end = si->length;
    if (si->loop_start < 0 || si->loop_start > si->loop_end)
        si->loop_start = si->loop_end;
}

// Reads the header after the length; false (with the message set) when the
// sample's size cannot be trusted.
static bool read_sample_header(JGMOD_READER *f, SAMPLE_INFO *si, SAMPLE *s)
{
    si->loop_start = reader_igetl(f);
    si->loop_end = reader_igetl(f);
    si->vibrato_type = reader_getc(f);
    si->vibrato_sweep = reader_getc(f);
    si->vibrato_depth = reader_getc(f);
    si->vibrato_rate = reader_getc(f);
    si->volume = reader_getc(f);
    si->pan = reader_getc(f);
    si->transpose = (signed char)reader_getc(f);
    si->tuning = reader_igetw(f);
    s->bits = reader_getc(f);
    si->loop_type = reader_getc(f);
    if (s->bits != 8 && s->bits != 16) {
        if (!report_missing(f, s->bits, "sample bits"))
            jgmod_set_error("Bad JGM stream: %d bits per sample point (8 or 16)", s->bits);
        return false;
    }
    keep_loop_inside(si);
    s->loop_start = si->loop_start;
    s->loop_end = si->loop_end;
    return true;
}

static bool read_sample(JGMOD_READER *f, SAMPLE_INFO *si, SAMPLE *s)
{
    si->length = reader_igetl(f);
    jgmod_init_sample(s, 0, 0);
    if (!check_value(f, si->length, 0, JGM_MAX_SAMPLE_FRAMES, "sample length"))
        return false;
    s->len = si->length;
    if (si->length == 0) {
        s->data = jgmod_calloc(0);
        if (s->data == NULL)
            jgmod_set_error("Unable to allcate enough memory for sample data");
        return s->data != NULL;
    }
    if (!read_sample_header(f, si, s))
        return false;
    long size = (long)si->length * s->bits / 8;
    s->data = jgmod_calloc(size);
    if (s->data == NULL) {
        jgmod_set_error("Unable to allocate enough memory for sample data");
        return false;
    }
    // Data missing at the end of a short stream stays 0.
    reader_read(f, s->data, size);
    return true;
}

static JGMOD *read_samples(JGMOD_READER *f, JGMOD *j)
{
    j->samples = (SAMPLE *)jgmod_calloc((long)sizeof(SAMPLE) * j->sample_count);
    j->sample_info = (SAMPLE_INFO *)jgmod_calloc((long)sizeof(SAMPLE_INFO) * j->sample_count);
    if (j->samples == NULL || j->sample_info == NULL)
        return give_up(j, "Unable to allocate enough memory for SAMPLE or SAMPLE_INFO");
    for (int index = 0; index < j->sample_count; index++) {
        if (!read_sample(f, &j->sample_info[index], &j->samples[index]))
            return give_up(j, NULL);
    }
    return j;
}

static int read_plane_value(JGMOD_READER *f, int plane, int flags)
{
    if (plane == PLANE_PARAMETER)
        return reader_igetw(f);
    if (plane != PLANE_NOTE)
        return reader_getc(f);
    if (flags & XM_MODE)
        return (signed char)reader_getc(f);
    // Period modules store Amiga periods; 0 and the negative markers stay.
    int period = (short)reader_igetw(f);
    return period > 0 ? AMIGA_CLOCK / period : period;
}

static void read_plane(JGMOD_READER *f, PATTERN_INFO *pi, int cells, int plane, int flags)
{
    int cell = 0;
    while (cell < cells) {
        if (f->failed) {
            // Past the end every control byte is EOF, a full run of EOF
            // values: the rest of the plane is -1, without reading it out.
            for (; cell < cells; cell++)
                *jgm_plane_field(&pi->notes[cell], plane) = EOF;
            return;
        }
        int control = reader_getc(f);
        int count = control & JGM_MAX_RUN;
        if (control & JGM_RUN_VALUES) {
            for (int k = 0; k < count; k++) {
                int value = read_plane_value(f, plane, flags);
                // A run past the pattern's last cell is read, so that the
                // stream stays in step, but its extra values are dropped.
                if (cell + k < cells)
                    *jgm_plane_field(&pi->notes[cell + k], plane) = value;
            }
        }
        cell += count;
    }
}

static bool read_pattern(JGMOD_READER *f, JGMOD *j, PATTERN_INFO *pi)
{
    pi->row_count = reader_igetw(f);
    if (!check_value(f, pi->row_count, 0, JGM_MAX_WORD, "row count"))
        return false;
    int cells = pi->row_count * j->channel_count;
    pi->notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * cells);
    if (pi->notes == NULL) {
        jgmod_set_error("Unable to allocate enough memory for NOTE_INFO");
        return false;
    }
    for (int plane = 0; plane < JGM_PLANES; plane++)
        read_plane(f, pi, cells, plane, j->flags);
    return true;
}

static JGMOD *read_patterns(JGMOD_READER *f, JGMOD *j)
{
    j->pattern_info = (PATTERN_INFO *)jgmod_calloc((long)sizeof(PATTERN_INFO) * j->pattern_count);
    if (j->pattern_info == NULL)
        return give_up(j, "Unable to allocate enough memory for PATTERN_INFO");
    for (int index = 0; index < j->pattern_count; index++) {
        if (!read_pattern(f, j, &j->pattern_info[index]))
            return give_up(j, NULL);
    }
    return j;
}

void jgmod_fix_song(JGMOD *j)
{
    j->global_volume = jgmod_clamp(j->global_volume, 0, 64);
    if (j->restart_order < 0 || j->restart_order >= j->order_count)
        j->restart_order = 0;
}

JGMOD *load_jgm_from(JGMOD_READER *f)
{
    JGMOD *j = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    if (j == NULL) {
        jgmod_set_error("Unable to allocate enough memory for JGMOD structure");
        return NULL;
    }
    if (!read_header(f, j))
        return give_up(j, NULL);
    read_pans_and_orders(f, j);
    if (read_instruments(f, j) == NULL || read_samples(f, j) == NULL ||
        read_patterns(f, j) == NULL)
        return NULL;
    jgmod_fix_song(j);
    lock_mod(j);
    return j;
}

// The stream is read into memory first: a datafile object ends where its
// data ends, and a file holds nothing after the stream that matters.
JGMOD *load_jgm(PACKFILE *f)
{
    JGMOD_READER r;
    if (reader_take(&r, f) != 0) {
        jgmod_set_error("Unable to allocate enough memory for JGMOD structure");
        return NULL;
    }
    JGMOD *j = load_jgm_from(&r);
    reader_close(&r);
    return j;
}

void *load_jgm_datafile(PACKFILE *f, long)
{
    return load_jgm(f);
}

int find_jgm(JGMOD_READER *r)
{
    if (r->size < JGM_SIGNATURE_SIZE || memcmp(r->data, JGM_SIGNATURE, JGM_SIGNATURE_SIZE) != 0)
        return -1;
    return 0;
}

int detect_jgm(const char *filename)
{
    return import_detect_file(filename, find_jgm, 1, -1, -1);
}

int get_jgm_info(PACKFILE *f, MODULE_INFO *info)
{
    info->type = JGM_TYPE;
    snprintf(info->type_name, sizeof info->type_name, "JGM");
    jgmod_skip(f, JGM_SIGNATURE_SIZE);
    jgmod_fread(info->name, JGM_INFO_NAME_SIZE, f);
    return 1;
}
