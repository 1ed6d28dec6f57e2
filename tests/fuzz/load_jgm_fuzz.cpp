// libFuzzer target for the JGM reader and writer; not part of the test
// suite. Build it with clang from the top of the tree:
//
//   mkdir -p build-fuzz && clang++ -std=c++17 -g -O1 \
//     -fsanitize=fuzzer,address,undefined -Imodplayer -Itests \
//     tests/fuzz/load_jgm_fuzz.cpp tests/support/packfile_helpers.cpp \
//     modplayer/*.cpp modplayer/import/*.cpp \
//     $(pkg-config --cflags --libs allegro) -o build-fuzz/load_jgm_fuzz
//   build-fuzz/load_jgm_fuzz -max_len=4096 -timeout=10
//
// A module that loads is saved, read again and saved again: the writer is
// the exact inverse of the reader, so the two saved streams must be equal.
#include <stdlib.h>

#include "jgmod.h"
#include "support/packfile_helpers.h"

static JGMOD *load(MemoryPackfile &memory)
{
    PACKFILE *f = memory.open();
    JGMOD *j = load_jgm(f);
    pack_fclose(f);
    return j;
}

static bool save(const JGMOD *j, MemoryPackfile &memory)
{
    PACKFILE *f = memory.open();
    int result = save_jgm(f, j);
    pack_fclose(f);
    return result == 1;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    install_allegro_for_files();
    MemoryPackfile input(Bytes(data, data + size)), first, second;
    JGMOD *j = load(input);
    if (j != NULL && save(j, first)) {
        JGMOD *again = load(first);
        if (again == NULL || !save(again, second) || second.bytes() != first.bytes())
            abort();
        destroy_mod(again);
    }
    destroy_mod(j);
    return 0;
}
