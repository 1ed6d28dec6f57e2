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

// The library knows the size of a plain file at once; a file inside a
// datafile ("name.dat#object") has to be measured by reading it.
long long import_file_size(const char *filename)
{
    long long size = (long long)file_size_ex(filename);
    if (size > 0)
        return size;
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return 0;
    char scratch[4096];
    long long total = 0;
    long got;
    while ((got = jgmod_fread(scratch, sizeof scratch, f)) > 0)
        total += got;
    jgmod_fclose(f);
    return total;
}

long long import_available(long long file_size, long long position, long long wanted)
{
    if (position < 0 || wanted <= 0 || position >= file_size)
        return 0;
    return import_clamp(wanted, 0, file_size - position);
}

int import_seek(PACKFILE **f, const char *filename, long long position, long long file_size)
{
    long long target = import_clamp(position, 0, file_size);
    jgmod_fseek(f, filename, (int)import_clamp(target, 0, 0x7FFFFFFF));
    return *f != NULL ? 0 : -1;
}

void import_error(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(jgmod_error, sizeof jgmod_error, format, arguments);
    va_end(arguments);
}

void import_init_sample(SAMPLE *sample, int bits, long length)
{
    sample->bits = bits;
    sample->stereo = 0;
    sample->freq = 1000;
    sample->priority = 192;
    sample->len = length;
    sample->param = -1;
}

int import_fit_loop(SAMPLE *sample)
{
    if (sample->loop_end > sample->len)
        sample->loop_end = sample->len;
    if (sample->loop_start < sample->loop_end)
        return 1;
    return 0;
}
