// XM files, plain or from an offset inside an Unreal package. An XM module
// becomes a note-number module: cells hold notes and instruments, and the
// instruments map notes to samples and carry the envelopes. Every structure
// says how long it is, so the reader keeps its own running file position and
// seeks to it rather than trusting that it read exactly that much.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "import.h"

#define XM_TAG "Extended Module: "
#define XM_TAG_BYTES 17
#define XM_MAX_PATTERNS 256      // order entries are bytes: more can never be played
#define XM_MAX_ROWS 256
#define XM_MAX_INSTRUMENTS 255   // a cell names an instrument with one byte
#define XM_SAMPLE_HEADER_BYTES 40
#define XM_INSTRUMENT_FIELD_BYTES 241  // what the reader takes of an instrument header
#define XM_KEY_OFF 97
#define XM_VERSION 0x0104
#define XM_OLDEST_VERSION 0x0102  // one-byte row counts, instruments before patterns

// One sample header, kept until all instruments are read and the sample
// data can be fetched.
struct XMWAV {
    long long length;       // bytes, as in the file
    long long loop_start;   // bytes
    long long loop_length;  // bytes
    int volume;
    int finetune;           // signed
    int type;               // low 5 bits: loop kind (bits 0..1), 16-bit data (bit 4)
    int pan;
    int relative_note;      // signed
    int vibrato_type;       // of the instrument that owns the sample
    int vibrato_sweep;
    int vibrato_depth;
    int vibrato_rate;
    long long data_position;  // where the sample's points start in the file
};

// What one load keeps besides the module it builds.
struct XM_LOAD {
    JGMOD_READER *r;
    int version;             // 0x0102 and 0x0103 keep all sample data after the patterns
    long long position;      // the next structure's place in the file
    int file_channels;       // channels stored in each pattern row
    int file_patterns;       // patterns the file holds
    int file_instruments;    // instruments the file holds
    XMWAV *wav;              // sample headers in file order
    int wav_capacity;
};

int find_xm(JGMOD_READER *r)
{
    return r->size >= XM_TAG_BYTES && memcmp(r->data, XM_TAG, XM_TAG_BYTES) == 0 ? 0 : -1;
}

int detect_xm(const char *filename)
{
    return import_detect_file(filename, find_xm, 1, -1, 0);
}

int get_xm_info(const char *filename, int offset, MODULE_INFO *info)
{
    return import_info_file(filename, offset == 0 ? XM_TYPE : UNREAL_XM_TYPE, offset, info);
}

// The player's command for each XM effect 0..35 (0-9, then A-Z); 0 where
// the player has no such effect. 0 and E are refined below.
static const int xm_commands[36] = {
    CMD_ARPEGGIO,                       // 0: arpeggio
    CMD_XM_PITCH_SLIDE_UP,              // 1: portamento up
    CMD_XM_PITCH_SLIDE_DOWN,            // 2: portamento down
    CMD_TONE_PORTAMENTO,                // 3: tone portamento
    CMD_VIBRATO,                        // 4: vibrato
    CMD_PORTAMENTO_XM_VOLUME_SLIDE,     // 5: tone portamento and volume slide
    CMD_VIBRATO_XM_VOLUME_SLIDE,        // 6: vibrato and volume slide
    CMD_TREMOLO,                        // 7: tremolo
    CMD_SET_PAN,                        // 8: set pan
    CMD_SAMPLE_OFFSET,                  // 9: sample offset
    CMD_XM_VOLUME_SLIDE,                // A: volume slide
    CMD_POSITION_JUMP,                  // B: position jump
    CMD_SET_VOLUME,                     // C: set volume
    CMD_PATTERN_BREAK,                  // D: pattern break
    CMD_EXTENDED,                       // E: extended
    CMD_SPEED_BPM,                      // F: set speed or BPM
    CMD_GLOBAL_VOLUME,                  // G: set global volume
    CMD_GLOBAL_VOLUME_SLIDE,            // H: global volume slide
    0, 0,                               // I, J: none
    CMD_KEY_OFF,                        // K: key off
    CMD_SET_ENVELOPE_POSITION,          // L: set envelope position
    0, 0, 0,                            // M, N, O: none
    CMD_XM_PAN_SLIDE,                   // P: pan slide
    0,                                  // Q: none
    CMD_S3M_RETRIG,                     // R: multi retrigger
    0,                                  // S: none
    CMD_TREMOR,                         // T: tremor
    0, 0, 0,                            // U, V, W: none
    CMD_XM_EXTRA_FINE_PORTAMENTO,       // X: extra-fine portamento
    0, 0,                               // Y, Z: none
};

