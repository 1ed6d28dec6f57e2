// libFuzzer target for the JGM reader and writer; not part of the test
// suite. Build it with clang from the top of the tree:
//
//   mkdir -p build-fuzz && clang++ -std=c++17 -g -O1 \
//     -fsanitize=fuzzer,address,undefined -Imodplayer \
//     tests/fuzz/load_jgm_fuzz.cpp modplayer/*.cpp modplayer/import/*.cpp \
//     $(pkg-config --cflags --libs allegro) -o build-fuzz/load_jgm_fuzz
//   build-fuzz/load_jgm_fuzz -max_len=4096 -timeout=10
//
// Every stream is read; a module that loads is saved, read again and saved
// again, and the two saved streams must be equal: the writer is the exact
// inverse of the reader on everything the reader produces and the writer
// accepts.
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "jgmod.h"

namespace {

struct Memory {
    std::vector<unsigned char> bytes;
    size_t position = 0;
};

int memory_fclose(void *)
{
    return 0;
}

int memory_getc(void *m)
{
    Memory *memory = (Memory *)m;
    return memory->position < memory->bytes.size() ? memory->bytes[memory->position++] : EOF;
}

int memory_ungetc(int c, void *m)
{
    Memory *memory = (Memory *)m;
    if (memory->position == 0)
        return EOF;
    memory->bytes[--memory->position] = (unsigned char)c;
    return c;
}

long memory_fread(void *p, long n, void *m)
{
    long count = 0;
    int c;
    while (count < n && (c = memory_getc(m)) != EOF)
        ((unsigned char *)p)[count++] = (unsigned char)c;
    return count;
}

int memory_putc(int c, void *m)
{
    ((Memory *)m)->bytes.push_back((unsigned char)c);
    return c & 0xFF;
}

long memory_fwrite(const void *p, long n, void *m)
{
    for (long index = 0; index < n; index++)
        memory_putc(((const unsigned char *)p)[index], m);
    return n;
}

int memory_fseek(void *m, int offset)
{
    Memory *memory = (Memory *)m;
    if (offset < 0 || memory->position + offset > memory->bytes.size())
        return -1;
    memory->position += offset;
    return 0;
}

int memory_feof(void *m)
{
    Memory *memory = (Memory *)m;
    return memory->position >= memory->bytes.size();
}

int memory_ferror(void *)
{
    return 0;
}

const PACKFILE_VTABLE memory_vtable = {
    memory_fclose, memory_getc,  memory_ungetc, memory_fread,  memory_putc,
    memory_fwrite, memory_fseek, memory_feof,   memory_ferror,
};

JGMOD *load(Memory *memory)
{
    memory->position = 0;
    PACKFILE *f = pack_fopen_vtable(&memory_vtable, memory);
    JGMOD *j = load_jgm(f);
    pack_fclose(f);
    return j;
}

bool save(const JGMOD *j, Memory *memory)
{
    PACKFILE *f = pack_fopen_vtable(&memory_vtable, memory);
    int result = save_jgm(f, j);
    pack_fclose(f);
    return result == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static bool installed = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    if (!installed)
        return 0;
    Memory input;
    input.bytes.assign(data, data + size);
    JGMOD *j = load(&input);
    if (j == NULL)
        return 0;
    Memory first;
    if (save(j, &first)) {
        JGMOD *again = load(&first);
        if (again == NULL)
            abort();  // the reader refused what the writer wrote
        Memory second;
        if (!save(again, &second) || second.bytes != first.bytes)
            abort();
        destroy_mod(again);
    }
    destroy_mod(j);
    return 0;
}
