// MOD files: the 31-sample form with a signature at byte 1080 that names the
// channel count, and the older 15-sample form that has no signature at all
// and can only be told by how plausible its sample headers look.
#include <stdio.h>
#include <string.h>

#include "import.h"

#define MOD_SIGNATURE_OFFSET 1080
#define MOD_ROWS 64
#define MOD_ORDER_BYTES 128
#define MOD_END_OF_TABLE (MODTYPE_COUNT - 1)  // "32FW"

const MODTYPE modtypes[MODTYPE_COUNT] = {
    {"M.K.", 4}, {"M!K!", 4}, {"FLT4", 4},
    {"1CHN", 1}, {"2CHN", 2}, {"3CHN", 3}, {"4CHN", 4}, {"5CHN", 5}, {"6CHN", 6},
    {"7CHN", 7}, {"8CHN", 8}, {"9CHN", 9},
    {"10CH", 10}, {"11CH", 11}, {"12CH", 12}, {"13CH", 13}, {"14CH", 14}, {"15CH", 15},
    {"16CH", 16}, {"17CH", 17}, {"18CH", 18}, {"19CH", 19}, {"20CH", 20}, {"21CH", 21},
    {"22CH", 22}, {"23CH", 23}, {"24CH", 24}, {"25CH", 25}, {"26CH", 26}, {"27CH", 27},
    {"28CH", 28}, {"29CH", 29}, {"30CH", 30}, {"31CH", 31}, {"32CH", 32}, {"33CH", 33},
    {"34CH", 34}, {"35CH", 35}, {"36CH", 36}, {"37CH", 37}, {"38CH", 38}, {"39CH", 39},
    {"40CH", 40}, {"41CH", 41}, {"42CH", 42}, {"43CH", 43}, {"44CH", 44}, {"45CH", 45},
    {"46CH", 46}, {"47CH", 47}, {"48CH", 48}, {"49CH", 49}, {"50CH", 50}, {"51CH", 51},
    {"52CH", 52}, {"53CH", 53}, {"54CH", 54}, {"55CH", 55}, {"56CH", 56}, {"57CH", 57},
    {"58CH", 58}, {"59CH", 59}, {"60CH", 60}, {"61CH", 61}, {"62CH", 62}, {"63CH", 63},
    {"64CH", 64},
    {"CD81", 8}, {"OKTA", 8}, {"16CN", 16}, {"32CN", 32},
    {"32FW", 4},  // ends the table; never matched, its count is the fall-back
};

// Index of the entry whose signature matches, or MOD_END_OF_TABLE.
static int find_modtype(const char signature[4])
{
    int index = 0;
    while (index < MOD_END_OF_TABLE && memcmp(modtypes[index].id, signature, 4) != 0)
        index++;
    return index;
}

int find_m31(JGMOD_READER *r)
{
    char signature[4] = {0, 0, 0, 0};  // a short file leaves NULs, which no entry has
    reader_seek(r, MOD_SIGNATURE_OFFSET);
    reader_read(r, signature, 4);
    return find_modtype(signature) < MOD_END_OF_TABLE ? 0 : -1;
}

int detect_m31(const char *filename)
{
    return import_detect_file(filename, find_m31, 1, -1, -1);
}

int find_m15(JGMOD_READER *r)
{
    reader_seek(r, 20);
    for (int index = 0; index < 15; index++) {
        reader_skip(r, 24);
        int finetune = reader_getc(r);
        int volume = reader_getc(r);
        if (finetune != 0 || volume > 64)
            return -1;
        reader_skip(r, 4);
    }
    return 0;
}

int detect_m15(const char *filename)
{
    return import_detect_file(filename, find_m15, 1, 0, 0);
}

int get_mod_no_pat(const int *orders, int count)
{
    int largest = 0;
    for (int index = 0; index < count; index++) {
        if (orders[index] > largest)
            largest = orders[index];
    }
    return largest + 1;
}

// Every failure of load_m ends here: the message (none when a step has
// already written it), then nothing left behind.
static JGMOD *mod_fail(JGMOD *module, const char *message)
{
    if (message != NULL)
        jgmod_set_error("%s", message);
    destroy_mod(module);
    return NULL;
}

static JGMOD *new_mod_module(int sample_count)
{
    JGMOD *module = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    if (module == NULL)
        return mod_fail(NULL, "Unable to allocate enough memory for JGMOD structure");
    module->sample_info = (SAMPLE_INFO *)jgmod_calloc((long)sizeof(SAMPLE_INFO) * sample_count);
    if (module->sample_info == NULL)
        return mod_fail(module, "Unable to allocate enough memory for SAMPLE_INFO structure");
    module->samples = (SAMPLE *)jgmod_calloc((long)sizeof(SAMPLE) * sample_count);
    if (module->samples == NULL)
        return mod_fail(module, "Unable to allocate enough memory for SAMPLE structure");
    module->sample_count = sample_count;
    module->global_volume = 64;
    module->tempo = 6;
    module->bpm = 125;
    // Amiga hardware order: left, right, right, left.
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++)
        module->channel_pan[channel] = (channel % 4 == 0 || channel % 4 == 3) ? 0 : 255;
    return module;
}

