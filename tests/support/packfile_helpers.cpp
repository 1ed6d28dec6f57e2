#include "support/packfile_helpers.h"

#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

void install_allegro_for_files()
{
    static bool installed = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    (void)installed;
}

Bytes read_file_bytes(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file_bytes(const char *path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary);
    if (!out.write((const char *)bytes.data(), bytes.size()))
        throw std::runtime_error(std::string("cannot write ") + path);
}

ScratchFile::ScratchFile(const Bytes &bytes)
{
    char pattern[] = "/tmp/zq_scratch_XXXXXX";
    int descriptor = mkstemp(pattern);
    if (descriptor < 0)
        throw std::runtime_error("cannot create a scratch file");
    close(descriptor);
    write_file_bytes((path_ = pattern).c_str(), bytes);
}

namespace {

MemoryPackfile &m(void *self) { return *(MemoryPackfile *)self; }

int memory_putc(int c, void *self)
{
    if (m(self).put_limit >= 0 && (long)m(self).data.size() >= m(self).put_limit)
        return EOF;
    m(self).data.push_back((unsigned char)c);
    return c & 0xFF;
}

// Nothing is read back through the handle.
const PACKFILE_VTABLE memory_vtable = {
    [](void *) { return 0; },
    [](void *) { return EOF; },
    [](int, void *) { return EOF; },
    [](void *, long, void *) { return 0L; },
    memory_putc,
    [](const void *p, long n, void *self) {
        long count = 0;
        while (count < n && memory_putc(((const unsigned char *)p)[count], self) != EOF)
            count++;
        return count;
    },
    [](void *, int) { return -1; },
    [](void *) { return 1; },
    [](void *) { return 0; },
};

}  // namespace

PACKFILE *MemoryPackfile::open()
{
    return pack_fopen_vtable(&memory_vtable, this);
}
