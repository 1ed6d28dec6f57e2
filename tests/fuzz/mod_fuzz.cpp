// The MOD importer, as a 31-sample and as a 15-sample file.
#include <initializer_list>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    for (int samples : {31, 15}) {
        JGMOD_READER r = fuzz_reader(data, size);
        fuzz_play(load_m_from(&r, samples));
    }
    return 0;
}