// E x y: the fine slides get codes of their own above 0xFF; effects the
// player does not have are dropped.
static void convert_xm_extended(int *command, int *parameter)
{
    int low = *parameter & 0x0F;
    switch (*parameter >> 4) {
    case 0x1: *parameter = jgmod_ext_parameter(EXT_XM_FINE_SLIDE_UP, low); break;
    case 0x2: *parameter = jgmod_ext_parameter(EXT_XM_FINE_SLIDE_DOWN, low); break;
    case 0xA: *parameter = jgmod_ext_parameter(EXT_XM_FINE_VOLUME_UP, low); break;
    case 0xB: *parameter = jgmod_ext_parameter(EXT_XM_FINE_VOLUME_DOWN, low); break;
    case 0x0:                                   // filter
    case 0x5:                                   // finetune
    case 0x8:                                   // (unused)
    case 0xF:                                   // (unused)
        *command = 0;
        *parameter = 0;
        break;
    default: break;  // the ProTracker meaning stands
    }
}

void convert_xm_command(int *command, int *parameter)
{
    int effect = *command;
    if (!import_in_range(effect, 0, 35) || (effect != 0 && xm_commands[effect] == 0) ||
        (effect == 0 && *parameter == 0)) {
        *command = 0;
        *parameter = 0;
        return;
    }
    *command = xm_commands[effect];
    if (effect == 14)
        convert_xm_extended(command, parameter);
}

// Bytes of the values that follow a packed cell's first byte.
static int cell_value_bytes(int what)
{
    if (!(what & 0x80))
        return 4;
    int count = 0;
    for (int bit = 0; bit < 5; bit++)
        count += (what >> bit) & 1;
    return count;
}

void load_note_from(JGMOD *module, JGMOD_READER *r, NOTE_INFO *cell)
{
    int what = reader_getc(r);
    if (what == EOF)
        return;
    int present = 0x1F;  // an unpacked cell has all five values
    if (what & 0x80) {
        present = what;
    } else {
        cell->note = what;
        present &= ~1;
    }
    if (present & 1)
        cell->note = import_read_byte(r, 0);
    if (present & 2)
        cell->sample = import_read_byte(r, 0);
    if (present & 4)
        cell->volume = import_read_byte(r, 0);
    if (present & 8)
        cell->command = import_read_byte(r, 0);
    if (present & 16)
        cell->parameter = import_read_byte(r, 0);

    if (cell->sample > module->instrument_count) {
        cell->sample = 0;
        cell->note = 0;
    }
    if (cell->note == XM_KEY_OFF) {
        cell->note = NOTE_KEY_OFF;
    } else if (cell->note > XM_KEY_OFF) {
        cell->note = 0;
        cell->sample = 0;
    }
    convert_xm_command(&cell->command, &cell->parameter);
}

// Takes one cell from a packed file, leaving the file just after it.
void load_note(JGMOD *module, PACKFILE *f, NOTE_INFO *cell)
{
    unsigned char bytes[6];
    int count = 0;
    int what = jgmod_getc(f);
    if (what != EOF) {
        bytes[count++] = (unsigned char)what;
        for (int value = cell_value_bytes(what); value > 0; value--) {
            int c = jgmod_getc(f);
            if (c == EOF)
                break;
            bytes[count++] = (unsigned char)c;
        }
    }
    JGMOD_READER r;
    reader_wrap(&r, bytes, count);
    load_note_from(module, &r, cell);
}