// Lengths and repeats are stored in 2-byte words; a stored 1 means "none".
static void read_mod_sample_header(JGMOD_READER *r, SAMPLE_INFO *info)
{
    reader_skip(r, 22);
    int length = reader_mgetw(r);
    int finetune = reader_getc(r);
    int volume = reader_getc(r);
    int repeat_offset = reader_mgetw(r);
    int repeat_length = reader_mgetw(r);

    // Only the low four bits carry the finetune in the published format.
    info->tuning = mod_finetune[finetune & 0x0F];
    info->volume = (int)import_clamp(volume, 0, 64);
    info->transpose = 0;
    info->loop_start = (int)import_clamp(repeat_offset, 0, 0xFFFF) * 2;
    info->length = length == 1 ? 0 : (int)import_clamp(length, 0, 0xFFFF) * 2;
    // For MOD this field holds the loop's length in bytes, not its end.
    info->loop_end = repeat_length == 1 ? 0 : (int)import_clamp(repeat_length, 0, 0xFFFF) * 2;
}

static void read_mod_orders(JGMOD_READER *r, JGMOD *module)
{
    module->order_count = (int)import_clamp(reader_getc(r), 0, MOD_ORDER_BYTES);
    module->restart_order = reader_getc(r);
    for (int index = 0; index < MOD_ORDER_BYTES; index++)
        module->order_table[index] = (int)import_clamp(reader_getc(r), 0, 255);
    // Patterns past the song length are stored in the file too.
    module->pattern_count = get_mod_no_pat(module->order_table, MOD_ORDER_BYTES);
}

// One cell: sssspppp pppppppp sssscccc parameter (s sample, p period, c command).
static void read_mod_cell(JGMOD_READER *r, const JGMOD *module, NOTE_INFO *cell)
{
    unsigned int value = (unsigned int)reader_mgetl(r);
    int sample = (int)(((value >> 24) & 0xF0) | ((value >> 12) & 0x0F));
    int period = (int)((value >> 16) & 0xFFF);
    // The nibbles can name up to 255 samples; the file has only sample_count.
    cell->sample = import_in_range(sample, 0, module->sample_count) ? sample : 0;
    cell->note = period != 0 ? AMIGA_CLOCK / period : 0;
    cell->command = (int)((value >> 8) & 0x0F);
    cell->parameter = (int)(value & 0xFF);
    cell->volume = 0;
}

// Cells the file does not hold stay empty: read as missing bytes they would
// become a high note with a speed change on every channel.
static void read_mod_patterns(JGMOD_READER *r, JGMOD *module)
{
    for (int index = 0; index < module->pattern_count; index++) {
        NOTE_INFO *cells = module->pattern_info[index].notes;
        for (int cell = 0; cell < MOD_ROWS * module->channel_count && reader_left(r) >= 4; cell++)
            read_mod_cell(r, module, &cells[cell]);
    }
}

static int read_mod_sample_data(JGMOD_READER *r, JGMOD *module, int index)
{
    SAMPLE_INFO *info = &module->sample_info[index];
    SAMPLE *sample = &module->samples[index];
    jgmod_init_sample(sample, 8, info->length);
    sample->data = jgmod_calloc(info->length);
    if (sample->data == NULL) {
        jgmod_set_error("Unable to allocate enough memory for SAMPLE DATA");
        return -1;
    }
    info->loop_type = 0;
    sample->loop_start = 0;
    sample->loop_end = info->length;
    if (info->loop_end > 0) {
        sample->loop_start = info->loop_start;
        sample->loop_end = (unsigned long)info->loop_start + info->loop_end;
        info->loop_type = LOOP_FORWARD;
        // A repeat that reaches past the data would make the mixer read
        // beyond the block: it is cut at the end, or dropped if nothing is left.
        if (!import_fit_loop(sample)) {
            info->loop_type = 0;
            sample->loop_start = 0;
            sample->loop_end = info->length;
        }
    }
    // The file's points are signed; what a short file lacks is silence.
    unsigned char *data = (unsigned char *)sample->data;
    long long got = reader_read(r, data, info->length);
    for (long long point = 0; point < got; point++)
        data[point] ^= 0x80;
    memset(data + got, 0x80, (size_t)(info->length - got));
    return 0;
}

JGMOD *load_m_from(JGMOD_READER *r, int sample_count)
{
    if (sample_count != 15 && sample_count != 31)
        return mod_fail(NULL, "MOD must be 15 or 31 instruments");
    JGMOD *module = new_mod_module(sample_count);
    if (module == NULL)
        return NULL;
    reader_seek(r, 0);
    reader_read(r, module->name, 20);
    for (int index = 0; index < sample_count; index++)
        read_mod_sample_header(r, &module->sample_info[index]);
    read_mod_orders(r, module);

    module->channel_count = 4;
    if (sample_count == 31) {
        char signature[4] = {0, 0, 0, 0};
        reader_read(r, signature, 4);
        module->channel_count = modtypes[find_modtype(signature)].channels;
    }
    if (import_alloc_patterns(module, MOD_ROWS) != 0)
        return mod_fail(module, NULL);
    read_mod_patterns(r, module);
    for (int index = 0; index < sample_count; index++) {
        if (read_mod_sample_data(r, module, index) != 0)
            return mod_fail(module, NULL);
    }
    jgmod_fix_song(module);
    lock_mod(module);
    return module;
}

JGMOD *load_m(const char *filename, int sample_count)
{
    if (sample_count != 15 && sample_count != 31)
        return mod_fail(NULL, "MOD must be 15 or 31 instruments");
    return import_load_file(filename, sample_count, load_m_from, 1);
}

int get_m_info(const char *filename, int sample_count, MODULE_INFO *info)
{
    if (sample_count != 15 && sample_count != 31) {
        jgmod_set_error("MOD must have 15 or 31 samples");
        return -1;
    }
    return import_info_file(filename, sample_count == 15 ? MOD15_TYPE : MOD31_TYPE, 0, info);
}
