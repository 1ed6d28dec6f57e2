// S3M files, plain or from an offset inside an Unreal package. Everything in
// an S3M file is found through parapointers (offsets / 16 from the start of
// the S3M data), so the reader jumps around the file rather than streaming it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "import.h"

#define S3M_ROWS 64
#define S3M_CHANNELS 32
#define S3M_HEADER_BYTES 96        // orders follow it
#define S3M_COUNTS_END 38          // where the header's three counts end
#define S3M_DEFAULT_PAN_MARK 252   // a pan table follows the parapointers
#define S3M_ORDER_SKIP 254         // order markers dropped by compaction
#define S3M_ORDER_END 255

unsigned char chn_set[S3M_CHANNELS];
signed char remap[S3M_CHANNELS];

// What one load keeps besides the module it builds.
struct S3M_LOAD {
    JGMOD_READER *r;
    long long start;            // where the S3M data starts in the file
    long long data_budget;      // sample bytes the file can still give
    int file_patterns;          // patterns the file holds
    int *parapointers;          // bytes from start: sample headers, then patterns
    int signed_data;            // sample-format word 1: points are signed
    int default_pan;            // S3M_DEFAULT_PAN_MARK when a pan table exists
    unsigned char pan_table[S3M_CHANNELS];
};

int find_s3m(JGMOD_READER *r)
{
    return r->size >= S3M_TAG_OFFSET + 4 && memcmp(r->data + S3M_TAG_OFFSET, "SCRM", 4) == 0 ? 0 : -1;
}

int detect_s3m(const char *filename)
{
    return import_detect_file(filename, find_s3m, 1, -1, 0);
}

int get_s3m_info(const char *filename, int offset, MODULE_INFO *info)
{
    return import_info_file(filename, offset == 0 ? S3M_TYPE : UNREAL_S3M_TYPE, offset, info);
}

void convert_s3m_pitch(int *note)
{
    int value = *note;
    if (value == 254) {
        *note = NOTE_CUT;
        return;
    }
    // Semitones 12..15 are empty; so is the blank note 255 and anything
    // that is not a note byte at all.
    if (!import_in_range(value, 0, 253) || value % 16 > 11) {
        *note = 0;
        return;
    }
    int period = noteperiod[value % 16] >> (value / 16);
    *note = period != 0 ? AMIGA_CLOCK / period : 0;
}

// The player's command for each S3M effect letter A (1) .. Z (26); 0 where
// the player has no such effect. S (19) is refined by its high nibble below.
static const int s3m_commands[27] = {
    0,                                  // (none)
    CMD_SET_TEMPO,                      // A: set speed
    CMD_POSITION_JUMP,                  // B: jump to order
    CMD_PATTERN_BREAK,                  // C: pattern break
    CMD_S3M_VOLUME_SLIDE,               // D: volume slide
    CMD_S3M_PORTAMENTO_DOWN,            // E: portamento down
    CMD_S3M_PORTAMENTO_UP,              // F: portamento up
    CMD_TONE_PORTAMENTO,                // G: tone portamento
    CMD_VIBRATO,                        // H: vibrato
    CMD_TREMOR,                         // I: tremor
    CMD_S3M_ARPEGGIO,                   // J: arpeggio
    CMD_VIBRATO_S3M_VOLUME_SLIDE,       // K: vibrato and volume slide
    CMD_PORTAMENTO_S3M_VOLUME_SLIDE,    // L: tone portamento and volume slide
    0,                                  // M: channel volume, not played
    0,                                  // N: channel volume slide, not played
    CMD_SAMPLE_OFFSET,                  // O: sample offset
    0,                                  // P: pan slide, not played
    CMD_S3M_RETRIG,                     // Q: retrigger and volume slide
    CMD_S3M_TREMOLO,                    // R: tremolo
    CMD_EXTENDED,                       // S: special
    CMD_SET_BPM,                        // T: set tempo
    CMD_FINE_VIBRATO,                   // U: fine vibrato
    CMD_GLOBAL_VOLUME,                  // V: set global volume
    0,                                  // W: global volume slide, not played
    CMD_S3M_PANNING,                    // X: set pan
    0,                                  // Y: panbrello, not played
    0,                                  // Z: filter, not played
};