// Every failure of load_xm ends here: the message (none when a step has
// already written it), then nothing left behind.
static JGMOD *xm_fail(XM_LOAD *load, JGMOD *module, const char *message)
{
    if (message != NULL)
        jgmod_set_error("%s", message);
    free(load->wav);
    load->wav = NULL;
    destroy_mod(module);
    return NULL;
}

static long long read_dword(JGMOD_READER *r)
{
    return (long long)(unsigned int)reader_igetl(r);
}

// Returns -1 (with the message) for a layout the reader does not know.
static int read_xm_header(XM_LOAD *load, JGMOD *module, int offset)
{
    JGMOD_READER *r = load->r;
    reader_seek(r, (long long)offset + XM_TAG_BYTES);
    reader_read(r, module->name, 20);
    reader_skip(r, 1 + 20);  // 0x1A, tracker name
    load->version = reader_igetw(r);
    long long header_size = read_dword(r);
    load->position = offset + 60 + header_size;

    module->global_volume = 64;
    // The order table has 256 entries; a longer song cannot be kept.
    module->order_count = (int)import_clamp(reader_igetw(r), 0, MAX_ORDER);
    module->restart_order = import_read_word(r);
    load->file_channels = import_read_word(r);
    load->file_patterns = import_read_word(r);
    load->file_instruments = import_read_word(r);
    int flags = import_read_word(r);
    module->tempo = import_read_word(r);
    module->bpm = import_read_word(r);
    for (int index = 0; index < MAX_ORDER; index++)
        module->order_table[index] = (int)import_clamp(reader_getc(r), 0, 255);

    // The player has 64 channels; cells of further channels are read and dropped.
    module->channel_count = (int)import_clamp(load->file_channels, 0, MAX_ALLEG_VOICE);
    module->pattern_count = (int)import_clamp(load->file_patterns, 0, XM_MAX_PATTERNS);
    module->instrument_count = (int)import_clamp(load->file_instruments, 0, XM_MAX_INSTRUMENTS);
    if (module->tempo == 0)
        module->tempo = 6;
    if (module->bpm == 0)
        module->bpm = 125;
    module->flags = (flags & 1) ? XM_MODE | LINEAR_MODE : XM_MODE | PERIOD_MODE;
    if (!import_in_range(load->version, XM_OLDEST_VERSION, XM_VERSION)) {
        jgmod_set_error("Unsupported XM version %04X", load->version & 0xFFFF);
        return -1;
    }
    return 0;
}

// Orders that name a pattern the file lacks are sent to one extra, empty
// pattern. Returns the number of patterns to build.
static int fix_xm_orders(JGMOD *module)
{
    int patterns = module->pattern_count;
    for (int index = 0; index < module->order_count; index++) {
        if (module->order_table[index] >= module->pattern_count) {
            module->order_table[index] = module->pattern_count;
            patterns = module->pattern_count + 1;
        }
    }
    return patterns;
}

// The cells of one pattern stop where its packed data stops, whatever its
// row and channel counts promise.
static void read_xm_cells(XM_LOAD *load, JGMOD *module, PATTERN_INFO *pattern, JGMOD_READER *packed)
{
    for (int row = 0; row < pattern->row_count; row++) {
        for (int channel = 0; channel < load->file_channels; channel++) {
            if (reader_left(packed) == 0)
                return;
            NOTE_INFO scratch;
            memset(&scratch, 0, sizeof scratch);
            NOTE_INFO *cell = channel < module->channel_count
                                  ? &pattern->notes[row * module->channel_count + channel]
                                  : &scratch;
            load_note_from(module, packed, cell);
        }
    }
}

