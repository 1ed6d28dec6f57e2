// Module files read into memory once, and the byte-level reads on them.
#include <stdlib.h>
#include <string.h>

#include "reader.h"

#define READ_CHUNK 65536

void reader_wrap(JGMOD_READER *r, const void *data, long long size)
{
    memset(r, 0, sizeof *r);
    r->data = (const unsigned char *)data;
    r->size = size > 0 ? size : 0;
}

// The size a plain file reports is only a first guess: a datafile object
// ("name.dat#object") reports none, so the block grows until the file ends.
static int read_all(JGMOD_READER *r, PACKFILE *f, long long guess)
{
    long long capacity = guess > 0 ? guess + 1 : READ_CHUNK;
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

int reader_open(JGMOD_READER *r, const char *filename)
{
    memset(r, 0, sizeof *r);
    PACKFILE *f = jgmod_fopen(filename, "rb");
    if (f == NULL)
        return -1;
    int result = read_all(r, f, (long long)file_size_ex(filename));
    jgmod_fclose(f);
    return result;
}

int reader_take(JGMOD_READER *r, PACKFILE *f)
{
    memset(r, 0, sizeof *r);
    return read_all(r, f, 0);
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
