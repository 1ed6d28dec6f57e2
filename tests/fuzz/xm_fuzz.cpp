// The XM importer.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    JGMOD_READER r = fuzz_reader(data, size);
    fuzz_play(load_xm_from(&r, 0));
    return 0;
}
