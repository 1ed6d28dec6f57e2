// JGM streams built byte by byte in tests, e.g. a header, a channel pan
// and an empty sample: JgmStream().header(h).byte(128).dword(0).
#ifndef JGM_STREAM_H
#define JGM_STREAM_H

#include <string>

#include "jgmod.h"
#include "support/packfile_helpers.h"

// The header fields in stream order; the name is NUL-padded to 28 bytes.
struct JgmHeader {
    std::string name;
    int unused[2] = {0, 0};  // the two bytes after the name
    int orders = 0, patterns = 0, channels = 1, instruments = 0, samples = 0;
    int tempo = 6, bpm = 125, global_volume = 64, restart_order = 0, flags = 0;
};

class JgmStream {
public:
    JgmStream &byte(int value)
    {
        bytes_.push_back((unsigned char)value);
        return *this;
    }
    JgmStream &word(int value) { return byte(value).byte(value >> 8); }  // little-endian
    JgmStream &dword(long value) { return word((int)value).word((int)(value >> 16)); }
    JgmStream &repeat(int value, int count)
    {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }
    JgmStream &append(const Bytes &b)
    {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    JgmStream &header(const JgmHeader &h);
    // A non-empty sample: its 23-byte header (vibrato bytes 0) and `data`.
    JgmStream &sample(long length, long loop_start, long loop_end, int volume, int pan,
                      int transpose, int tuning, int bits, int loop_type, const Bytes &data);
    const Bytes &data() const { return bytes_; }
    size_t size() const { return bytes_.size(); }
private:
    Bytes bytes_;
};

// Through a scratch file and the library's normal packfile.
JGMOD *load_jgm_bytes(const Bytes &bytes);
Bytes save_jgm_bytes(const JGMOD *j, int *result);  // *result: save_jgm's

#endif
