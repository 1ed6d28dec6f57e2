#include "support/module_files.h"

#include <dirent.h>

#include <algorithm>
#include <tuple>

ByteWriter &ByteWriter::text(const std::string &text, size_t width)
{
    for (size_t index = 0; index < width; index++)
        u8(index < text.size() ? (unsigned char)text[index] : 0);
    return *this;
}

static void patch_le16(Bytes *bytes, size_t offset, int value)
{
    (*bytes)[offset] = (unsigned char)value;
    (*bytes)[offset + 1] = (unsigned char)(value >> 8);
}

static Bytes sized(const Bytes &data, size_t length)
{
    Bytes out(data.begin(), data.begin() + std::min(data.size(), length));
    out.resize(length, 0);
    return out;
}

uint32_t mod_cell(int sample, int period, int command, int parameter)
{
    return ((uint32_t)(sample & 0xF0) << 24) | ((uint32_t)(period & 0xFFF) << 16) |
           ((uint32_t)(sample & 0x0F) << 12) | ((uint32_t)(command & 0x0F) << 8) |
           (uint32_t)(parameter & 0xFF);
}

Bytes build_mod(const ModFile &mod)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    std::vector<ModSample> samples = mod.samples;
    samples.resize(mod.sample_count);
    out.text(mod.title, 20);
    for (const ModSample &s : samples) {
        out.text("sample", 22).be16(s.length_words).u8(s.finetune).u8(s.volume);
        out.be16(s.repeat_offset_words).be16(s.repeat_length_words);
    }
    out.u8(mod.song_length).u8(mod.restart);
    int largest = 0;
    for (int index = 0; index < 128; index++)
        out.u8(index < (int)mod.orders.size() ? mod.orders[index] : 0);
    for (int order : mod.orders)
        largest = std::max(largest, order);
    if (mod.sample_count == 31)
        out.text(mod.signature, 4);
    for (int pattern = 0; pattern <= largest; pattern++) {
        for (int cell = 0; cell < 64 * mod.channels; cell++) {
            bool given = pattern < (int)mod.cells.size() && cell < (int)mod.cells[pattern].size();
            uint32_t word = given ? mod.cells[pattern][cell] : 0;
            out.be16((int)(word >> 16)).be16((int)word);
        }
    }
    for (const ModSample &s : samples)
        out.append(mod.truncate_samples ? Bytes() : sized(s.data, (size_t)s.length_words * 2));
    return bytes;
}

S3mFile::S3mFile() : channel_settings{0, 8, 1, 9}, pan_table{}
{
    std::fill(channel_settings + 4, channel_settings + 32, 255);
}

static Bytes pack_s3m_pattern(const std::vector<S3mCell> &cells)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    for (int row = 0; row < 64; row++) {
        for (const S3mCell &c : cells) {
            if (c.row != row)
                continue;
            out.u8((c.channel & 31) | (c.note >= 0 ? 0x20 : 0) | (c.volume >= 0 ? 0x40 : 0) |
                   (c.command >= 0 ? 0x80 : 0));
            if (c.note >= 0)
                out.u8(c.note).u8(c.instrument);
            if (c.volume >= 0)
                out.u8(c.volume);
            if (c.command >= 0)
                out.u8(c.command).u8(c.info);
        }
        out.u8(0);
    }
    return bytes;
}

Bytes build_s3m(const S3mFile &s3m)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    int patterns = (int)s3m.patterns.size();
    int samples = (int)s3m.samples.size();
    out.text(s3m.title, 28).u8(0x1A).u8(16).le16(0);
    out.le16((int)s3m.orders.size()).le16(samples).le16(patterns);
    out.le16(0).le16(0x1320).le16(s3m.sample_format).text("SCRM", 4);
    out.u8(s3m.global_volume).u8(s3m.speed).u8(s3m.tempo).u8(0xB0).u8(0);
    out.u8(s3m.default_pan).fill(0, 10);
    for (int setting : s3m.channel_settings)
        out.u8(setting);
    for (int order : s3m.orders)
        out.u8(order);
    size_t pointers = out.size();
    out.fill(0, 2 * (size_t)(samples + patterns));
    for (int index = 0; s3m.default_pan == 252 && index < 32; index++)
        out.u8(s3m.pan_table[index]);
    std::vector<size_t> headers;
    for (const S3mSample &s : s3m.samples) {
        out.align(16);
        patch_le16(&bytes, pointers + 2 * headers.size(), (int)(out.size() / 16));
        headers.push_back(out.size());
        out.u8(s.type).text("file.smp", 12).u8(0).le16(0);
        out.le32((uint32_t)s.length).le32((uint32_t)s.loop_start).le32((uint32_t)s.loop_end);
        out.u8(s.volume).u8(0).u8(0).u8(s.flags).le32((uint32_t)s.c2spd);
        out.fill(0, 12).text("sample name", 28).text(s.tag, 4);
    }
    for (int pattern = 0; pattern < patterns; pattern++) {
        Bytes packed = pack_s3m_pattern(s3m.patterns[pattern]);
        out.align(16);
        patch_le16(&bytes, pointers + 2 * (size_t)(samples + pattern), (int)(out.size() / 16));
        out.le16((int)packed.size() + 2).append(packed);
    }
    for (size_t index = 0; index < headers.size(); index++) {
        out.align(16);
        size_t paragraph = out.size() / 16;
        bytes[headers[index] + 13] = (unsigned char)(paragraph >> 16);
        patch_le16(&bytes, headers[index] + 14, (int)paragraph);
        out.append(s3m.samples[index].data);
    }
    return bytes;
}

