// Packed files for tests: scratch files on disk (the library's normal
// packfiles) and packfiles over memory (our own vtable, so the library
// treats them as not normal).
//
//   ScratchFile file(bytes);      // removed at scope end
//   MemoryPackfile memory(bytes); // memory.open() reads it; writes append
#ifndef PACKFILE_HELPERS_H
#define PACKFILE_HELPERS_H

#include <allegro.h>

#include <stdio.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// Installs the library without drivers, once per program.
void install_allegro_for_files();

Bytes read_file_bytes(const char *path);
void write_file_bytes(const char *path, const Bytes &bytes);

class ScratchFile {
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

// put_limit makes every write fail once the vector holds that many bytes.
struct MemoryPackfile {
    explicit MemoryPackfile(const Bytes &initial = Bytes()) : data(initial) {}
    PACKFILE *open();  // closed by pack_fclose as usual
    const Bytes &bytes() const { return data; }
    Bytes data;
    size_t position = 0;
    long put_limit = -1;  // -1: no limit
    long put_attempts = 0;
};

#endif
