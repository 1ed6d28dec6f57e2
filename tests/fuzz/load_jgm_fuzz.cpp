// libFuzzer target for the JGM reader and writer (outside the test suite):
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -Imodplayer -Itests \
//     tests/fuzz/load_jgm_fuzz.cpp tests/support/packfile_helpers.cpp modplayer/*.cpp \
//     modplayer/import/*.cpp $(pkg-config --cflags --libs allegro) -o load_jgm_fuzz
// A module that loads, once saved, must load again and save to the same bytes.
#include <stdlib.h>

#include "jgmod.h"
#include "support/packfile_helpers.h"

template <class Call>
static auto with_packfile(MemoryPackfile &memory, Call call)
{
    PACKFILE *f = memory.open();
    auto result = call(f);
    pack_fclose(f);
    return result;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    install_allegro_for_files();
    MemoryPackfile input(Bytes(data, data + size)), first, second;
    JGMOD *j = with_packfile(input, load_jgm);
    if (j != NULL && with_packfile(first, [j](PACKFILE *f) { return save_jgm(f, j); }) == 1) {
        JGMOD *again = with_packfile(first, load_jgm);
        if (again == NULL || with_packfile(second, [again](PACKFILE *f) { return save_jgm(f, again); }) != 1 ||
            second.bytes() != first.bytes())
            abort();
        destroy_mod(again);
    }
    destroy_mod(j);
    return 0;
}
