// Module files built byte by byte for the importer tests, with small defaults.
#ifndef MODULE_FILES_H
#define MODULE_FILES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "support/packfile_helpers.h"

class ByteWriter {
public:
    explicit ByteWriter(Bytes *bytes) : bytes_(bytes) {}
    ByteWriter &u8(int value)
    {
        bytes_->push_back((unsigned char)value);
        return *this;
    }
    ByteWriter &le16(int value) { return u8(value).u8(value >> 8); }
    ByteWriter &le32(uint32_t value) { return le16((int)value).le16((int)(value >> 16)); }
    ByteWriter &be16(int value) { return u8(value >> 8).u8(value); }
    ByteWriter &text(const std::string &text, size_t width);  // NUL-padded or cut
    ByteWriter &fill(int value, size_t count)
    {
        bytes_->insert(bytes_->end(), count, (unsigned char)value);
        return *this;
    }
    ByteWriter &append(const Bytes &b)
    {
        bytes_->insert(bytes_->end(), b.begin(), b.end());
        return *this;
    }
    ByteWriter &align(size_t boundary)
    {
        return fill(0, (boundary - size() % boundary) % boundary);
    }
    size_t size() const { return bytes_->size(); }
private:
    Bytes *bytes_;
};

struct ModSample {  // repeat length 1: no loop; data zero-filled to the length
    int length_words = 0, finetune = 0, volume = 64, repeat_offset_words = 0,
        repeat_length_words = 1;
    Bytes data;
};

// One cell word: sample high nibble, period, sample low nibble, command, parameter.
uint32_t mod_cell(int sample, int period, int command, int parameter);

struct ModFile {
    std::string title = "generated mod", signature = "M.K.";  // 15 samples: no signature
    int sample_count = 31, song_length = 1, restart = 0, channels = 4;
    std::vector<ModSample> samples;
    std::vector<int> orders = {0};
    std::vector<std::vector<uint32_t>> cells;  // per pattern; missing ones are written empty
    bool truncate_samples = false;             // leave the sample data out
};
Bytes build_mod(const ModFile &mod);

struct S3mSample {  // type 1: digital; flags: bit 0 loop, bit 2 16-bit; lengths in points
    int type = 1, volume = 64, flags = 0;
    long length = 0, loop_start = 0, loop_end = 0, c2spd = 8363;
    std::string tag = "SCRS";
    Bytes data;  // exactly as stored
};

struct S3mCell {  // -1 leaves a group out
    int row, channel, note, instrument, volume, command, info;
};

struct S3mFile {  // sample format 1: signed; default pan 252: the pan table is written
    std::string title = "generated s3m";
    std::vector<int> orders = {0};
    int sample_format = 2, global_volume = 64, speed = 6, tempo = 125, default_pan = 0;
    int channel_settings[32];  // 0, 8, 1, 9, then 255 (disabled)
    int pan_table[32];
    std::vector<S3mSample> samples;
    std::vector<std::vector<S3mCell>> patterns;
    S3mFile();
};
Bytes build_s3m(const S3mFile &s3m);

struct XmSample {  // lengths in bytes; type: bits 0..1 loop, bit 4 16-bit
    long length = 0, loop_start = 0, loop_length = 0;
    int volume = 64, finetune = 0, type = 0, pan = 128, relative_note = 0;
    Bytes data;  // delta-coded, as stored; zero-filled to the length
};

struct XmEnvelopePoint { int tick, value; };

struct XmInstrument {
    int pan_points = -1;  // -1: as many as given
    std::vector<int> map;                    // 96 bytes, default 0
    std::vector<XmEnvelopePoint> volume_envelope, pan_envelope;
    int volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0, volume_flags = 0;
    int pan_sustain = 0, pan_loop_start = 0, pan_loop_end = 0, pan_flags = 0, fadeout = 0;
    std::vector<XmSample> samples;
};

struct XmCell {  // -1: left out
    int note = -1, instrument = -1, volume = -1, effect = -1, parameter = -1;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;  // row-major; missing cells are empty
    Bytes raw;                  // when non-empty, the packed data as written
};

struct XmFile {  // flags bit 0: linear frequencies; versions below 0x0104: the older layout
    std::string title = "generated xm";
    int version = 0x0104;
    int song_length = 1, restart = 0, channels = 4, flags = 1, tempo = 6, bpm = 125;
    std::vector<int> orders = {0};
    std::vector<XmPattern> patterns = {XmPattern()};
    std::vector<XmInstrument> instruments;
};
Bytes build_xm(const XmFile &xm);

// Files that use much of each format, for the peer comparison and the fuzz seeds.
ModFile generated_mod(const std::string &signature, int channels);
S3mFile generated_s3m();
XmFile generated_xm(int flags);

// "IMPM", the song name and padding.
Bytes build_it(const std::string &name);
// The package signature, filler up to `offset`, then the module.
Bytes build_unreal_package(const Bytes &module, int offset);

// The shared module folder's files, sorted (only MOD, S3M, XM with `trackers_only`).
std::vector<std::string> shared_module_files(const std::string &source_dir, bool trackers_only);
// The lower-case extension of a path, without the dot.
std::string extension_of(const std::string &path);

#endif
