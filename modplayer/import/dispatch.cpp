// load_mod and get_mod_info: pick the reader for a module file by asking the
// format detectors in a fixed order; the first one that accepts the file wins.
#include <stdio.h>
#include <string.h>

#include "../jgmod_internal.h"

// The JGM stream is read through an open handle, unlike the other formats,
// whose readers open the file themselves.
static JGMOD *load_jgm_file(const char *filename)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL) {
        snprintf(jgmod_error, sizeof jgmod_error, "Unable to open %s", filename);
        return NULL;
    }
    JGMOD *j = load_jgm(f);
    jgmod_fclose(f);
    return j;
}

// Returns 0 when the file cannot be opened, so that detection goes on.
static int get_jgm_file_info(const char *filename, MODULE_INFO *info, int *result)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return 0;
    *result = get_jgm_info(f, info);
    jgmod_fclose(f);
    return 1;
}

static void report_unsupported(void)
{
    snprintf(jgmod_error, sizeof jgmod_error, "Unsupported MOD type or unable to open file");
}

JGMOD *load_mod(const char *filename)
{
    if (detect_jgm(filename) == 1)
        return load_jgm_file(filename);
    report_unsupported();
    return NULL;
}

int get_mod_info(const char *filename, MODULE_INFO *info)
{
    if (info == NULL)
        return -1;
    // The readers copy names without a terminator; a zeroed record keeps
    // every name terminated, since the record is longer than any name.
    memset(info, 0, sizeof *info);
    int result = -1;
    if (detect_jgm(filename) == 1 && get_jgm_file_info(filename, info, &result))
        return result;
    report_unsupported();
    return -1;
}