// S specials become ProTracker extended commands (0x0E, high nibble = kind).
static void convert_s3m_special(int *command, int *parameter)
{
    int low = *parameter & 0x0F;
    switch (*parameter >> 4) {
    case 0x1: *parameter = jgmod_ext_parameter(EXT_GLISSANDO, low); break;
    case 0x2: *parameter = jgmod_ext_parameter(EXT_FINETUNE, low); break;
    case 0x3: *parameter = jgmod_ext_parameter(EXT_VIBRATO_WAVE, low); break;
    case 0x4: *parameter = jgmod_ext_parameter(EXT_TREMOLO_WAVE, low); break;
    case 0x8: break;                            // pan, already 0x80 + y
    case 0xA: *parameter = jgmod_ext_parameter(EXT_SWAPPED_PAN, low); break;
    case 0xB: *parameter = jgmod_ext_parameter(EXT_PATTERN_LOOP, low); break;
    case 0xC:                                   // note cut
    case 0xD:                                   // note delay
    case 0xE: break;                            // pattern delay
    default:
        *command = 0;
        *parameter = 0;
    }
}

void convert_s3m_command(int *command, int *parameter)
{
    if (!import_in_range(*command, 1, 26) || s3m_commands[*command] == 0) {
        *command = 0;
        *parameter = 0;
        return;
    }
    int letter = *command;
    *command = s3m_commands[letter];
    if (letter == 19)
        convert_s3m_special(command, parameter);
}

// Bytes of the values that follow a cell's first byte.
static int cell_value_bytes(int what)
{
    return ((what & 0x20) ? 2 : 0) + ((what & 0x40) ? 1 : 0) + ((what & 0x80) ? 2 : 0);
}

// Marks in remap the channels one packed pattern uses.
static void scan_s3m_channels(JGMOD_READER *pattern)
{
    int row = 0;
    while (row < S3M_ROWS) {
        int what = reader_getc(pattern);
        if (what == EOF)
            return;
        if (what == 0) {
            row++;
            continue;
        }
        int channel = what & 31;
        if (chn_set[channel] <= 31)
            remap[channel] = 0;
        reader_skip(pattern, cell_value_bytes(what));
    }
}

static void load_s3m_cells(JGMOD_READER *pattern, JGMOD *module, NOTE_INFO *cells, int channel_count)
{
    int row = 0;
    while (row < S3M_ROWS) {
        int what = reader_getc(pattern);
        if (what == EOF)  // a pattern cut short keeps what it had
            return;
        if (what == 0) {
            row++;
            continue;
        }
        NOTE_INFO scratch;  // cells of channels without a module channel are dropped
        int channel = remap[what & 31];
        NOTE_INFO *cell = import_in_range(channel, 0, channel_count - 1) ? &cells[row * channel_count + channel]
                                                                         : &scratch;
        if (what & 0x20) {
            cell->note = import_read_byte(pattern, 255);
            cell->sample = import_read_byte(pattern, 0);
            convert_s3m_pitch(&cell->note);
            if (cell->sample > module->sample_count)
                cell->sample = 0;
        }
        if (what & 0x40) {
            // Volumes above 64 are clamped, as the tracker does, so that the
            // cell stays a plain set-volume code rather than a command.
            cell->volume = (int)import_clamp(import_read_byte(pattern, 0), 0, 64) + 16;
        }
        if (what & 0x80) {
            cell->command = import_read_byte(pattern, 0);
            cell->parameter = import_read_byte(pattern, 0);
            convert_s3m_command(&cell->command, &cell->parameter);
        }
    }
}

// Takes one packed pattern from a packed file byte by byte, so that the
// file is left just after it; the caller frees the bytes.
static unsigned char *take_s3m_pattern(PACKFILE *f, JGMOD_READER *pattern)
{
    size_t size = 0, capacity = 256;
    unsigned char *bytes = (unsigned char *)malloc(capacity);
    int rows = 0, values = 0;
    while (bytes != NULL && rows < S3M_ROWS) {
        int c = jgmod_getc(f);
        if (c == EOF)
            break;
        if (size == capacity) {
            unsigned char *bigger = (unsigned char *)realloc(bytes, capacity *= 2);
            if (bigger == NULL)
                break;
            bytes = bigger;
        }
        bytes[size++] = (unsigned char)c;
        if (values > 0)
            values--;
        else if (c == 0)
            rows++;
        else
            values = cell_value_bytes(c);
    }
    reader_wrap(pattern, bytes, (long long)size);
    return bytes;
}