static int read_xm_pattern(XM_LOAD *load, JGMOD *module, PATTERN_INFO *pattern)
{
    JGMOD_READER *r = load->r;
    reader_seek(r, load->position);
    long long header_length = read_dword(r);
    load->position += header_length;
    reader_getc(r);  // packing type
    int rows = load->version == XM_OLDEST_VERSION ? reader_getc(r) + 1 : import_read_word(r);
    int packed_size = import_read_word(r);
    JGMOD_READER packed = reader_part(r, load->position, packed_size);
    load->position += packed_size;
    if (pattern == NULL)  // beyond what orders can reach: passed over
        return 0;

    pattern->row_count = (int)import_clamp(rows, 0, XM_MAX_ROWS);
    pattern->notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * pattern->row_count * module->channel_count);
    if (pattern->notes == NULL) {
        jgmod_set_error("Unable to allocate enough memroy for NOTE_INFO");
        return -1;
    }
    read_xm_cells(load, module, pattern, &packed);
    return 0;
}

static int read_xm_patterns(XM_LOAD *load, JGMOD *module, int patterns)
{
    for (int index = 0; index < load->file_patterns; index++) {
        PATTERN_INFO *pattern = index < module->pattern_count ? &module->pattern_info[index] : NULL;
        if (read_xm_pattern(load, module, pattern) != 0)
            return -1;
    }
    if (patterns == module->pattern_count + 1) {
        PATTERN_INFO *extra = &module->pattern_info[module->pattern_count];
        module->pattern_count = patterns;
        extra->row_count = 64;
        extra->notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * 64 * module->channel_count);
        if (extra->notes == NULL) {
            jgmod_set_error("Unable to allocate enough memory for NOTE_INFO");
            return -1;
        }
    }
    return 0;
}

static void read_envelope_points(JGMOD_READER *r, int *tick, int *value)
{
    for (int point = 0; point < ENVELOPE_POINTS; point++) {
        tick[point] = import_read_word(r);
        // Points outside 0..64 would drive a volume or pan out of its range.
        value[point] = (int)import_clamp(import_read_word(r), 0, 64);
    }
    tick[0] = 0;
}

// Point indices that name no point would make the envelope read past its
// points; they are pulled to the last point.
static int envelope_point(int index, int points)
{
    return (int)import_clamp(index, 0, points > 0 ? points - 1 : 0);
}

static void fix_envelopes(INSTRUMENT_INFO *instrument)
{
    instrument->volume_env_points = (int)import_clamp(instrument->volume_env_points, 0, ENVELOPE_POINTS);
    instrument->pan_env_points = (int)import_clamp(instrument->pan_env_points, 0, ENVELOPE_POINTS);
    if (instrument->volume_env_points == 0 && (instrument->volume_env_flags & 1)) {
        instrument->volume_env_points = 1;
        instrument->volume_env_tick[0] = 0;
        instrument->volume_env_value[0] = 0;
    }
    int volume_points = instrument->volume_env_points;
    int pan_points = instrument->pan_env_points;
    instrument->volume_env_sustain_start = envelope_point(instrument->volume_env_sustain_start, volume_points);
    instrument->volume_env_sustain_end = envelope_point(instrument->volume_env_sustain_end, volume_points);
    instrument->volume_env_loop_start = envelope_point(instrument->volume_env_loop_start, volume_points);
    instrument->volume_env_loop_end = envelope_point(instrument->volume_env_loop_end, volume_points);
    instrument->pan_env_sustain_start = envelope_point(instrument->pan_env_sustain_start, pan_points);
    instrument->pan_env_sustain_end = envelope_point(instrument->pan_env_sustain_end, pan_points);
    instrument->pan_env_loop_start = envelope_point(instrument->pan_env_loop_start, pan_points);
    instrument->pan_env_loop_end = envelope_point(instrument->pan_env_loop_end, pan_points);
}

