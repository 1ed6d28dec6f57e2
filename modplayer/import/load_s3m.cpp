// S3M files, plain or from an offset inside an Unreal package. Everything in
// an S3M file is found through parapointers (offsets / 16 from the start of
// the S3M data), so the reader jumps around the file rather than streaming it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "import.h"

#define S3M_ROWS 64
#define S3M_CHANNELS 32
#define S3M_HEADER_BYTES 96
#define S3M_DEFAULT_PAN_MARK 252   // a pan table follows the parapointers
#define S3M_ORDER_SKIP 254         // order markers dropped by compaction
#define S3M_ORDER_END 255

unsigned char chn_set[S3M_CHANNELS];
signed char remap[S3M_CHANNELS];

// What one load keeps besides the module it builds.
struct S3M_LOAD {
    PACKFILE *f;
    const char *filename;
    long long start;            // where the S3M data starts in the file
    long long file_size;
    int file_patterns;          // patterns the file holds
    int *parapointers;          // bytes from start: sample headers, then patterns
    int signed_data;            // sample-format word 1: points are signed
    int default_pan;            // S3M_DEFAULT_PAN_MARK when a pan table exists
    unsigned char pan_table[S3M_CHANNELS];
};

int detect_s3m(const char *filename)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return 0;
    char tag[4] = {0, 0, 0, 0};
    jgmod_skip(f, 44);
    jgmod_fread(tag, 4, f);
    jgmod_fclose(f);
    return memcmp(tag, "SCRM", 4) == 0 ? 1 : -1;
}

int get_s3m_info(const char *filename, int offset, MODULE_INFO *info)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL) {
        import_error("Unable to open %s", filename);
        return -1;
    }
    if (offset == 0) {
        info->type = S3M_TYPE;
        sprintf(info->type_name, "S3M");
    } else {
        info->type = UNREAL_S3M_TYPE;
        sprintf(info->type_name, "Unreal S3M (UMX)");
        jgmod_skip(f, offset);
    }
    jgmod_fread(info->name, 28, f);
    jgmod_fclose(f);
    return 1;
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
    *note = period != 0 ? 3579546 / period : 0;
}

// The player's command for each S3M effect letter A (1) .. Z (26); 0 where
// the player has no such effect. S (19) is refined by its high nibble below.
static const int s3m_commands[27] = {
    0,     // (none)
    0x10,  // A: set speed
    0x0B,  // B: jump to order
    0x0D,  // C: pattern break
    0x11,  // D: volume slide
    0x12,  // E: portamento down
    0x13,  // F: portamento up
    0x03,  // G: tone portamento
    0x04,  // H: vibrato
    0x14,  // I: tremor
    0x15,  // J: arpeggio
    0x16,  // K: vibrato and volume slide
    0x17,  // L: tone portamento and volume slide
    0,     // M: channel volume, not played
    0,     // N: channel volume slide, not played
    0x09,  // O: sample offset
    0,     // P: pan slide, not played
    0x18,  // Q: retrigger and volume slide
    0x19,  // R: tremolo
    0x0E,  // S: special
    0x1A,  // T: set tempo
    0x1B,  // U: fine vibrato
    0x1C,  // V: set global volume
    0,     // W: global volume slide, not played
    0x1D,  // X: set pan
    0,     // Y: panbrello, not played
    0,     // Z: filter, not played
};

