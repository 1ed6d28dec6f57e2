// load_mod and get_mod_info: pick the reader for a module file by asking the
// format detectors in a fixed order; the first one that accepts the file wins.
// The order matters: the JGM signature is the most certain, the plain
// formats come before the package searches, and the 15-sample MOD, which has
// no signature at all, is only tried last and only when asked for.
#include <stdio.h>
#include <string.h>

#include "import.h"

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
    if (detect_it(filename) == 1)
        return load_it(filename, 0);
    if (detect_xm(filename) == 1)
        return load_xm(filename, 0);
    if (detect_s3m(filename) == 1)
        return load_s3m(filename, 0);
    if (detect_m31(filename) == 1)
        return load_m(filename, 31);

    int offset = detect_unreal_it(filename);
    if (offset > 0)
        return load_it(filename, offset);
    offset = detect_unreal_xm(filename);
    if (offset > 0)
        return load_xm(filename, offset);
    offset = detect_unreal_s3m(filename);
    if (offset > 0)
        return load_s3m(filename, offset);

    if (enable_m15 == -1 && detect_m15(filename) == 1)
        return load_m(filename, 15);
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
    if (detect_it(filename) == 1)
        return get_it_info(filename, 0, info);
    if (detect_xm(filename) == 1)
        return get_xm_info(filename, 0, info);
    if (detect_s3m(filename) == 1)
        return get_s3m_info(filename, 0, info);
    if (detect_m31(filename) == 1)
        return get_m_info(filename, 31, info);

    int offset = detect_unreal_it(filename);
    if (offset > 0)
        return get_it_info(filename, offset, info);
    offset = detect_unreal_xm(filename);
    if (offset > 0)
        return get_xm_info(filename, offset, info);
    offset = detect_unreal_s3m(filename);
    if (offset > 0)
        return get_s3m_info(filename, offset, info);

    if (enable_m15 == -1 && detect_m15(filename) == 1)
        return get_m_info(filename, 15, info);
    report_unsupported();
    return -1;
}