// The instrument's fields after the sample-header size: map, envelopes,
// their settings, vibrato and fade-out. `samples` is the instrument's own
// sample count; `first` the module index of its first sample.
static void read_xm_instrument_fields(JGMOD_READER *r, INSTRUMENT_INFO *instrument, int samples, int first,
                                      int vibrato[4])
{
    for (int note = 0; note < NOTES_PER_INSTRUMENT; note++) {
        int map = reader_getc(r);
        // A byte that names none of this instrument's samples plays the blank sample.
        instrument->note_sample[note] = import_in_range(map, 0, samples - 1) ? map + first + 1 : 0;
    }
    read_envelope_points(r, instrument->volume_env_tick, instrument->volume_env_value);
    read_envelope_points(r, instrument->pan_env_tick, instrument->pan_env_value);
    instrument->volume_env_points = reader_getc(r);
    instrument->pan_env_points = reader_getc(r);
    instrument->volume_env_sustain_start = instrument->volume_env_sustain_end = reader_getc(r);
    instrument->volume_env_loop_start = reader_getc(r);
    instrument->volume_env_loop_end = reader_getc(r);
    instrument->pan_env_sustain_start = instrument->pan_env_sustain_end = reader_getc(r);
    instrument->pan_env_loop_start = reader_getc(r);
    instrument->pan_env_loop_end = reader_getc(r);
    instrument->volume_env_flags = (int)import_clamp(reader_getc(r), 0, 255);
    instrument->pan_env_flags = (int)import_clamp(reader_getc(r), 0, 255);
    for (int index = 0; index < 4; index++)
        vibrato[index] = (int)import_clamp(reader_getc(r), 0, 255);
    instrument->fadeout = import_read_word(r);
    fix_envelopes(instrument);
}

static int grow_wav_table(XM_LOAD *load, int needed)
{
    if (needed <= load->wav_capacity)
        return 0;
    int capacity = load->wav_capacity > 0 ? load->wav_capacity : 256;
    while (capacity < needed)
        capacity *= 2;
    XMWAV *wav = (XMWAV *)jgmod_calloc((long)sizeof(XMWAV) * capacity);
    if (wav == NULL)
        return -1;
    if (load->wav != NULL)
        memcpy(wav, load->wav, sizeof(XMWAV) * load->wav_capacity);
    free(load->wav);
    load->wav = wav;
    load->wav_capacity = capacity;
    return 0;
}

static void read_xm_sample_header(JGMOD_READER *r, XMWAV *wav, const int vibrato[4])
{
    wav->length = read_dword(r);
    wav->loop_start = read_dword(r);
    wav->loop_length = read_dword(r);
    wav->volume = (int)import_clamp(reader_getc(r), 0, 64);
    wav->finetune = (signed char)reader_getc(r);
    wav->type = reader_getc(r) & 0x1F;
    wav->pan = (int)import_clamp(reader_getc(r), 0, 255);
    wav->relative_note = (signed char)reader_getc(r);
    reader_skip(r, 1 + 22);  // reserved, name
    wav->vibrato_type = vibrato[0];
    wav->vibrato_sweep = vibrato[1];
    wav->vibrato_depth = vibrato[2];
    wav->vibrato_rate = vibrato[3];
}

// Sample data lies back to back in sample order from `position`; returns
// where the last sample's data ends.
static long long place_xm_sample_data(XM_LOAD *load, int first, int count, long long position)
{
    for (int index = first; index < first + count; index++) {
        load->wav[index].data_position = position;
        position += load->wav[index].length;
    }
    return position;
}

// Reads the sample headers of one instrument; in the current layout its
// sample data follows them, and the next instrument follows that.
static int read_xm_instrument_samples(XM_LOAD *load, JGMOD *module, int samples, const int vibrato[4])
{
    if (grow_wav_table(load, module->sample_count + samples) != 0) {
        jgmod_set_error("Unable to allocate enough memory for XMWAV");
        return -1;
    }
    reader_seek(load->r, load->position);
    for (int index = 0; index < samples; index++)
        read_xm_sample_header(load->r, &load->wav[module->sample_count + index], vibrato);
    load->position += (long long)samples * XM_SAMPLE_HEADER_BYTES;
    if (load->version == XM_VERSION)
        load->position = place_xm_sample_data(load, module->sample_count, samples, load->position);
    module->sample_count += samples;
    return 0;
}