static Bytes pack_xm_pattern(const std::vector<XmCell> &cells, int rows, int channels)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    for (int index = 0; index < rows * channels; index++) {
        XmCell c = index < (int)cells.size() ? cells[index] : XmCell();
        int values[5] = {c.note, c.instrument, c.volume, c.effect, c.parameter};
        int what = 0x80;
        for (int bit = 0; bit < 5; bit++)
            what |= values[bit] >= 0 ? 1 << bit : 0;
        out.u8(what);
        for (int value : values) {
            if (value >= 0)
                out.u8(value);
        }
    }
    return bytes;
}

static void write_xm_instrument(ByteWriter &out, const XmInstrument &in, ByteWriter &data)
{
    int sample_count = (int)in.samples.size();
    out.le32(263).text("instrument", 22).u8(0).le16(sample_count);
    Bytes fields;
    ByteWriter rest(&fields);
    rest.le32(40);
    for (int note = 0; note < 96; note++)
        rest.u8(note < (int)in.map.size() ? in.map[note] : 0);
    for (const std::vector<XmEnvelopePoint> *points : {&in.volume_envelope, &in.pan_envelope}) {
        for (int index = 0; index < 12; index++) {
            XmEnvelopePoint p =
                index < (int)points->size() ? (*points)[index] : XmEnvelopePoint{0, 0};
            rest.le16(p.tick).le16(p.value);
        }
    }
    rest.u8((int)in.volume_envelope.size())
        .u8(in.pan_points >= 0 ? in.pan_points : (int)in.pan_envelope.size());
    rest.u8(in.volume_sustain).u8(in.volume_loop_start).u8(in.volume_loop_end);
    rest.u8(in.pan_sustain).u8(in.pan_loop_start).u8(in.pan_loop_end);
    rest.u8(in.volume_flags).u8(in.pan_flags).fill(0, 4).le16(in.fadeout);  // no vibrato
    fields.resize(263 - 29, 0);  // the header holds exactly its stated size
    out.append(fields);
    for (const XmSample &s : in.samples) {
        out.le32((uint32_t)s.length).le32((uint32_t)s.loop_start).le32((uint32_t)s.loop_length);
        out.u8(s.volume).u8(s.finetune).u8(s.type).u8(s.pan).u8(s.relative_note);
        out.u8(0).text("sample", 22);
    }
    for (const XmSample &s : in.samples)
        data.append(sized(s.data, (size_t)s.length));
}

// Versions 0x0102 and 0x0103 put the instruments before the patterns and
// all sample data last; 0x0102 stores a pattern's rows as one byte, less one.
Bytes build_xm(const XmFile &xm)
{
    Bytes bytes, patterns, instruments, data;
    ByteWriter out(&bytes), pattern_out(&patterns), instrument_out(&instruments), data_out(&data);
    bool old = xm.version < 0x0104;
    out.text("Extended Module: ", 17).text(xm.title, 20).u8(0x1A).text("generator", 20);
    out.le16(xm.version);
    out.le32(276)
        .le16(xm.song_length)
        .le16(xm.restart)
        .le16(xm.channels)
        .le16((int)xm.patterns.size());
    out.le16((int)xm.instruments.size()).le16(xm.flags).le16(xm.tempo).le16(xm.bpm);
    for (int index = 0; index < 256; index++)
        out.u8(index < (int)xm.orders.size() ? xm.orders[index] : 0);
    for (const XmPattern &pattern : xm.patterns) {
        Bytes packed = pattern.raw.empty()
                           ? pack_xm_pattern(pattern.cells, pattern.rows, xm.channels)
                           : pattern.raw;
        if (xm.version == 0x0102)
            pattern_out.le32(8).u8(0).u8(pattern.rows - 1);
        else
            pattern_out.le32(9).u8(0).le16(pattern.rows);
        pattern_out.le16((int)packed.size()).append(packed);
    }
    for (const XmInstrument &instrument : xm.instruments)
        write_xm_instrument(instrument_out, instrument, old ? data_out : instrument_out);
    out.append(old ? instruments : patterns).append(old ? patterns : instruments).append(data);
    return bytes;
}

Bytes build_it(const std::string &name)
{
    Bytes bytes;
    ByteWriter(&bytes).text("IMPM", 4).text(name, 26).le16(0x1004).fill(0, 160);
    return bytes;
}

Bytes build_unreal_package(const Bytes &module, int offset)
{
    Bytes bytes = {0xC1, 0x83, 0x2A, 0x9E};
    ByteWriter(&bytes).fill(0, (size_t)offset - 4).append(module);
    return bytes;
}

