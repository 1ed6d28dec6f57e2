// MOD, S3M, XM, IT and Unreal package files built byte by byte for the
// importer tests. Each builder takes a plain description of the file with
// the smallest sensible defaults; tests change only what they are about.
//
//   ModFile mod;                              // 31 samples, "M.K.", 1 pattern
//   mod.cells[0][0] = mod_cell(1, 428, 0xC, 0x20);
//   ScratchFile file(build_mod(mod));
//   JGMOD *j = load_m(file.path(), 31);
#ifndef MODULE_FILES_H
#define MODULE_FILES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "support/packfile_helpers.h"

// Appends little- and big-endian numbers and padded text to a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(Bytes *bytes) : bytes_(bytes) {}
    ByteWriter &u8(int value);
    ByteWriter &le16(int value);
    ByteWriter &le32(uint32_t value);
    ByteWriter &be16(int value);
    ByteWriter &be32(uint32_t value);
    ByteWriter &text(const std::string &text, size_t width);  // NUL-padded or cut
    ByteWriter &fill(int value, size_t count);
    ByteWriter &append(const Bytes &bytes);
    ByteWriter &align(size_t boundary);  // zero bytes up to a multiple of boundary
    size_t size() const { return bytes_->size(); }
private:
    Bytes *bytes_;
};

// Overwrites a little-endian word at an offset already written.
void patch_le16(Bytes *bytes, size_t offset, int value);

// ---- MOD ----

struct ModSample {
    int length_words = 0;
    int finetune = 0;
    int volume = 64;
    int repeat_offset_words = 0;
    int repeat_length_words = 1;  // 1 = no loop
    Bytes data;                   // as in the file (signed); zero-filled to the length when shorter
};

// One cell word: sample high nibble, period, sample low nibble, command, parameter.
uint32_t mod_cell(int sample, int period, int command, int parameter);

struct ModFile {
    std::string title = "generated mod";
    int sample_count = 31;           // 15: no signature is written
    std::vector<ModSample> samples;  // resized to sample_count
    int song_length = 1;
    int restart = 0;
    std::vector<int> orders = {0};   // padded with 0 to 128 entries
    std::string signature = "M.K.";
    int channels = 4;
    // One vector of 64 x channels cell words per pattern; missing patterns
    // (up to the largest order entry) are written empty.
    std::vector<std::vector<uint32_t>> cells;
    bool truncate_samples = false;   // leave the sample data out of the file
};

Bytes build_mod(const ModFile &mod);

// ---- S3M ----

struct S3mSample {
    int type = 1;              // 1 = digital sample
    long length = 0;           // points
    long loop_start = 0;
    long loop_end = 0;
    int volume = 64;
    int flags = 0;             // bit 0 loop, bit 2 16-bit
    long c2spd = 8363;
    std::string tag = "SCRS";
    Bytes data;                // exactly as stored in the file
    bool no_data_pointer = false;  // data position points past the file
};

// One cell of a packed pattern; -1 leaves a group out.
struct S3mCell {
    int row = 0;
    int channel = 0;
    int note = -1;        // with instrument
    int instrument = 0;
    int volume = -1;
    int command = -1;     // with info
    int info = 0;
};

struct S3mFile {
    std::string title = "generated s3m";
    std::vector<int> orders = {0};
    int sample_format = 2;        // 1 = signed data, 2 = unsigned
    int global_volume = 64;
    int speed = 6;
    int tempo = 125;
    int default_pan = 0;          // 252: the pan table is written
    int channel_settings[32];     // defaults: 0, 8, 1, 9 then 255 (disabled)
    int pan_table[32];            // defaults 0
    std::vector<S3mSample> samples;
    std::vector<std::vector<S3mCell>> patterns;  // packed in row order
    std::vector<Bytes> raw_patterns;  // when non-empty, used instead of patterns (packed data only)
    std::vector<bool> empty_pointer;  // per pattern: write parapointer 0
    int header_pattern_count = -1;    // -1: the number of patterns given
    S3mFile();
};

Bytes build_s3m(const S3mFile &s3m);
// The packed form of one pattern's cells (64 rows), without the length word.
Bytes pack_s3m_pattern(const std::vector<S3mCell> &cells);

// ---- XM ----

struct XmSample {
    long length = 0;         // bytes
    long loop_start = 0;     // bytes
    long loop_length = 0;    // bytes
    int volume = 64;
    int finetune = 0;        // signed
    int type = 0;            // bits 0..1 loop, bit 4 16-bit
    int pan = 128;
    int relative_note = 0;   // signed
    Bytes data;              // as stored (delta-coded); zero-filled to the length when shorter
};

struct XmEnvelopePoint {
    int tick;
    int value;
};

struct XmInstrument {
    long header_size = 263;             // 29 or less: no more than the short header
    int sample_count = -1;              // -1: samples.size()
    std::vector<int> map;               // 96 bytes; default all 0
    std::vector<XmEnvelopePoint> volume_envelope;  // up to 12 written
    std::vector<XmEnvelopePoint> pan_envelope;
    int volume_points = -1;             // -1: volume_envelope.size()
    int pan_points = -1;
    int volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0;
    int pan_sustain = 0, pan_loop_start = 0, pan_loop_end = 0;
    int volume_flags = 0, pan_flags = 0;
    int vibrato[4] = {0, 0, 0, 0};      // type, sweep, depth, rate
    int fadeout = 0;
    std::vector<XmSample> samples;
};

// One cell; -1 leaves a value out (packed form).
struct XmCell {
    int note = -1;
    int instrument = -1;
    int volume = -1;
    int effect = -1;
    int parameter = -1;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;   // rows x channels, row-major; missing cells are empty
    Bytes raw;                   // when non-empty, the packed data as written
    bool empty = false;          // packed size 0
};

struct XmFile {
    std::string title = "generated xm";
    int song_length = 1;
    int restart = 0;
    int channels = 4;
    int flags = 1;               // bit 0: linear frequency table
    int tempo = 6;
    int bpm = 125;
    std::vector<int> orders = {0};   // padded with 0 to 256 entries
    std::vector<XmPattern> patterns = {XmPattern()};
    std::vector<XmInstrument> instruments;
    int header_pattern_count = -1;     // -1: patterns.size()
    int header_instrument_count = -1;  // -1: instruments.size()
    int header_channels = -1;          // -1: channels
};

Bytes build_xm(const XmFile &xm);
// The packed form of one pattern (every cell written with a packing byte).
Bytes pack_xm_pattern(const std::vector<XmCell> &cells, int rows, int channels);

// ---- IT and packages ----

// The first bytes of an IT file: "IMPM", the song name, and padding.
Bytes build_it(const std::string &name);

// An Unreal package: the signature, filler up to `offset`, then the module.
Bytes build_unreal_package(const Bytes &module, int offset);

#endif
