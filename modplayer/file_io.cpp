// The reading helpers (and their writers) that every module reader uses on
// the game library's packed files: bytes, 16- and 32-bit integers in both
// byte orders, and an absolute seek.
#include "jgmod_internal.h"

// A normal packfile keeps its decoded bytes in a buffer (decompression and
// decryption happen when the buffer is refilled or flushed), so a byte can be
// taken from or put into that buffer directly. The library's own byte call
// does exactly this while the buffer holds more than the byte being read;
// the last byte of a buffer and everything else go through the library,
// which also keeps the end-of-file flag right.
static bool can_take_from_buffer(const PACKFILE *f)
{
    return f->is_normal_packfile && !(f->normal.flags & PACKFILE_FLAG_WRITE) &&
           f->normal.buf_size > 1;
}

// The library flushes when the buffer would reach F_BUF_SIZE bytes.
static bool can_put_into_buffer(const PACKFILE *f)
{
    return f->is_normal_packfile && (f->normal.flags & PACKFILE_FLAG_WRITE) &&
           f->normal.buf_size + 1 < F_BUF_SIZE;
}

PACKFILE *jgmod_fopen(const char *filename, const char *mode)
{
    return pack_fopen(filename, mode);
}

int jgmod_fclose(PACKFILE *f)
{
    return pack_fclose(f);
}

// Packed files only move forward, so an absolute seek reopens the file.
int jgmod_fseek(PACKFILE **f, const char *filename, int offset)
{
    if (*f != NULL)
        pack_fclose(*f);
    *f = pack_fopen(filename, F_READ);
    if (*f == NULL)
        return -1;
    return pack_fseek(*f, offset);
}

int jgmod_skip(PACKFILE *f, int count)
{
    return pack_fseek(f, count);
}

long jgmod_fread(void *buffer, long count, PACKFILE *f)
{
    return pack_fread(buffer, count, f);
}

long jgmod_fwrite(const void *buffer, long count, PACKFILE *f)
{
    return pack_fwrite(buffer, count, f);
}

int jgmod_getc(PACKFILE *f)
{
    if (can_take_from_buffer(f)) {
        f->normal.buf_size--;
        return *f->normal.buf_pos++;
    }
    return pack_getc(f);
}

// Reads `count` bytes in file order; false as soon as one is missing.
static bool get_bytes(PACKFILE *f, unsigned int *b, int count)
{
    for (int index = 0; index < count; index++) {
        int c = jgmod_getc(f);
        if (c == EOF)
            return false;
        b[index] = (unsigned int)c;
    }
    return true;
}

int jgmod_igetw(PACKFILE *f)
{
    unsigned int b[2];
    if (!get_bytes(f, b, 2))
        return EOF;
    return (int)(b[0] | (b[1] << 8));
}

int jgmod_mgetw(PACKFILE *f)
{
    unsigned int b[2];
    if (!get_bytes(f, b, 2))
        return EOF;
    return (int)((b[0] << 8) | b[1]);
}

int jgmod_igetl(PACKFILE *f)
{
    unsigned int b[4];
    if (!get_bytes(f, b, 4))
        return EOF;
    // Assembled unsigned: the top byte may set the sign bit.
    return (int)(b[0] | (b[1] << 8) | (b[2] << 16) | (b[3] << 24));
}

int jgmod_mgetl(PACKFILE *f)
{
    unsigned int b[4];
    if (!get_bytes(f, b, 4))
        return EOF;
    return (int)((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]);
}

int jgmod_putc(int c, PACKFILE *f)
{
    if (can_put_into_buffer(f)) {
        f->normal.buf_size++;
        *f->normal.buf_pos++ = (unsigned char)c;
        return c & 0xFF;
    }
    if (pack_putc(c, f) == EOF)
        return EOF;
    return c & 0xFF;
}

// Writes the low `count` bytes of value, lowest first; false at the first
// byte the library fails to store, leaving the rest unwritten.
static bool put_low_first(unsigned int value, int count, PACKFILE *f)
{
    for (int index = 0; index < count; index++) {
        int byte = (int)((value >> (8 * index)) & 0xFF);
        if (jgmod_putc(byte, f) != byte)
            return false;
    }
    return true;
}

int jgmod_iputw(int w, PACKFILE *f)
{
    return put_low_first((unsigned int)w, 2, f) ? w : EOF;
}

int jgmod_iputl(int l, PACKFILE *f)
{
    return put_low_first((unsigned int)l, 4, f) ? l : EOF;
}
