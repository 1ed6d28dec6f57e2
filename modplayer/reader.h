// A module file held in memory: every reader of module data (the JGM
// reader, the importers, the detectors and the package search) reads from
// one of these, so that a load opens its file once and a seek is free.
//
// Reads past the end yield EOF, as the packed-file helpers do, and set the
// sticky `failed` flag: a reader takes a group of fields, then checks once.
#ifndef JGMOD_READER_H
#define JGMOD_READER_H

#include "jgmod_internal.h"

struct JGMOD_READER {
    const unsigned char *data;  // the bytes
    long long size;             // bytes in data
    long long position;         // next byte, 0..size; a seek beyond ends at size
    int failed;                 // a read or seek went past the end; stays set
    unsigned char *owned;       // the block reader_close frees, or null
};

// Reads the whole file; 0, or -1 when it cannot be opened or held.
int reader_open(JGMOD_READER *r, const char *filename);
// Reads the rest of an open packed file (a datafile object ends at its own end).
int reader_take(JGMOD_READER *r, PACKFILE *f);
// Reads from bytes the caller keeps.
void reader_wrap(JGMOD_READER *r, const void *data, long long size);
void reader_close(JGMOD_READER *r);
// A reader over length bytes from start (cut to the data), sharing its bytes.
JGMOD_READER reader_part(const JGMOD_READER *r, long long start, long long length);

int reader_getc(JGMOD_READER *r);   // 0..255 or EOF
int reader_igetw(JGMOD_READER *r);  // 0..65535 or EOF
int reader_mgetw(JGMOD_READER *r);
int reader_igetl(JGMOD_READER *r);  // four bytes assembled, or EOF
int reader_mgetl(JGMOD_READER *r);
// Copies up to count bytes; bytes the data lacks leave the buffer as it was.
long long reader_read(JGMOD_READER *r, void *buffer, long long count);
void reader_skip(JGMOD_READER *r, long long count);
void reader_seek(JGMOD_READER *r, long long position);
// Bytes left from the position to the end.
static inline long long reader_left(const JGMOD_READER *r)
{
    return r->size - r->position;
}

#endif