std::string extension_of(const std::string &path)
{
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    return extension;
}

std::vector<std::string> shared_module_files(const std::string &source_dir, bool trackers_only)
{
    std::vector<std::string> files;
    std::string folder = source_dir + "/../shared/modules";
    DIR *dir = opendir(folder.c_str());
    while (dirent *entry = dir != NULL ? readdir(dir) : NULL) {
        std::string name = entry->d_name, kind = extension_of(name);
        if (name[0] != '.' && name != "README.md" &&
            (!trackers_only || kind == "mod" || kind == "s3m" || kind == "xm"))
            files.push_back(folder + "/" + name);
    }
    if (dir != NULL)
        closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

// Points that differ from their neighbours, so that any misplaced or mistranslated
// point shows.
static Bytes ramp(size_t count, int step)
{
    Bytes bytes(count);
    for (size_t index = 0; index < count; index++)
        bytes[index] = (unsigned char)(index * step + index / 7);
    return bytes;
}

ModFile generated_mod(const std::string &signature, int channels)
{
    ModFile mod;
    mod.title = "generated " + signature;
    mod.signature = signature;
    mod.channels = channels;
    mod.song_length = 3;
    mod.orders = {0, 2, 1, 0, 3};  // pattern 3 only past the song's end
    static const int periods[] = {1712, 856, 428, 214, 113, 907, 453, 226, 120, 808, 404, 202};
    for (int pattern = 0; pattern < 4; pattern++) {
        mod.cells.emplace_back(64 * channels);
        for (int cell = pattern; cell < 64 * channels; cell += 3)
            mod.cells[pattern][cell] =
                mod_cell(1 + cell % 31, periods[cell % 12], cell % 16, cell & 0xFF);
    }
    mod.samples.resize(31);
    for (int index = 0; index < 31; index += 2) {
        bool loop = index % 4 == 0;
        int length = 10 + index * 7;
        Bytes data = ramp(2 * (size_t)length, index);
        mod.samples[index] = {length, 0, index * 2, loop ? index : 0, loop ? 5 + index : 1, data};
    }
    return mod;
}

S3mFile generated_s3m()
{
    S3mFile s3m;
    s3m.orders = {0, 254, 2, 1, 255};
    s3m.channel_settings[5] = 3;  // channel 5 enabled, 4 not: a gap
    s3m.channel_settings[12] = 10;
    for (int index = 0; index < 5; index++) {  // sample 3: 16-bit
        long length = 40 + index * 10;
        Bytes data = ramp((size_t)length * (index == 3 ? 2 : 1), 40 + index);
        int flags = (index % 2) | (index == 3 ? 4 : 0), gain = 20 + index * 8;
        s3m.samples.push_back({1, gain, flags, length, index, length - index, 8363, "SCRS", data});
    }
    const int channels[] = {0, 1, 2, 3, 5, 12};
    s3m.patterns.resize(3);
    for (int pattern = 0; pattern < 3; pattern++) {
        for (int row = pattern; row < 64; row += 2) {
            int note = row % 7 == 0 ? 254 : (row % 8) * 16 + row % 12;
            s3m.patterns[pattern].push_back(
                {row, channels[row % 6], note, 1 + row % 5, row, 1 + row % 26, row});
        }
    }
    return s3m;
}

XmFile generated_xm(int flags)
{
    XmFile xm;
    xm.flags = flags;
    xm.channels = 6;
    xm.song_length = 4;
    xm.restart = 1;
    xm.orders = {0, 1, 2, 1};
    xm.patterns.assign(3, XmPattern());
    xm.patterns[1].rows = 32;
    xm.patterns[2].rows = 100;
    for (int pattern = 0; pattern < 3; pattern++) {
        int rows = xm.patterns[pattern].rows;
        xm.patterns[pattern].cells.resize((size_t)rows * 6);
        for (int cell = pattern; cell < rows * 6; cell += 5) {
            // key off with and without an instrument
            xm.patterns[pattern].cells[cell] = {cell % 11 == 0 ? 97 : 1 + cell % 96,
                                                cell % 22 == 0 ? -1 : 1 + cell % 3,
                                                0x10 + cell % 64, cell % 34, cell & 0xFF};
        }
    }
    xm.instruments.resize(3);
    for (int index = 0; index < 3; index++) {
        for (int sample = 0; sample <= index; sample++) {  // sample 1: 16-bit
            long length = 60 + 20 * sample;
            int type = sample == 1 ? 0x11 : sample;
            Bytes data = ramp((size_t)length, 1 + index);
            int volume = 30 + 10 * sample, pan = 100 + 50 * sample;
            XmSample s = {length, 10, 20, volume, -8 * sample, type, pan, sample - 1, data};
            xm.instruments[index].samples.push_back(s);
        }
        for (int note = 0; note < 96; note++)  // past the instrument's samples: the blank one
            xm.instruments[index].map.push_back(note % (index + 2));
    }
    return xm;
}
