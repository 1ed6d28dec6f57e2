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

int memory_getc(void *self)
{
    return m(self).position < m(self).data.size() ? m(self).data[m(self).position++] : EOF;
}

int memory_putc(int c, void *self)
{
    if (m(self).put_limit >= 0 && (long)m(self).data.size() >= m(self).put_limit)
        return EOF;
    m(self).data.push_back((unsigned char)c);
    return c & 0xFF;
}

const PACKFILE_VTABLE memory_vtable = {
    [](void *) { return 0; }, memory_getc,
    [](int, void *) { return EOF; },  // no reader puts bytes back
    [](void *p, long n, void *self) {
        long count = 0;
        for (int c; count < n && (c = memory_getc(self)) != EOF; count++)
            ((unsigned char *)p)[count] = (unsigned char)c;
        return count;
    },
    memory_putc,
    [](const void *p, long n, void *self) {
        long count = 0;
        while (count < n && memory_putc(((const unsigned char *)p)[count], self) != EOF)
            count++;
        return count;
    },
    [](void *self, int offset) {  // relative
        bool fits = offset >= 0 && m(self).position + offset <= m(self).data.size();
        return fits ? (m(self).position += offset, 0) : -1;
    },
    [](void *self) { return (int)(m(self).position >= m(self).data.size()); },
    [](void *) { return 0; },
};

}  // namespace

PACKFILE *MemoryPackfile::open()
{
    position = 0;
    return pack_fopen_vtable(&memory_vtable, this);
}
