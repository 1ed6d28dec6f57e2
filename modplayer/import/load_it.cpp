// IT files are recognised and named but not loaded; and the search for an
// IT, XM or S3M module inside an Unreal package file.
#include <stdio.h>
#include <string.h>

#include "import.h"

#define UNREAL_FIRST_OFFSET 4    // the tag may start right after the signature
#define UNREAL_LAST_OFFSET 503   // and no later than this
#define S3M_TAG_OFFSET 44        // "SCRM" sits this far into an S3M module

static const unsigned char unreal_signature[4] = {0xC1, 0x83, 0x2A, 0x9E};

int detect_it(const char *filename)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return 0;
    char tag[4] = {0, 0, 0, 0};
    jgmod_fread(tag, 4, f);
    jgmod_fclose(f);
    return memcmp(tag, "IMPM", 4) == 0 ? 1 : -1;
}

JGMOD *load_it(const char *filename, int offset)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return NULL;
    JGMOD *module = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    if (module == NULL) {
        import_error("Unable to allocate enough memory for JGMOD structure");
        jgmod_fclose(f);
        return NULL;
    }
    jgmod_skip(f, offset + 4);
    jgmod_fread(module->name, 26, f);  // the rest of the 32 bytes stays 0
    jgmod_skip(f, 2);
    printf("%s\n", module->name);
    import_error("IT support is not completed yet. Wait a few more versions");
    jgmod_fclose(f);
    destroy_mod(module);
    return NULL;
}

int get_it_info(const char *filename, int offset, MODULE_INFO *info)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL) {
        import_error("Unable to open %s", filename);
        return -1;
    }
    if (offset == 0) {
        info->type = IT_TYPE;
        sprintf(info->type_name, "IT");
    } else {
        info->type = UNREAL_IT_TYPE;
        sprintf(info->type_name, "Unreal IT (UMX)");
    }
    jgmod_skip(f, offset + 4);
    jgmod_fread(info->name, 26, f);
    jgmod_fclose(f);
    return 1;
}

// Bytes past the end of the file count as 0xFF, which no tag contains.
static unsigned char package_byte(PACKFILE *f)
{
    int value = jgmod_getc(f);
    return (unsigned char)(value == EOF ? 0xFF : value);
}

// Slides a window as long as the tag over the file offsets 4..503 of an
// Unreal package. Returns the offset where the tag starts, -1 when the file
// is no package or holds no tag there, 0 when it cannot be opened.
static int find_in_package(const char *filename, const char *tag, int tag_length)
{
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return 0;
    unsigned char window[32];
    for (int index = 0; index < 4; index++)
        window[index] = package_byte(f);
    if (memcmp(window, unreal_signature, 4) != 0) {
        jgmod_fclose(f);
        return -1;
    }
    for (int index = 0; index < tag_length; index++)
        window[index] = package_byte(f);
    for (int offset = UNREAL_FIRST_OFFSET; offset <= UNREAL_LAST_OFFSET; offset++) {
        if (memcmp(window, tag, tag_length) == 0) {
            jgmod_fclose(f);
            return offset;
        }
        memmove(window, window + 1, tag_length - 1);
        window[tag_length - 1] = package_byte(f);
    }
    jgmod_fclose(f);
    return -1;
}

int detect_unreal_it(const char *filename)
{
    return find_in_package(filename, "IMPM", 4);
}

int detect_unreal_xm(const char *filename)
{
    return find_in_package(filename, "Extended Module: ", 17);
}

int detect_unreal_s3m(const char *filename)
{
    int found = find_in_package(filename, "SCRM", 4);
    return found > 0 ? found - S3M_TAG_OFFSET : found;
}
