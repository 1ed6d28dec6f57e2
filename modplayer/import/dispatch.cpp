// load_mod and get_mod_info: pick the reader for a module file by asking the
// formats in a fixed order; the first one that accepts the file wins.
// The order matters: the JGM signature is the most certain, the plain
// formats come before the package searches, and the 15-sample MOD, which has
// no signature at all, is only tried last and only when asked for.
#include <stdio.h>
#include <string.h>

#include "import.h"
#include "../jgm_format.h"

static JGMOD *load_jgm_at(JGMOD_READER *r, int)
{
    return load_jgm_from(r);
}

static JGMOD *load_m31_at(JGMOD_READER *r, int)
{
    return load_m_from(r, 31);
}

static JGMOD *load_m15_at(JGMOD_READER *r, int)
{
    return load_m_from(r, 15);
}

// A module inside a package starts after the package's own first bytes;
// an offset of 0 or less is no module.
static int accept_package_offset(int offset)
{
    return offset > 0 ? offset : -1;
}

static int find_unreal_it(JGMOD_READER *r)
{
    return accept_package_offset(find_in_package(r, "IMPM", 4));
}

static int find_unreal_xm(JGMOD_READER *r)
{
    return accept_package_offset(find_in_package(r, "Extended Module: ", 17));
}

static int find_unreal_s3m(JGMOD_READER *r)
{
    int tag = find_in_package(r, "SCRM", 4);
    return accept_package_offset(tag > 0 ? tag - S3M_TAG_OFFSET : -1);
}

static int find_m15_when_enabled(JGMOD_READER *r)
{
    return enable_m15 == -1 ? find_m15(r) : -1;
}

const MODULE_FORMAT module_formats[] = {
    {JGM_TYPE, "JGM", find_jgm, load_jgm_at, JGM_SIGNATURE_SIZE, JGM_INFO_NAME_SIZE},
    {IT_TYPE, "IT", find_it, load_it_from, 4, 26},
    {XM_TYPE, "XM", find_xm, load_xm_from, 17, 20},
    {S3M_TYPE, "S3M", find_s3m, load_s3m_from, 0, 28},
    {MOD31_TYPE, "MOD (31 Samples)", find_m31, load_m31_at, 0, 20},
    {UNREAL_IT_TYPE, "Unreal IT (UMX)", find_unreal_it, load_it_from, 4, 26},
    {UNREAL_XM_TYPE, "Unreal XM (UMX)", find_unreal_xm, load_xm_from, 17, 20},
    {UNREAL_S3M_TYPE, "Unreal S3M (UMX)", find_unreal_s3m, load_s3m_from, 0, 28},
    {MOD15_TYPE, "MOD (15 Samples)", find_m15_when_enabled, load_m15_at, 0, 20},
};
const int module_format_count = (int)(sizeof module_formats / sizeof module_formats[0]);

const MODULE_FORMAT *module_format(int type)
{
    for (int index = 0; index < module_format_count; index++) {
        if (module_formats[index].type == type)
            return &module_formats[index];
    }
    return NULL;
}

int import_info_from(JGMOD_READER *r, const MODULE_FORMAT *format, int offset, MODULE_INFO *info)
{
    info->type = format->type;
    sprintf(info->type_name, "%s", format->type_name);
    reader_seek(r, (long long)offset + format->name_at);
    reader_read(r, info->name, format->name_length);
    return 1;
}

int import_info_file(const char *filename, int type, int offset, MODULE_INFO *info)
{
    JGMOD_READER r;
    if (reader_open(&r, filename) != 0) {
        jgmod_set_error("Unable to open %s", filename);
        return -1;
    }
    int result = import_info_from(&r, module_format(type), offset, info);
    reader_close(&r);
    return result;
}

const MODULE_FORMAT *find_module_format(JGMOD_READER *r, int *offset)
{
    for (int index = 0; index < module_format_count; index++) {
        JGMOD_READER probe = *r;  // a search leaves the reader as it found it
        *offset = module_formats[index].find(&probe);
        if (*offset >= 0)
            return &module_formats[index];
    }
    return NULL;
}

// Reads the file and finds its format; null (with the message) when the
// file cannot be read or no format accepts it.
static const MODULE_FORMAT *find_format(const char *filename, JGMOD_READER *r, int *offset)
{
    const MODULE_FORMAT *format = reader_open(r, filename) == 0 ? find_module_format(r, offset) : NULL;
    if (format == NULL)
        jgmod_set_error("Unsupported MOD type or unable to open file");
    return format;
}

JGMOD *load_mod(const char *filename)
{
    JGMOD_READER r;
    int offset = 0;
    const MODULE_FORMAT *format = find_format(filename, &r, &offset);
    JGMOD *module = format != NULL ? format->load(&r, offset) : NULL;
    reader_close(&r);
    return module;
}

int get_mod_info(const char *filename, MODULE_INFO *info)
{
    if (info == NULL)
        return -1;
    // The readers copy names without a terminator; a zeroed record keeps
    // every name terminated, since the record is longer than any name.
    memset(info, 0, sizeof *info);
    JGMOD_READER r;
    int offset = 0;
    const MODULE_FORMAT *format = find_format(filename, &r, &offset);
    int result = format != NULL ? import_info_from(&r, format, offset, info) : -1;
    reader_close(&r);
    return result;
}
