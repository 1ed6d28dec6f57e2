// IT files are recognised and named but not loaded; and the search for an
// IT, XM or S3M module inside an Unreal package file.
#include <stdio.h>
#include <string.h>

#include "import.h"

#define UNREAL_FIRST_OFFSET 4    // the tag may start right after the signature
#define UNREAL_LAST_OFFSET 503   // and no later than this

static const unsigned char unreal_signature[4] = {0xC1, 0x83, 0x2A, 0x9E};

int find_it(JGMOD_READER *r)
{
    return r->size >= 4 && memcmp(r->data, "IMPM", 4) == 0 ? 0 : -1;
}

int detect_it(const char *filename)
{
    return import_detect_file(filename, find_it, 1, -1, 0);
}

JGMOD *load_it_from(JGMOD_READER *r, int offset)
{
    JGMOD *module = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    if (module == NULL) {
        jgmod_set_error("Unable to allocate enough memory for JGMOD structure");
        return NULL;
    }
    reader_seek(r, (long long)offset + 4);
    reader_read(r, module->name, 26);  // the rest of the 32 bytes stays 0
    printf("%s\n", module->name);
    jgmod_set_error("IT support is not completed yet. Wait a few more versions");
    destroy_mod(module);
    return NULL;
}

JGMOD *load_it(const char *filename, int offset)
{
    return import_load_file(filename, offset, load_it_from, 0);
}

int get_it_info(const char *filename, int offset, MODULE_INFO *info)
{
    return import_info_file(filename, offset == 0 ? IT_TYPE : UNREAL_IT_TYPE, offset, info);
}

// Slides a window as long as the tag over the file offsets 4..503 of an
// Unreal package. Bytes past the end of the file count as 0xFF, which no
// tag contains, so only a tag wholly inside the file is found.
int find_in_package(JGMOD_READER *r, const char *tag, int tag_length)
{
    if (r->size < 4 || memcmp(r->data, unreal_signature, 4) != 0)
        return -1;
    for (long long offset = UNREAL_FIRST_OFFSET; offset <= UNREAL_LAST_OFFSET; offset++) {
        if (offset + tag_length > r->size)
            return -1;
        if (memcmp(r->data + offset, tag, tag_length) == 0)
            return (int)offset;
    }
    return -1;
}

// Returns the offset, -1 when the file is no package or holds no tag
// there, 0 when it cannot be opened.
static int detect_in_package(const char *filename, const char *tag, int tag_length)
{
    JGMOD_READER r;
    if (reader_open(&r, filename) != 0)
        return 0;
    int found = find_in_package(&r, tag, tag_length);
    reader_close(&r);
    return found;
}

int detect_unreal_it(const char *filename)
{
    return detect_in_package(filename, "IMPM", 4);
}

int detect_unreal_xm(const char *filename)
{
    return detect_in_package(filename, "Extended Module: ", 17);
}

int detect_unreal_s3m(const char *filename)
{
    int found = detect_in_package(filename, "SCRM", 4);
    return found > 0 ? found - S3M_TAG_OFFSET : found;
}
