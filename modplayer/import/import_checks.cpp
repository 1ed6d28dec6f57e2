// The checks every importer applies to what it reads from a file, so that a
// damaged or hostile file cannot make a reader index, allocate or seek
// beyond what is there.
#include <stdarg.h>
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
            import_error("Unable to open %s", filename);
        return NULL;
    }
    JGMOD *module = load(&r, offset);
    reader_close(&r);
    return module;
}

void import_error(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(jgmod_error, sizeof jgmod_error, format, arguments);
    va_end(arguments);
}

int import_fit_loop(SAMPLE *sample)
{
    if (sample->loop_end > sample->len)
        sample->loop_end = sample->len;
    if (sample->loop_start < sample->loop_end)
        return 1;
    return 0;
}
