// Packed files for tests: scratch files on disk (the library's normal
// packfiles) and packfiles over memory (through a vtable of our own, so the
// library treats them as not normal).
//
//   ScratchFile file(bytes);                 // written now, removed at scope end
//   PACKFILE *f = pack_fopen(file.path(), F_READ);
//
//   MemoryPackfile memory(bytes);            // or MemoryPackfile memory; to write
//   PACKFILE *f = memory.open();             // closed by pack_fclose as usual
//   memory.bytes();                          // what was written
#ifndef PACKFILE_HELPERS_H
#define PACKFILE_HELPERS_H

#include <allegro.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// Installs the library without any driver, once per test program; packed
// files need nothing more.
void install_allegro_for_files();

// A file in the temporary directory, removed when the object goes.
class ScratchFile {
public:
    explicit ScratchFile(const Bytes &bytes = Bytes());
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    const char *path() const { return path_.c_str(); }
    Bytes read() const;  // the file's bytes now
private:
    std::string path_;
};

Bytes read_file_bytes(const char *path);
void write_file_bytes(const char *path, const Bytes &bytes);

// A packfile over a byte vector. Reads come from the vector; writes are
// appended to it. put_limit makes every write after that many bytes fail.
class MemoryPackfile {
public:
    explicit MemoryPackfile(const Bytes &bytes = Bytes());
    PACKFILE *open();
    const Bytes &bytes() const { return bytes_; }
    long put_limit = -1;  // -1: no limit
    long put_attempts = 0;
private:
    static int fclose_(void *self);
    static int getc_(void *self);
    static int ungetc_(int c, void *self);
    static long fread_(void *p, long n, void *self);
    static int putc_(int c, void *self);
    static long fwrite_(const void *p, long n, void *self);
    static int fseek_(void *self, int offset);
    static int feof_(void *self);
    static int ferror_(void *self);
    static const PACKFILE_VTABLE vtable_;
    Bytes bytes_;
    size_t position_ = 0;
};

#endif