// S specials become ProTracker extended commands (0x0E, high nibble = kind).
static void convert_s3m_special(int *command, int *parameter)
{
    int low = *parameter & 0x0F;
    switch (*parameter >> 4) {
    case 0x1: *parameter = 0x30 + low; break;   // glissando
    case 0x2: *parameter = 0x50 + low; break;   // finetune
    case 0x3: *parameter = 0x40 + low; break;   // vibrato waveform
    case 0x4: *parameter = 0x70 + low; break;   // tremolo waveform
    case 0x8: break;                            // pan, already 0x80 + y
    case 0xA: *parameter = 0x100 + low; break;  // stereo control
    case 0xB: *parameter = 0x60 + low; break;   // pattern loop
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

// A value byte of a packed cell; a file that ends mid-cell gives `missing`.
static int read_cell_byte(PACKFILE *f, int missing)
{
    int value = jgmod_getc(f);
    return value == EOF ? missing : value;
}

int S3M_get_num_chn(PACKFILE *f)
{
    int row = 0;
    while (row < S3M_ROWS) {
        int what = jgmod_getc(f);
        if (what == EOF)
            return 0;
        if (what == 0) {
            row++;
            continue;
        }
        int channel = what & 31;
        if (chn_set[channel] <= 31)
            remap[channel] = 0;
        jgmod_skip(f, ((what & 0x20) ? 2 : 0) + ((what & 0x40) ? 1 : 0) + ((what & 0x80) ? 2 : 0));
    }
    return 0;
}

int S3M_load_pat(PACKFILE *f, JGMOD *module, NOTE_INFO *cells, int channel_count)
{
    int row = 0;
    while (row < S3M_ROWS) {
        int what = jgmod_getc(f);
        if (what == EOF)  // a pattern cut short keeps what it had
            return 0;
        if (what == 0) {
            row++;
            continue;
        }
        NOTE_INFO scratch;  // cells of channels without a module channel are dropped
        int channel = remap[what & 31];
        NOTE_INFO *cell = import_in_range(channel, 0, channel_count - 1) ? &cells[row * channel_count + channel]
                                                                         : &scratch;
        if (what & 0x20) {
            cell->note = read_cell_byte(f, 255);
            cell->sample = read_cell_byte(f, 0);
            convert_s3m_pitch(&cell->note);
            if (cell->sample > module->sample_count)
                cell->sample = 0;
        }
        if (what & 0x40) {
            // Volumes above 64 are clamped, as the tracker does, so that the
            // cell stays a plain set-volume code rather than a command.
            cell->volume = (int)import_clamp(read_cell_byte(f, 0), 0, 64) + 16;
        }
        if (what & 0x80) {
            cell->command = read_cell_byte(f, 0);
            cell->parameter = read_cell_byte(f, 0);
            convert_s3m_command(&cell->command, &cell->parameter);
        }
    }
    return 0;
}

// Every failure of load_s3m ends here: the message (none when a step has
// already written it), then nothing left behind.
static JGMOD *s3m_fail(S3M_LOAD *load, JGMOD *module, const char *message)
{
    if (message != NULL)
        import_error("%s", message);
    free(load->parapointers);
    load->parapointers = NULL;
    destroy_mod(module);
    if (load->f != NULL)
        jgmod_fclose(load->f);
    load->f = NULL;
    return NULL;
}

// A file that ends early reads as -1; counts from it become 0.
static int read_count(PACKFILE *f)
{
    return (int)import_clamp(jgmod_igetw(f), 0, 0xFFFF);
}

// Goes to a position within the S3M data (the file is reopened).
static int s3m_seek(S3M_LOAD *load, long long position)
{
    if (import_seek(&load->f, load->filename, load->start + position, load->file_size) != 0) {
        import_error("Unable to open %s", load->filename);
        return -1;
    }
    return 0;
}

static void read_s3m_header(S3M_LOAD *load, JGMOD *module, int *order_bytes)
{
    PACKFILE *f = load->f;
    jgmod_skip(f, (int)load->start);
    jgmod_fread(module->name, 28, f);
    jgmod_skip(f, 4);
    *order_bytes = read_count(f);
    module->sample_count = read_count(f);
    load->file_patterns = read_count(f);
}

static void read_s3m_settings(S3M_LOAD *load, JGMOD *module)
{
    PACKFILE *f = load->f;
    jgmod_igetw(f);  // flags
    jgmod_igetw(f);  // tracker version
    load->signed_data = jgmod_igetw(f) == 1;
    jgmod_skip(f, 4);  // "SCRM", checked by the detectors
    module->global_volume = (int)import_clamp(jgmod_getc(f), 0, 64);
    module->tempo = jgmod_getc(f);
    module->bpm = jgmod_getc(f);
    jgmod_getc(f);  // master volume
    jgmod_getc(f);  // click removal
    load->default_pan = jgmod_getc(f);
    jgmod_skip(f, 10);
    for (int channel = 0; channel < S3M_CHANNELS; channel++)
        chn_set[channel] = (unsigned char)jgmod_getc(f);
    if (module->tempo <= 0)
        module->tempo = 6;
    if (module->bpm <= 0)
        module->bpm = 125;
}

// The markers 254 and 255 are dropped as the orders are read; the order
// table keeps at most 256 of the entries that remain.
static void read_s3m_orders(PACKFILE *f, JGMOD *module, int order_bytes)
{
    module->order_count = 0;
    for (int index = 0; index < order_bytes; index++) {
        int pattern = jgmod_getc(f);
        if (import_in_range(pattern, 0, S3M_ORDER_SKIP - 1) && module->order_count < MAX_ORDER)
            module->order_table[module->order_count++] = pattern;
    }
}

static int read_s3m_parapointers(S3M_LOAD *load, JGMOD *module)
{
    int count = module->sample_count + load->file_patterns;
    load->parapointers = (int *)jgmod_calloc((long)sizeof(int) * count);
    if (load->parapointers == NULL) {
        import_error("Unable to allocate enough memory for parapointer");
        return -1;
    }
    for (int index = 0; index < count; index++)
        load->parapointers[index] = read_count(load->f) * 16;
    if (load->default_pan == S3M_DEFAULT_PAN_MARK)
        jgmod_fread(load->pan_table, S3M_CHANNELS, load->f);
    return 0;
}

// Reads the sample points at the current position: 8-bit as they are, or
// the high byte of each 16-bit point; the player keeps unsigned 8-bit points.
static void read_s3m_points(S3M_LOAD *load, unsigned char *data, int length, int sixteen_bit)
{
    if (sixteen_bit) {
        for (int point = 0; point < length; point++)
            data[point] = (unsigned char)(read_count(load->f) >> 8);
    } else {
        jgmod_fread(data, length, load->f);
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
    PACKFILE *f = load->f;
    jgmod_skip(f, 12);  // file name
    int high = jgmod_getc(f);
    int low = jgmod_getc(f);
    int middle = jgmod_getc(f);
    long long data_position = ((long long)(high & 0xFF) * 65536 + (middle & 0xFF) * 256 + (low & 0xFF)) * 16;
    long long length = import_clamp(jgmod_igetl(f), 0, 0x7FFFFFFF);
    info->loop_start = (int)import_clamp(jgmod_igetl(f), 0, 0x7FFFFFFF);
    info->loop_end = (int)import_clamp(jgmod_igetl(f), 0, 0x7FFFFFFF);
    info->volume = (int)import_clamp(jgmod_getc(f), 0, 64);
    info->transpose = 0;
    jgmod_getc(f);
    jgmod_getc(f);
    int flags = jgmod_getc(f);
    info->tuning = jgmod_igetl(f) & 0xFFFF;
    jgmod_skip(f, 12 + 28);
    char tag[4] = {0, 0, 0, 0};
    jgmod_fread(tag, 4, f);

    int sixteen_bit = (flags & 4) != 0;
    int has_data = memcmp(tag, "SCRS", 4) == 0;
    if (has_data) {
        // A length the file cannot hold is cut to what is there.
        long long bytes = import_available(load->file_size, load->start + data_position,
                                           length * (sixteen_bit ? 2 : 1));
        info->length = (int)(bytes / (sixteen_bit ? 2 : 1));
        info->loop_type = flags & 1;
    } else {
        // No data to play: the sample keeps no length or loop that would
        // send the mixer into a block that does not exist.
        info->length = info->loop_start = info->loop_end = 0;
    }
    import_init_sample(sample, has_data ? 8 : 0, info->length);
    sample->freq = info->tuning;
    sample->loop_start = info->loop_start;
    sample->loop_end = info->loop_end;
    if (info->loop_type && !import_fit_loop(sample))
        info->loop_type = 0;
    sample->data = jgmod_calloc(info->length);
    if (sample->data == NULL) {
        import_error("Unable to allocate enough memory for data sample");
        return -1;
    }
    if (!has_data)
        return 0;
    if (s3m_seek(load, data_position) != 0)
        return -1;
    read_s3m_points(load, (unsigned char *)sample->data, info->length, sixteen_bit);
    return 0;
}

static int read_s3m_samples(S3M_LOAD *load, JGMOD *module)
{
    for (int index = 0; index < module->sample_count; index++) {
        if (s3m_seek(load, load->parapointers[index]) != 0)
            return -1;
        if (jgmod_getc(load->f) != 1) {
            // Not a digital sample (empty or AdLib): nothing to play.
            module->samples[index].data = jgmod_calloc(0);
            if (module->samples[index].data == NULL) {
                import_error("Unable to allocate enough memory for data sample");
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

static int build_s3m_channel_map(S3M_LOAD *load, JGMOD *module)
{
    module->channel_count = 0;
    memset(remap, -1, sizeof remap);
    if (fast_loading == -1) {
        for (int channel = 0; channel < S3M_CHANNELS; channel++) {
            if (chn_set[channel] <= 31)
                remap[channel] = 0;
        }
    } else {
        for (int pattern = 0; pattern < load->file_patterns; pattern++) {
            int parapointer = pattern_parapointer(load, module, pattern);
            if (parapointer == 0)
                continue;
            if (s3m_seek(load, parapointer + 2) != 0)
                return -1;
            S3M_get_num_chn(load->f);
        }
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
    module->pattern_info = (PATTERN_INFO *)jgmod_calloc((long)sizeof(PATTERN_INFO) * module->pattern_count);
    if (module->pattern_info == NULL) {
        import_error("Unable to allocate enough memory for PATTERN_INFO");
        return -1;
    }
    for (int index = 0; index < module->pattern_count; index++) {
        PATTERN_INFO *pattern = &module->pattern_info[index];
        pattern->row_count = S3M_ROWS;
        pattern->notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * S3M_ROWS * module->channel_count);
        if (pattern->notes == NULL) {
            import_error("Unable to allocate enough memory for NOTE_INFO");
            return -1;
        }
    }
    return 0;
}

// Patterns the orders reach but the file lacks stay empty; patterns of the
// file that no order reaches are not read.
static int read_s3m_patterns(S3M_LOAD *load, JGMOD *module)
{
    for (int index = 0; index < module->pattern_count && index < load->file_patterns; index++) {
        int parapointer = pattern_parapointer(load, module, index);
        if (parapointer == 0)
            continue;
        if (s3m_seek(load, parapointer + 2) != 0)
            return -1;
        S3M_load_pat(load->f, module, module->pattern_info[index].notes, module->channel_count);
    }
    return 0;
}

JGMOD *load_s3m(const char *filename, int offset)
{
    S3M_LOAD load;
    memset(&load, 0, sizeof load);
    load.filename = filename;
    load.start = offset;
    load.f = jgmod_fopen(filename, "rb");
    if (load.f == NULL) {
        import_error("Unable to open %s", filename);
        return NULL;
    }
    load.file_size = import_file_size(filename);
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
    read_s3m_orders(load.f, module, order_bytes);
    if (read_s3m_parapointers(&load, module) != 0)
        return s3m_fail(&load, module, NULL);
    if (read_s3m_samples(&load, module) != 0)
        return s3m_fail(&load, module, NULL);
    if (build_s3m_channel_map(&load, module) != 0)
        return s3m_fail(&load, module, NULL);
    set_s3m_pans(&load, module);
    if (alloc_s3m_patterns(module) != 0 || read_s3m_patterns(&load, module) != 0)
        return s3m_fail(&load, module, NULL);

    free(load.parapointers);
    jgmod_fclose(load.f);
    lock_mod(module);
    return module;
}