int S3M_get_num_chn(PACKFILE *f)
{
    JGMOD_READER pattern;
    unsigned char *bytes = take_s3m_pattern(f, &pattern);
    scan_s3m_channels(&pattern);
    free(bytes);
    return 0;
}

int S3M_load_pat(PACKFILE *f, JGMOD *module, NOTE_INFO *cells, int channel_count)
{
    JGMOD_READER pattern;
    unsigned char *bytes = take_s3m_pattern(f, &pattern);
    load_s3m_cells(&pattern, module, cells, channel_count);
    free(bytes);
    return 0;
}

// Every failure of load_s3m ends here: the message (none when a step has
// already written it), then nothing left behind.
static JGMOD *s3m_fail(S3M_LOAD *load, JGMOD *module, const char *message)
{
    if (message != NULL)
        jgmod_set_error("%s", message);
    free(load->parapointers);
    load->parapointers = NULL;
    destroy_mod(module);
    return NULL;
}

// Goes to a position within the S3M data.
static void s3m_seek(S3M_LOAD *load, long long position)
{
    reader_seek(load->r, load->start + position);
}

static void read_s3m_header(S3M_LOAD *load, JGMOD *module, int *order_bytes)
{
    JGMOD_READER *r = load->r;
    reader_seek(r, load->start);
    reader_read(r, module->name, 28);
    reader_skip(r, 4);
    *order_bytes = import_read_word(r);
    module->sample_count = import_read_word(r);
    load->file_patterns = import_read_word(r);
    // Each sample and pattern has a 2-byte parapointer after the header and
    // the orders; entries the file has no room for are not there.
    long long room = (reader_left(r) - (S3M_HEADER_BYTES - S3M_COUNTS_END) - *order_bytes) / 2;
    module->sample_count = (int)import_clamp(module->sample_count, 0, room > 0 ? room : 0);
    load->file_patterns = (int)import_clamp(load->file_patterns, 0, room > module->sample_count ? room - module->sample_count : 0);
}

static void read_s3m_settings(S3M_LOAD *load, JGMOD *module)
{
    JGMOD_READER *f = load->r;
    reader_igetw(f);  // flags
    reader_igetw(f);  // tracker version
    load->signed_data = reader_igetw(f) == 1;
    reader_skip(f, 4);  // "SCRM", checked by the detectors
    module->global_volume = (int)import_clamp(reader_getc(f), 0, 64);
    module->tempo = reader_getc(f);
    module->bpm = reader_getc(f);
    reader_getc(f);  // master volume
    reader_getc(f);  // click removal
    load->default_pan = reader_getc(f);
    reader_skip(f, 10);
    for (int channel = 0; channel < S3M_CHANNELS; channel++)
        chn_set[channel] = (unsigned char)reader_getc(f);
    if (module->tempo <= 0)
        module->tempo = 6;
    if (module->bpm <= 0)
        module->bpm = 125;
}

// The markers 254 and 255 are dropped as the orders are read; the order
// table keeps at most 256 of the entries that remain.
static void read_s3m_orders(JGMOD_READER *f, JGMOD *module, int order_bytes)
{
    module->order_count = 0;
    for (int index = 0; index < order_bytes; index++) {
        int pattern = reader_getc(f);
        if (import_in_range(pattern, 0, S3M_ORDER_SKIP - 1) && module->order_count < MAX_ORDER)
            module->order_table[module->order_count++] = pattern;
    }
}

static int read_s3m_parapointers(S3M_LOAD *load, JGMOD *module)
{
    int count = module->sample_count + load->file_patterns;
    load->parapointers = (int *)jgmod_calloc((long)sizeof(int) * count);
    if (load->parapointers == NULL) {
        jgmod_set_error("Unable to allocate enough memory for parapointer");
        return -1;
    }
    for (int index = 0; index < count; index++)
        load->parapointers[index] = import_read_word(load->r) * 16;
    if (load->default_pan == S3M_DEFAULT_PAN_MARK)
        reader_read(load->r, load->pan_table, S3M_CHANNELS);
    return 0;
}

// Reads the sample points at the current position: 8-bit as they are, or
// the high byte of each 16-bit point; the player keeps unsigned 8-bit points.
static void read_s3m_points(S3M_LOAD *load, unsigned char *data, int length, int sixteen_bit)
{
    if (sixteen_bit) {
        for (int point = 0; point < length; point++)
            data[point] = (unsigned char)(import_read_word(load->r) >> 8);
    } else {
        reader_read(load->r, data, length);
    }
    if (load->signed_data) {
        for (int point = 0; point < length; point++)
            data[point] ^= 0x80;
    }
}

