// The datafile layout: magic, "ALL.", object count, then per object its
// properties ("prop" records), its type and its body in a chunk whose two
// length counts pack_fclose_chunk fills in.
#include "datafile_writer.h"

#include <string.h>

static void note_errors(DatWriter *w)
{
    if (w->file && pack_ferror(w->file))
        w->failed = true;
}

bool dat_open(DatWriter *w, const char *path, int object_count)
{
    *w = DatWriter();
    w->file = pack_fopen(path, F_WRITE_PACKED);
    if (!w->file) {
        w->failed = true;
        return false;
    }
    w->declared = object_count;
    pack_mputl(DAT_MAGIC, w->file);
    pack_mputl(object_count, w->file);
    note_errors(w);
    return true;
}

static void write_property(DatWriter *w, int type, const char *value)
{
    long length = (long)strlen(value);
    pack_mputl(DAT_PROPERTY, w->file);
    pack_mputl(type, w->file);
    pack_mputl(length, w->file);
    pack_fwrite(value, length, w->file);
}

void dat_begin_object(DatWriter *w, int type, const char *name)
{
    if (!w->file || w->in_object) {
        w->failed = true;
        return;
    }
    write_property(w, DAT_NAME, name);
    pack_mputl(type, w->file);
    note_errors(w);
    // Objects are stored plainly inside the packed file: compressing twice
    // gains nothing.
    PACKFILE *chunk = pack_fopen_chunk(w->file, FALSE);
    if (!chunk) {
        w->failed = true;
        return;
    }
    w->file = chunk;
    w->in_object = true;
}

void dat_end_object(DatWriter *w)
{
    if (!w->in_object) {
        w->failed = true;
        return;
    }
    note_errors(w);
    w->file = pack_fclose_chunk(w->file);
    w->in_object = false;
    if (!w->file) {
        w->failed = true;
        return;
    }
    note_errors(w);
    w->written++;
}

bool dat_close(DatWriter *w)
{
    if (w->in_object) {
        dat_end_object(w);
        w->failed = true;
    }
    if (w->file) {
        note_errors(w);
        if (pack_fclose(w->file) != 0)
            w->failed = true;
        w->file = nullptr;
    }
    return !w->failed && w->written == w->declared;
}

void dat_put_word(DatWriter *w, int value)
{
    pack_mputw(value, w->file);
}

void dat_put_long(DatWriter *w, long value)
{
    pack_mputl(value, w->file);
}

void dat_put_bytes(DatWriter *w, const void *bytes, long count)
{
    if (count > 0 && pack_fwrite(bytes, count, w->file) != count)
        w->failed = true;
}

void dat_write_bitmap(DatWriter *w, const char *name, BITMAP *bmp)
{
    dat_begin_object(w, DAT_BITMAP, name);
    if (!w->in_object)
        return;
    dat_put_word(w, 8);   // colour depth: palette indices
    dat_put_word(w, bmp->w);
    dat_put_word(w, bmp->h);
    for (int y = 0; y < bmp->h; y++)
        dat_put_bytes(w, bmp->line[y], bmp->w);
    dat_end_object(w);
}

void dat_write_palette(DatWriter *w, const char *name, const PALETTE pal)
{
    dat_begin_object(w, DAT_PALETTE, name);
    if (!w->in_object)
        return;
    for (int i = 0; i < PAL_SIZE; i++) {
        unsigned char entry[4] = {pal[i].r, pal[i].g, pal[i].b, 0};
        dat_put_bytes(w, entry, 4);
    }
    dat_end_object(w);
}

void dat_write_data(DatWriter *w, const char *name, const std::string &bytes)
{
    dat_begin_object(w, DAT_DATA, name);
    if (!w->in_object)
        return;
    dat_put_bytes(w, bytes.data(), (long)bytes.size());
    dat_end_object(w);
}
