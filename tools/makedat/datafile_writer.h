// Writes Allegro datafiles object by object through the library's packfile
// chunk calls, so the library's own loader reads back exactly what we wrote.
#ifndef MAKEDAT_DATAFILE_WRITER_H
#define MAKEDAT_DATAFILE_WRITER_H

#include <allegro.h>

#include <string>
#include <vector>

struct DatWriter {
    PACKFILE *file = nullptr;   // the datafile, or the open object chunk
    int declared = 0;           // object count written into the header
    int written = 0;            // objects completed so far
    bool in_object = false;
    bool failed = false;        // any write or chunk failure so far
};

// Opens `path` (packed datafile) and writes the header for `object_count`
// objects. Returns false when the file cannot be created.
bool dat_open(DatWriter *w, const char *path, int object_count);

// Starts an object of `type` named `name`; the body goes to w->file until
// dat_end_object.
void dat_begin_object(DatWriter *w, int type, const char *name);
void dat_end_object(DatWriter *w);

// Finishes the file. False when anything failed or the number of objects
// written differs from the number declared.
bool dat_close(DatWriter *w);

// Big-endian helpers for object bodies (the datafile's own byte order).
void dat_put_word(DatWriter *w, int value);
void dat_put_long(DatWriter *w, long value);
void dat_put_bytes(DatWriter *w, const void *bytes, long count);

// Whole objects of the library's standard types.
void dat_write_bitmap(DatWriter *w, const char *name, BITMAP *bmp);
void dat_write_palette(DatWriter *w, const char *name, const PALETTE pal);
void dat_write_data(DatWriter *w, const char *name, const std::string &bytes);

#endif