static int read_xm_instrument(XM_LOAD *load, JGMOD *module, INSTRUMENT_INFO *instrument)
{
    JGMOD_READER *r = load->r;
    reader_seek(r, load->position);
    long long header_size = read_dword(r);
    reader_skip(r, 22 + 1);  // name, type
    int samples = import_read_word(r);
    load->position += header_size;
    if (header_size <= 29)
        return 0;
    reader_igetl(r);  // sample header size
    // Sample headers that the file cannot hold are not there.
    long long room = load->position < r->size ? r->size - load->position : 0;
    samples = (int)import_clamp(samples, 0, room / XM_SAMPLE_HEADER_BYTES);
    if (samples <= 0)
        return 0;

    int vibrato[4];
    read_xm_instrument_fields(r, instrument, samples, module->sample_count, vibrato);
    return read_xm_instrument_samples(load, module, samples, vibrato);
}

static int read_xm_instruments(XM_LOAD *load, JGMOD *module)
{
    module->instrument_info =
        (INSTRUMENT_INFO *)jgmod_calloc((long)sizeof(INSTRUMENT_INFO) * module->instrument_count);
    if (module->instrument_info == NULL) {
        jgmod_set_error("Unable to allocate enough memory for INSTRUMENT_INFO");
        return -1;
    }
    if (grow_wav_table(load, 256) != 0) {
        jgmod_set_error("Unable to allocate enough memory for XMWAV");
        return -1;
    }
    module->sample_count = 0;
    for (int index = 0; index < module->instrument_count; index++) {
        if (read_xm_instrument(load, module, &module->instrument_info[index]) != 0)
            return -1;
    }
    return 0;
}

// Delta-coded points: each stored value is the difference to the previous
// one. 16-bit points keep their high byte; the player plays 8-bit points.
static void read_xm_points(JGMOD_READER *r, unsigned char *data, long length, int sixteen_bit)
{
    if (sixteen_bit) {
        unsigned int sum = 0;
        for (long point = 0; point < length; point++) {
            sum = (sum + (unsigned int)import_read_word(r)) & 0xFFFF;
            data[point] = (unsigned char)((sum >> 8) ^ 0x80);
        }
        return;
    }
    reader_read(r, data, length);
    unsigned int sum = 0;
    for (long point = 0; point < length; point++) {
        sum = (sum + data[point]) & 0xFF;
        data[point] = (unsigned char)(sum ^ 0x80);
    }
}

static int read_xm_sample(XM_LOAD *load, JGMOD *module, int index)
{
    const XMWAV *wav = &load->wav[index];
    SAMPLE_INFO *info = &module->sample_info[index];
    SAMPLE *sample = &module->samples[index];
    int sixteen_bit = (wav->type & 0x10) != 0;
    // A length the file cannot hold is cut to what is there.
    reader_seek(load->r, wav->data_position);
    long long length = import_clamp(wav->length, 0, reader_left(load->r));
    long points = (long)(sixteen_bit ? length / 2 : length);
    long long loop_start = import_clamp(wav->loop_start, 0, 0x7FFFFFFF);
    long long loop_end = import_clamp(wav->loop_start + wav->loop_length, 0, 0x7FFFFFFF);

    jgmod_init_sample(sample, 8, points);
    sample->loop_start = (unsigned long)(sixteen_bit ? loop_start / 2 : loop_start);
    sample->loop_end = (unsigned long)(sixteen_bit ? loop_end / 2 : loop_end);
    sample->data = jgmod_calloc(points);
    if (sample->data == NULL) {
        jgmod_set_error("Unble to allocate enough memory for sample data");
        return -1;
    }
    read_xm_points(load->r, (unsigned char *)sample->data, points, sixteen_bit);
    info->length = (int)length;
    info->loop_start = (int)loop_start;
    info->loop_end = (int)loop_end;
    info->tuning = wav->finetune + 128;
    info->transpose = wav->relative_note;
    info->volume = wav->volume;
    info->pan = wav->pan;
    info->loop_type = wav->type & 7;
    info->vibrato_type = wav->vibrato_type;
    info->vibrato_sweep = wav->vibrato_sweep;
    info->vibrato_depth = wav->vibrato_depth;
    info->vibrato_rate = wav->vibrato_rate;
    // A loop that starts after its (cut) end is no loop; nor is an empty
    // loop (length 0), as in the tracker.
    int fits = import_fit_loop(sample);
    if (sample->loop_start > sample->loop_end || (!fits && (info->loop_type & 3))) {
        sample->loop_start = 0;
        info->loop_type = 0;
    }
    return 0;
}

