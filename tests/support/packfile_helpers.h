// Scratch files on disk (the library's normal packfiles) and packfiles that
// write into memory (our own vtable, so not normal).
#ifndef PACKFILE_HELPERS_H
#define PACKFILE_HELPERS_H

#include <allegro.h>
#include <stdio.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

void install_allegro_for_files();  // without drivers, once per program
Bytes read_file_bytes(const char *path);
void write_file_bytes(const char *path, const Bytes &bytes);

class ScratchFile {  // in the temporary directory, removed with the object
public:
    explicit ScratchFile(const Bytes &bytes = Bytes());
    ~ScratchFile() { remove(path_.c_str()); }
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    const char *path() const { return path_.c_str(); }
    Bytes read() const { return read_file_bytes(path()); }
private:
    std::string path_;
};

// A packfile that writes into memory and fails once it holds put_limit bytes
// (-1: never).
struct MemoryPackfile {
    PACKFILE *open();  // closed by pack_fclose
    const Bytes &bytes() const { return data; }
    Bytes data;
    long put_limit = -1;
};

#endif
