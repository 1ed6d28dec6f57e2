// The dispatcher's choice of format, then that format's reader and its
// information, 15-sample MODs included.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    JGMOD_READER r = fuzz_reader(data, size);
    enable_m15 = -1;
    int offset = 0;
    const MODULE_FORMAT *format = find_module_format(&r, &offset);
    if (format == NULL || format->type == IT_TYPE || format->type == UNREAL_IT_TYPE)
        return 0;  // IT is refused after printing its name
    MODULE_INFO info;
    import_info_from(&r, format, offset, &info);
    fuzz_play(format->load(&r, offset), format->type != JGM_TYPE);
    return 0;
}
