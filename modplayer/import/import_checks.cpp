// The checks every importer applies to what it reads from a file, so that a
// damaged or hostile file cannot make a reader index, allocate or seek
// beyond what is there.
#include <stdio.h>

#include "import.h"

long long import_clamp(long long value, long long low, long long high)
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}

int import_in_range(long long value, long long low, long long high)
{
    return import_clamp(value, low, high) == value;
}

int import_detect_file(const char *filename, int (*find)(JGMOD_READER *r), int accepted, int refused, int unopened)
{
    JGMOD_READER r;
    if (reader_open(&r, filename) != 0)
        return unopened;
    int found = find(&r);
    reader_close(&r);
    return found == 0 ? accepted : refused;
}

JGMOD *import_load_file(const char *filename, int offset, JGMOD *(*load)(JGMOD_READER *r, int offset),
                        int name_failure)
{
    JGMOD_READER r;
    if (reader_open(&r, filename) != 0) {
        if (name_failure)
            jgmod_set_error("Unable to open %s", filename);
        return NULL;
    }
    JGMOD *module = load(&r, offset);
    reader_close(&r);
    return module;
}

int import_read_word(JGMOD_READER *r)
{
    return (int)import_clamp(reader_igetw(r), 0, 0xFFFF);
}

int import_read_byte(JGMOD_READER *r, int missing)
{
    int value = reader_getc(r);
    return value == EOF ? missing : value;
}

int import_alloc_patterns(JGMOD *module, int rows)
{
    module->pattern_info = (PATTERN_INFO *)jgmod_calloc((long)sizeof(PATTERN_INFO) * module->pattern_count);
    if (module->pattern_info == NULL) {
        jgmod_set_error("Unable to allocate enough memory for PATTERN_INFO");
        return -1;
    }
    for (int index = 0; index < module->pattern_count; index++) {
        PATTERN_INFO *pattern = &module->pattern_info[index];
        pattern->notes = (NOTE_INFO *)jgmod_calloc((long)sizeof(NOTE_INFO) * rows * module->channel_count);
        if (pattern->notes == NULL) {
            jgmod_set_error("Unable to allocate enough memory for NOTE_INFO");
            return -1;
        }
        pattern->row_count = rows;
    }
    return 0;
}

int import_fit_loop(SAMPLE *sample)
{
    if (sample->loop_end > sample->len)
        sample->loop_end = sample->len;
    if (sample->loop_start < sample->loop_end)
        return 1;
    return 0;
}
