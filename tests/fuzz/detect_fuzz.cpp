// IT recognition and the searches inside Unreal packages, with the
// information each found module gives.
#include <stdlib.h>
#include <string.h>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    JGMOD_READER r = fuzz_reader(data, size);
    const struct { const char *tag; int type; } searches[] = {
        {"IMPM", UNREAL_IT_TYPE}, {"Extended Module: ", UNREAL_XM_TYPE}, {"SCRM", UNREAL_S3M_TYPE}};
    MODULE_INFO info;
    for (const auto &search : searches) {
        int offset = find_in_package(&r, search.tag, (int)strlen(search.tag));
        if (offset > (int)size)
            abort();
        if (offset > 0)
            import_info_from(&r, module_format(search.type), offset, &info);
    }
    if (find_it(&r) == 0)
        import_info_from(&r, module_format(IT_TYPE), 0, &info);
    return 0;
}