// The header of a digital sample, from its type byte on.
static int read_s3m_sample(S3M_LOAD *load, JGMOD *module, int index)
{
    SAMPLE_INFO *info = &module->sample_info[index];
    SAMPLE *sample = &module->samples[index];
    JGMOD_READER *r = load->r;
    reader_skip(r, 12);  // file name
    int high = reader_getc(r);
    int low = reader_getc(r);
    int middle = reader_getc(r);
    long long data_position = ((long long)(high & 0xFF) * 65536 + (middle & 0xFF) * 256 + (low & 0xFF)) * 16;
    long long length = import_clamp(reader_igetl(r), 0, 0x7FFFFFFF);
    info->loop_start = (int)import_clamp(reader_igetl(r), 0, 0x7FFFFFFF);
    info->loop_end = (int)import_clamp(reader_igetl(r), 0, 0x7FFFFFFF);
    info->volume = (int)import_clamp(reader_getc(r), 0, 64);
    info->transpose = 0;
    reader_skip(r, 2);
    int flags = reader_getc(r);
    info->tuning = reader_igetl(r) & 0xFFFF;
    reader_skip(r, 12 + 28);
    char tag[4] = {0, 0, 0, 0};
    reader_read(r, tag, 4);

    int width = (flags & 4) ? 2 : 1;
    int has_data = memcmp(tag, "SCRS", 4) == 0;
    if (has_data) {
        // A length the file cannot hold is cut to what is there; and since
        // many headers may name the same data, all samples together get no
        // more than the file holds.
        s3m_seek(load, data_position);
        long long points = import_clamp(length, 0, reader_left(r) / width);
        info->length = (int)import_clamp(points, 0, load->data_budget);
        load->data_budget -= info->length;
        info->loop_type = flags & 1;
    } else {
        // No data to play: the sample keeps no length or loop that would
        // send the mixer into a block that does not exist.
        info->length = info->loop_start = info->loop_end = 0;
    }
    jgmod_init_sample(sample, has_data ? 8 : 0, info->length);
    sample->freq = info->tuning;
    sample->loop_start = info->loop_start;
    sample->loop_end = info->loop_end;
    if (info->loop_type && !import_fit_loop(sample))
        info->loop_type = 0;
    sample->data = jgmod_calloc(info->length);
    if (sample->data == NULL) {
        jgmod_set_error("Unable to allocate enough memory for data sample");
        return -1;
    }
    if (has_data)
        read_s3m_points(load, (unsigned char *)sample->data, info->length, width == 2);
    return 0;
}

static int read_s3m_samples(S3M_LOAD *load, JGMOD *module)
{
    for (int index = 0; index < module->sample_count; index++) {
        s3m_seek(load, load->parapointers[index]);
        if (reader_getc(load->r) != 1) {
            // Not a digital sample (empty or AdLib): nothing to play.
            module->samples[index].data = jgmod_calloc(0);
            if (module->samples[index].data == NULL) {
                jgmod_set_error("Unable to allocate enough memory for data sample");
                return -1;
            }
            continue;
        }
        if (read_s3m_sample(load, module, index) != 0)
            return -1;
    }
    return 0;
}

// Parapointer of a file pattern; 0 means the pattern is empty in the file.
static int pattern_parapointer(const S3M_LOAD *load, const JGMOD *module, int pattern)
{
    return load->parapointers[module->sample_count + pattern];
}

// The packed data of a file pattern: as long as its length word says, and
// no longer than the file.
static JGMOD_READER s3m_pattern_data(S3M_LOAD *load, int parapointer)
{
    s3m_seek(load, parapointer);
    int packed_length = import_read_word(load->r);
    return reader_part(load->r, load->start + parapointer + 2, packed_length);
}

static int compare_ints(const void *a, const void *b)
{
    return *(const int *)a - *(const int *)b;
}

// Each packed pattern is scanned once, however many patterns point at it.
static int scan_s3m_patterns(S3M_LOAD *load, JGMOD *module)
{
    int count = load->file_patterns;
    int *pointers = (int *)jgmod_calloc((long)sizeof(int) * count);
    if (pointers == NULL) {
        jgmod_set_error("Unable to allocate enough memory for parapointer");
        return -1;
    }
    memcpy(pointers, &load->parapointers[module->sample_count], sizeof(int) * count);
    qsort(pointers, count, sizeof(int), compare_ints);
    for (int index = 0; index < count; index++) {
        if (pointers[index] == 0 || (index > 0 && pointers[index] == pointers[index - 1]))
            continue;
        JGMOD_READER pattern = s3m_pattern_data(load, pointers[index]);
        scan_s3m_channels(&pattern);
    }
    free(pointers);
    return 0;
}

