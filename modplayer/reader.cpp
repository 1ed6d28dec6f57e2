// Module files read into memory once, and the byte-level reads on them.
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "reader.h"

#define READ_CHUNK 65536

void reader_wrap(JGMOD_READER *r, const void *data, long long size)
{
    memset(r, 0, sizeof *r);
    r->data = (const unsigned char *)data;
    r->size = size > 0 ? size : 0;
}

// A packed file does not tell its size: the block grows until it ends.
static int read_all(JGMOD_READER *r, PACKFILE *f)
{
    long long capacity = READ_CHUNK;
    long long size = 0;
    unsigned char *block = NULL;
    for (;;) {
        unsigned char *bigger = (unsigned char *)realloc(block, (size_t)capacity);
        if (bigger == NULL) {
            free(block);
            return -1;
        }
        block = bigger;
        long want = (long)(capacity - size);
        long got = pack_fread(block + size, want, f);
        size += got > 0 ? got : 0;
        if (got < want)
            break;
        capacity *= 2;
    }
    reader_wrap(r, block, size);
    r->owned = block;
    return 0;
}

// A regular file is read with one system call: the library's packed files
// copy byte by byte, which was a third of a load. Anything else, such as an
// object inside a datafile ("name.dat#object"), goes through the library.
static int read_regular_file(JGMOD_READER *r, const char *filename)
{
    struct stat info;
    if (strchr(filename, '#') != NULL || stat(filename, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    int fd = open(filename, O_RDONLY);
    unsigned char *block = fd >= 0 ? (unsigned char *)malloc((size_t)info.st_size + 1) : NULL;
    long long size = 0;
    while (block != NULL && size < (long long)info.st_size) {
        ssize_t got = read(fd, block + size, (size_t)(info.st_size - size));
        if (got <= 0)
            break;
        size += got;
    }
    if (fd >= 0)
        close(fd);
    if (block == NULL)
        return -1;
    reader_wrap(r, block, size);
    r->owned = block;
    return 0;
}

// A name that is neither a regular file nor a datafile object ("name.dat#obj")
// is refused: a pipe or a device such as /dev/zero need never end.
int reader_open(JGMOD_READER *r, const char *filename)
{
    memset(r, 0, sizeof *r);
    if (read_regular_file(r, filename) == 0)
        return 0;
    struct stat info;
    if (strchr(filename, '#') == NULL && stat(filename, &info) == 0 && !S_ISREG(info.st_mode))
        return -1;
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return -1;
    int result = read_all(r, f);
    jgmod_fclose(f);
    return result;
}

int reader_take(JGMOD_READER *r, PACKFILE *f)
{
    memset(r, 0, sizeof *r);
    return read_all(r, f);
}

void reader_close(JGMOD_READER *r)
{
    free(r->owned);
    memset(r, 0, sizeof *r);
}

JGMOD_READER reader_part(const JGMOD_READER *r, long long start, long long length)
{
    JGMOD_READER part;
    if (start < 0 || start > r->size)
        start = r->size;
    if (length < 0 || length > r->size - start)
        length = r->size - start;
    reader_wrap(&part, r->data + start, length);
    return part;
}

int reader_getc(JGMOD_READER *r)
{
    if (r->position >= r->size) {
        r->failed = 1;
        return EOF;
    }
    return r->data[r->position++];
}

// Reads count bytes in file order; false as soon as one is missing (the
// bytes before it stay consumed, as with the packed-file helpers).
static bool get_bytes(JGMOD_READER *r, unsigned int *b, int count)
{
    if (reader_left(r) >= count) {
        for (int index = 0; index < count; index++)
            b[index] = r->data[r->position + index];
        r->position += count;
        return true;
    }
    r->position = r->size;
    r->failed = 1;
    return false;
}

int reader_igetw(JGMOD_READER *r)
{
    unsigned int b[2];
    return get_bytes(r, b, 2) ? (int)(b[0] | (b[1] << 8)) : EOF;
}

int reader_mgetw(JGMOD_READER *r)
{
    unsigned int b[2];
    return get_bytes(r, b, 2) ? (int)((b[0] << 8) | b[1]) : EOF;
}

int reader_igetl(JGMOD_READER *r)
{
    unsigned int b[4];
    return get_bytes(r, b, 4) ? (int)(b[0] | (b[1] << 8) | (b[2] << 16) | (b[3] << 24)) : EOF;
}

int reader_mgetl(JGMOD_READER *r)
{
    unsigned int b[4];
    return get_bytes(r, b, 4) ? (int)((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]) : EOF;
}

long long reader_read(JGMOD_READER *r, void *buffer, long long count)
{
    if (count <= 0)
        return 0;
    long long copied = count < reader_left(r) ? count : reader_left(r);
    if (copied > 0)
        memcpy(buffer, r->data + r->position, (size_t)copied);
    r->position += copied;
    if (copied < count)
        r->failed = 1;
    return copied;
}

void reader_skip(JGMOD_READER *r, long long count)
{
    reader_seek(r, r->position + (count > 0 ? count : 0));
}

void reader_seek(JGMOD_READER *r, long long position)
{
    if (position < 0 || position > r->size) {
        r->failed = 1;
        position = position < 0 ? 0 : r->size;
    }
    r->position = position;
}
