// JGM streams built byte by byte in tests, and short ways to load and save
// them.
//
//   JgmHeader h;                      // 1 channel, nothing else; edit fields
//   h.channels = 4; h.samples = 1;
//   JgmStream s;
//   s.header(h).repeat(128, 4)        // channel pans
//    .dword(0);                       // an empty sample
//   JGMOD *j = load_jgm_bytes(s.data());
#ifndef JGM_STREAM_H
#define JGM_STREAM_H

#include <string>

#include "jgmod.h"
#include "support/packfile_helpers.h"

// The header fields in stream order; the name is NUL-padded to 28 bytes.
struct JgmHeader {
    std::string name;
    int unused[2] = {0, 0};  // the two bytes after the name
    int orders = 0;
    int patterns = 0;
    int channels = 1;
    int instruments = 0;
    int samples = 0;
    int tempo = 6;
    int bpm = 125;
    int global_volume = 64;
    int restart_order = 0;
    int flags = 0;
};

class JgmStream {
public:
    JgmStream &byte(int value);
    JgmStream &word(int value);             // 16 bits, little-endian
    JgmStream &dword(long value);           // 32 bits, little-endian
    JgmStream &repeat(int value, int count);  // count equal bytes
    JgmStream &append(const Bytes &bytes);
    JgmStream &header(const JgmHeader &h);  // signature, name, unused bytes, ten words
    // A non-empty sample: its 23-byte header followed by `data`.
    JgmStream &sample(long length, long loop_start, long loop_end, int volume, int pan,
                      int transpose, int tuning, int bits, int loop_type, const Bytes &data);
    const Bytes &data() const { return bytes_; }
    size_t size() const { return bytes_.size(); }
private:
    Bytes bytes_;
};

// Two complete streams in the writer's own run coding, so that saving what
// they load gives them back byte for byte: a note-number module with an
// instrument, an empty, an 8-bit and a 16-bit sample and runs across rows;
// and a period module with note cut and key-off markers.
JgmStream example_note_number_stream();
JgmStream example_period_stream();

// Loads a stream from a scratch file through the library's normal packfile.
JGMOD *load_jgm_bytes(const Bytes &bytes);

// Saves a module to a scratch file and returns its bytes; *result gets
// save_jgm's result.
Bytes save_jgm_bytes(const JGMOD *j, int *result);

#endif
