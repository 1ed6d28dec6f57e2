// The JGM reader, and its writer on what it read: a module that loads, once
// saved, must load again and save to the same bytes.
#include <stdlib.h>

#include "fuzz/fuzz_support.h"
#include "support/packfile_helpers.h"

static bool save(JGMOD *j, MemoryPackfile *out)
{
    PACKFILE *f = out->open();
    int result = save_jgm(f, j);
    pack_fclose(f);
    return result == 1;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    JGMOD_READER r = fuzz_reader(data, size);
    JGMOD *j = load_jgm_from(&r);
    MemoryPackfile first, second;
    if (j != NULL && save(j, &first)) {
        JGMOD_READER again_reader;
        reader_wrap(&again_reader, first.bytes().data(), (long long)first.bytes().size());
        JGMOD *again = load_jgm_from(&again_reader);
        if (again == NULL || !save(again, &second) || second.bytes() != first.bytes())
            abort();
        destroy_mod(again);
    }
    fuzz_play(j, false);
    return 0;
}