static int read_xm_samples(XM_LOAD *load, JGMOD *module)
{
    // One more than the file has: the blank sample that unmapped notes play.
    module->sample_info = (SAMPLE_INFO *)jgmod_calloc((long)sizeof(SAMPLE_INFO) * (module->sample_count + 1));
    if (module->sample_info == NULL) {
        jgmod_set_error("Unable to allocate enough memory for SAMPLE_INFO");
        return -1;
    }
    module->samples = (SAMPLE *)jgmod_calloc((long)sizeof(SAMPLE) * (module->sample_count + 1));
    if (module->samples == NULL) {
        jgmod_set_error("Unable to allocate enough memory for SAMPLE");
        return -1;
    }
    for (int index = 0; index < module->sample_count; index++) {
        if (read_xm_sample(load, module, index) != 0)
            return -1;
    }
    return 0;
}

// Map entries were stored one above the module index, 0 meaning none;
// "none" now names the blank sample at the end.
static void resolve_sample_maps(JGMOD *module)
{
    for (int index = 0; index < module->instrument_count; index++) {
        int *map = module->instrument_info[index].note_sample;
        for (int note = 0; note < NOTES_PER_INSTRUMENT; note++)
            map[note] = map[note] > 0 ? map[note] - 1 : module->sample_count;
    }
}

static int add_blank_sample(JGMOD *module)
{
    SAMPLE *blank = &module->samples[module->sample_count];
    jgmod_init_sample(blank, 8, 0);
    blank->data = jgmod_calloc(1);
    module->sample_count++;
    if (blank->data == NULL) {
        jgmod_set_error("Unable to allocate enough memory for sample data");
        return -1;
    }
    return 0;
}

// The current layout keeps patterns, then each instrument with its sample
// data; the older one keeps the instruments, the patterns, then the data of
// every sample.
static int read_xm_body(XM_LOAD *load, JGMOD *module, int patterns)
{
    module->pattern_info = (PATTERN_INFO *)jgmod_calloc((long)sizeof(PATTERN_INFO) * patterns);
    if (module->pattern_info == NULL) {
        jgmod_set_error("Unable to allocate enough memory for PATTERN_INFO");
        return -1;
    }
    if (load->version == XM_VERSION)
        return read_xm_patterns(load, module, patterns) != 0 || read_xm_instruments(load, module) != 0 ? -1 : 0;
    if (read_xm_instruments(load, module) != 0 || read_xm_patterns(load, module, patterns) != 0)
        return -1;
    place_xm_sample_data(load, 0, module->sample_count, load->position);
    return 0;
}

JGMOD *load_xm_from(JGMOD_READER *r, int offset)
{
    XM_LOAD load;
    memset(&load, 0, sizeof load);
    load.r = r;
    JGMOD *module = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    if (module == NULL)
        return xm_fail(&load, NULL, "Unable to allocate enough memory for JGMOD structure");
    if (read_xm_header(&load, module, offset) != 0)
        return xm_fail(&load, module, NULL);
    int patterns = fix_xm_orders(module);
    if (read_xm_body(&load, module, patterns) != 0 || read_xm_samples(&load, module) != 0)
        return xm_fail(&load, module, NULL);
    resolve_sample_maps(module);
    if (add_blank_sample(module) != 0)
        return xm_fail(&load, module, NULL);

    free(load.wav);
    jgmod_fix_song(module);
    lock_mod(module);
    return module;
}

JGMOD *load_xm(const char *filename, int offset)
{
    return import_load_file(filename, offset, load_xm_from, 1);
}
