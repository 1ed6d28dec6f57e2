// The S3M importer, with every enabled channel kept and with only the used ones.
#include <initializer_list>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    for (int fast : {-1, 0}) {
        fast_loading = fast;
        JGMOD_READER r = fuzz_reader(data, size);
        fuzz_play(load_s3m_from(&r, 0));
    }
    fast_loading = -1;
    return 0;
}
