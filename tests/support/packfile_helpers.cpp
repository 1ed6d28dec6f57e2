// Packed files for tests: scratch files and packfiles over memory.
#include "support/packfile_helpers.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

void install_allegro_for_files()
{
    static bool installed = false;
    if (!installed) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        installed = true;
    }
}

Bytes read_file_bytes(const char *path)
{
    Bytes bytes;
    FILE *file = fopen(path, "rb");
    if (file == NULL)
        return bytes;
    int c;
    while ((c = fgetc(file)) != EOF)
        bytes.push_back((unsigned char)c);
    fclose(file);
    return bytes;
}

void write_file_bytes(const char *path, const Bytes &bytes)
{
    FILE *file = fopen(path, "wb");
    if (file == NULL)
        throw std::runtime_error(std::string("cannot write ") + path);
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

ScratchFile::ScratchFile(const Bytes &bytes)
{
    char pattern[] = "/tmp/zq_scratch_XXXXXX";
    int descriptor = mkstemp(pattern);
    if (descriptor < 0)
        throw std::runtime_error("cannot create a scratch file");
    close(descriptor);
    path_ = pattern;
    write_file_bytes(path(), bytes);
}

ScratchFile::~ScratchFile()
{
    remove(path_.c_str());
}

Bytes ScratchFile::read() const
{
    return read_file_bytes(path());
}

const PACKFILE_VTABLE MemoryPackfile::vtable_ = {
    fclose_, getc_, ungetc_, fread_, putc_, fwrite_, fseek_, feof_, ferror_,
};

MemoryPackfile::MemoryPackfile(const Bytes &bytes) : bytes_(bytes) {}

PACKFILE *MemoryPackfile::open()
{
    position_ = 0;
    return pack_fopen_vtable(&vtable_, this);
}

int MemoryPackfile::fclose_(void *)
{
    return 0;
}

int MemoryPackfile::getc_(void *self)
{
    MemoryPackfile *m = (MemoryPackfile *)self;
    if (m->position_ >= m->bytes_.size())
        return EOF;
    return m->bytes_[m->position_++];
}

int MemoryPackfile::ungetc_(int c, void *self)
{
    MemoryPackfile *m = (MemoryPackfile *)self;
    if (m->position_ == 0)
        return EOF;
    m->bytes_[--m->position_] = (unsigned char)c;
    return c;
}

long MemoryPackfile::fread_(void *p, long n, void *self)
{
    long count = 0;
    for (; count < n; count++) {
        int c = getc_(self);
        if (c == EOF)
            break;
        ((unsigned char *)p)[count] = (unsigned char)c;
    }
    return count;
}

int MemoryPackfile::putc_(int c, void *self)
{
    MemoryPackfile *m = (MemoryPackfile *)self;
    m->put_attempts++;
    if (m->put_limit >= 0 && (long)m->bytes_.size() >= m->put_limit)
        return EOF;
    m->bytes_.push_back((unsigned char)c);
    return c & 0xFF;
}

long MemoryPackfile::fwrite_(const void *p, long n, void *self)
{
    long count = 0;
    for (; count < n; count++) {
        if (putc_(((const unsigned char *)p)[count], self) == EOF)
            break;
    }
    return count;
}

int MemoryPackfile::fseek_(void *self, int offset)
{
    MemoryPackfile *m = (MemoryPackfile *)self;
    if (offset < 0 || m->position_ + offset > m->bytes_.size())
        return -1;
    m->position_ += offset;
    return 0;
}

int MemoryPackfile::feof_(void *self)
{
    MemoryPackfile *m = (MemoryPackfile *)self;
    return m->position_ >= m->bytes_.size();
}

int MemoryPackfile::ferror_(void *)
{
    return 0;
}