static int build_s3m_channel_map(S3M_LOAD *load, JGMOD *module)
{
    module->channel_count = 0;
    memset(remap, -1, sizeof remap);
    if (fast_loading == -1) {
        for (int channel = 0; channel < S3M_CHANNELS; channel++) {
            if (chn_set[channel] <= 31)
                remap[channel] = 0;
        }
    } else if (scan_s3m_patterns(load, module) != 0) {
        return -1;
    }
    for (int channel = 0; channel < S3M_CHANNELS; channel++) {
        if (remap[channel] == 0)
            remap[channel] = (signed char)module->channel_count++;
    }
    return 0;
}

static void set_s3m_pans(const S3M_LOAD *load, JGMOD *module)
{
    for (int channel = 0; channel < S3M_CHANNELS; channel++) {
        if (chn_set[channel] > 15 || remap[channel] < 0)
            continue;
        int *pan = &module->channel_pan[(int)remap[channel]];
        *pan = chn_set[channel] <= 7 ? 64 : 192;
        if (load->default_pan == S3M_DEFAULT_PAN_MARK && (load->pan_table[channel] & 0x20))
            *pan = (load->pan_table[channel] & 15) * 17;
    }
}

static int alloc_s3m_patterns(JGMOD *module)
{
    module->pattern_count = get_mod_no_pat(module->order_table, module->order_count);
    return import_alloc_patterns(module, S3M_ROWS);
}

// Patterns the orders reach but the file lacks stay empty; patterns of the
// file that no order reaches are not read; a pattern that points where an
// earlier one does is a copy of it.
static void read_s3m_patterns(S3M_LOAD *load, JGMOD *module)
{
    size_t pattern_bytes = sizeof(NOTE_INFO) * S3M_ROWS * module->channel_count;
    for (int index = 0; index < module->pattern_count && index < load->file_patterns; index++) {
        int parapointer = pattern_parapointer(load, module, index);
        if (parapointer == 0)
            continue;
        int earlier = 0;
        while (earlier < index && pattern_parapointer(load, module, earlier) != parapointer)
            earlier++;
        if (earlier < index) {
            memcpy(module->pattern_info[index].notes, module->pattern_info[earlier].notes, pattern_bytes);
            continue;
        }
        JGMOD_READER pattern = s3m_pattern_data(load, parapointer);
        load_s3m_cells(&pattern, module, module->pattern_info[index].notes, module->channel_count);
    }
}

JGMOD *load_s3m_from(JGMOD_READER *r, int offset)
{
    S3M_LOAD load;
    memset(&load, 0, sizeof load);
    load.r = r;
    load.start = offset;
    load.data_budget = r->size;
    JGMOD *module = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    if (module == NULL)
        return s3m_fail(&load, NULL, "Unable to allocate enough memory for JGMOD structure");

    int order_bytes = 0;
    read_s3m_header(&load, module, &order_bytes);
    module->sample_info = (SAMPLE_INFO *)jgmod_calloc((long)sizeof(SAMPLE_INFO) * module->sample_count);
    module->samples = (SAMPLE *)jgmod_calloc((long)sizeof(SAMPLE) * module->sample_count);
    if (module->sample_info == NULL || module->samples == NULL)
        return s3m_fail(&load, module, "Unable to allocate enough memory for SAMPLE or SAMPLE_INFO");
    read_s3m_settings(&load, module);
    read_s3m_orders(r, module, order_bytes);
    if (read_s3m_parapointers(&load, module) != 0 || read_s3m_samples(&load, module) != 0 ||
        build_s3m_channel_map(&load, module) != 0)
        return s3m_fail(&load, module, NULL);
    set_s3m_pans(&load, module);
    if (alloc_s3m_patterns(module) != 0)
        return s3m_fail(&load, module, NULL);
    read_s3m_patterns(&load, module);

    free(load.parapointers);
    jgmod_fix_song(module);
    lock_mod(module);
    return module;
}

JGMOD *load_s3m(const char *filename, int offset)
{
    return import_load_file(filename, offset, load_s3m_from, 1);
}
