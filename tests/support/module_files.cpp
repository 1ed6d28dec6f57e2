// Byte-by-byte writers of the module files that the importer tests read.
#include "support/module_files.h"

#include <algorithm>

ByteWriter &ByteWriter::u8(int value)
{
    bytes_->push_back((unsigned char)(value & 0xFF));
    return *this;
}

ByteWriter &ByteWriter::le16(int value)
{
    return u8(value).u8(value >> 8);
}

ByteWriter &ByteWriter::le32(uint32_t value)
{
    return u8((int)value).u8((int)(value >> 8)).u8((int)(value >> 16)).u8((int)(value >> 24));
}

ByteWriter &ByteWriter::be16(int value)
{
    return u8(value >> 8).u8(value);
}

ByteWriter &ByteWriter::be32(uint32_t value)
{
    return u8((int)(value >> 24)).u8((int)(value >> 16)).u8((int)(value >> 8)).u8((int)value);
}

ByteWriter &ByteWriter::text(const std::string &text, size_t width)
{
    for (size_t index = 0; index < width; index++)
        u8(index < text.size() ? (unsigned char)text[index] : 0);
    return *this;
}

ByteWriter &ByteWriter::fill(int value, size_t count)
{
    bytes_->insert(bytes_->end(), count, (unsigned char)value);
    return *this;
}

ByteWriter &ByteWriter::append(const Bytes &bytes)
{
    bytes_->insert(bytes_->end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter &ByteWriter::align(size_t boundary)
{
    while (bytes_->size() % boundary != 0)
        bytes_->push_back(0);
    return *this;
}

void patch_le16(Bytes *bytes, size_t offset, int value)
{
    (*bytes)[offset] = (unsigned char)(value & 0xFF);
    (*bytes)[offset + 1] = (unsigned char)((value >> 8) & 0xFF);
}

// Sample data cut or zero-filled to exactly `length` bytes.
static Bytes sized(const Bytes &data, size_t length)
{
    Bytes out(data.begin(), data.begin() + std::min(data.size(), length));
    out.resize(length, 0);
    return out;
}

// ---- MOD ----

uint32_t mod_cell(int sample, int period, int command, int parameter)
{
    return ((uint32_t)(sample & 0xF0) << 24) | ((uint32_t)(period & 0xFFF) << 16) |
           ((uint32_t)(sample & 0x0F) << 12) | ((uint32_t)(command & 0x0F) << 8) | (uint32_t)(parameter & 0xFF);
}

Bytes build_mod(const ModFile &mod)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    std::vector<ModSample> samples = mod.samples;
    samples.resize(mod.sample_count);
    out.text(mod.title, 20);
    for (const ModSample &sample : samples) {
        out.text("sample", 22).be16(sample.length_words).u8(sample.finetune).u8(sample.volume);
        out.be16(sample.repeat_offset_words).be16(sample.repeat_length_words);
    }
    out.u8(mod.song_length).u8(mod.restart);
    int largest = 0;
    for (int index = 0; index < 128; index++) {
        int order = index < (int)mod.orders.size() ? mod.orders[index] : 0;
        largest = std::max(largest, order);
        out.u8(order);
    }
    if (mod.sample_count == 31)
        out.text(mod.signature, 4);
    for (int pattern = 0; pattern <= largest; pattern++) {
        for (int cell = 0; cell < 64 * mod.channels; cell++) {
            bool given = pattern < (int)mod.cells.size() && cell < (int)mod.cells[pattern].size();
            out.be32(given ? mod.cells[pattern][cell] : 0);
        }
    }
    if (!mod.truncate_samples) {
        for (const ModSample &sample : samples)
            out.append(sized(sample.data, (size_t)sample.length_words * 2));
    }
    return bytes;
}

// ---- S3M ----

S3mFile::S3mFile()
{
    for (int channel = 0; channel < 32; channel++) {
        channel_settings[channel] = 255;
        pan_table[channel] = 0;
    }
    channel_settings[0] = 0;
    channel_settings[1] = 8;
    channel_settings[2] = 1;
    channel_settings[3] = 9;
}

Bytes pack_s3m_pattern(const std::vector<S3mCell> &cells)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    for (int row = 0; row < 64; row++) {
        for (const S3mCell &cell : cells) {
            if (cell.row != row)
                continue;
            int what = cell.channel & 31;
            what |= cell.note >= 0 ? 0x20 : 0;
            what |= cell.volume >= 0 ? 0x40 : 0;
            what |= cell.command >= 0 ? 0x80 : 0;
            out.u8(what);
            if (cell.note >= 0)
                out.u8(cell.note).u8(cell.instrument);
            if (cell.volume >= 0)
                out.u8(cell.volume);
            if (cell.command >= 0)
                out.u8(cell.command).u8(cell.info);
        }
        out.u8(0);
    }
    return bytes;
}

Bytes build_s3m(const S3mFile &s3m)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    std::vector<Bytes> packed = s3m.raw_patterns;
    if (packed.empty()) {
        for (const std::vector<S3mCell> &cells : s3m.patterns)
            packed.push_back(pack_s3m_pattern(cells));
    }
    int pattern_count = s3m.header_pattern_count >= 0 ? s3m.header_pattern_count : (int)packed.size();
    int sample_count = (int)s3m.samples.size();

    out.text(s3m.title, 28).u8(0x1A).u8(16).le16(0);
    out.le16((int)s3m.orders.size()).le16(sample_count).le16(pattern_count);
    out.le16(0).le16(0x1320).le16(s3m.sample_format).text("SCRM", 4);
    out.u8(s3m.global_volume).u8(s3m.speed).u8(s3m.tempo).u8(0xB0).u8(0).u8(s3m.default_pan);
    out.fill(0, 10);
    for (int channel = 0; channel < 32; channel++)
        out.u8(s3m.channel_settings[channel]);
    for (int order : s3m.orders)
        out.u8(order);
    size_t pointers = out.size();
    out.fill(0, 2 * (size_t)(sample_count + pattern_count));
    if (s3m.default_pan == 252) {
        for (int channel = 0; channel < 32; channel++)
            out.u8(s3m.pan_table[channel]);
    }

    std::vector<size_t> headers;
    for (const S3mSample &sample : s3m.samples) {
        out.align(16);
        headers.push_back(out.size());
        patch_le16(&bytes, pointers + 2 * (headers.size() - 1), (int)(out.size() / 16));
        out.u8(sample.type).text("file.smp", 12).u8(0).le16(0);
        out.le32((uint32_t)sample.length).le32((uint32_t)sample.loop_start).le32((uint32_t)sample.loop_end);
        out.u8(sample.volume).u8(0).u8(0).u8(sample.flags).le32((uint32_t)sample.c2spd);
        out.fill(0, 12).text("sample name", 28).text(sample.tag, 4);
    }
    for (int pattern = 0; pattern < (int)packed.size() && pattern < pattern_count; pattern++) {
        bool empty = pattern < (int)s3m.empty_pointer.size() && s3m.empty_pointer[pattern];
        if (empty)
            continue;
        out.align(16);
        patch_le16(&bytes, pointers + 2 * (size_t)(sample_count + pattern), (int)(out.size() / 16));
        out.le16((int)packed[pattern].size() + 2).append(packed[pattern]);
    }
    for (size_t index = 0; index < s3m.samples.size(); index++) {
        const S3mSample &sample = s3m.samples[index];
        out.align(16);
        size_t paragraph = sample.no_data_pointer ? 0xFFFFFF : out.size() / 16;
        bytes[headers[index] + 13] = (unsigned char)(paragraph >> 16);
        patch_le16(&bytes, headers[index] + 14, (int)(paragraph & 0xFFFF));
        out.append(sample.data);
    }
    return bytes;
}

// ---- XM ----

Bytes pack_xm_pattern(const std::vector<XmCell> &cells, int rows, int channels)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    for (int index = 0; index < rows * channels; index++) {
        XmCell cell = index < (int)cells.size() ? cells[index] : XmCell();
        int values[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
        int what = 0x80;
        for (int bit = 0; bit < 5; bit++)
            what |= values[bit] >= 0 ? 1 << bit : 0;
        out.u8(what);
        for (int bit = 0; bit < 5; bit++) {
            if (values[bit] >= 0)
                out.u8(values[bit]);
        }
    }
    return bytes;
}

static void write_envelope(ByteWriter &out, const std::vector<XmEnvelopePoint> &points)
{
    for (int index = 0; index < 12; index++) {
        XmEnvelopePoint point = index < (int)points.size() ? points[index] : XmEnvelopePoint{0, 0};
        out.le16(point.tick).le16(point.value);
    }
}

static void write_xm_instrument(ByteWriter &out, const XmInstrument &instrument)
{
    int sample_count = instrument.sample_count >= 0 ? instrument.sample_count : (int)instrument.samples.size();
    out.le32((uint32_t)instrument.header_size).text("instrument", 22).u8(0).le16(sample_count);
    if (instrument.header_size <= 29)
        return;

    Bytes fields;
    ByteWriter rest(&fields);
    rest.le32(40);
    for (int note = 0; note < 96; note++)
        rest.u8(note < (int)instrument.map.size() ? instrument.map[note] : 0);
    write_envelope(rest, instrument.volume_envelope);
    write_envelope(rest, instrument.pan_envelope);
    rest.u8(instrument.volume_points >= 0 ? instrument.volume_points : (int)instrument.volume_envelope.size());
    rest.u8(instrument.pan_points >= 0 ? instrument.pan_points : (int)instrument.pan_envelope.size());
    rest.u8(instrument.volume_sustain).u8(instrument.volume_loop_start).u8(instrument.volume_loop_end);
    rest.u8(instrument.pan_sustain).u8(instrument.pan_loop_start).u8(instrument.pan_loop_end);
    rest.u8(instrument.volume_flags).u8(instrument.pan_flags);
    for (int value : instrument.vibrato)
        rest.u8(value);
    rest.le16(instrument.fadeout);
    // The header holds header_size bytes in all: cut or padded to it.
    fields.resize((size_t)instrument.header_size - 29, 0);
    out.append(fields);
    if (sample_count <= 0)
        return;

    for (const XmSample &sample : instrument.samples) {
        out.le32((uint32_t)sample.length).le32((uint32_t)sample.loop_start).le32((uint32_t)sample.loop_length);
        out.u8(sample.volume).u8(sample.finetune).u8(sample.type).u8(sample.pan).u8(sample.relative_note).u8(0);
        out.text("sample", 22);
    }
    for (const XmSample &sample : instrument.samples)
        out.append(sized(sample.data, (size_t)sample.length));
}

Bytes build_xm(const XmFile &xm)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    int pattern_count = xm.header_pattern_count >= 0 ? xm.header_pattern_count : (int)xm.patterns.size();
    int instrument_count = xm.header_instrument_count >= 0 ? xm.header_instrument_count : (int)xm.instruments.size();
    int channels = xm.header_channels >= 0 ? xm.header_channels : xm.channels;

    out.text("Extended Module: ", 17).text(xm.title, 20).u8(0x1A).text("generator", 20).le16(0x0104);
    out.le32(276).le16(xm.song_length).le16(xm.restart).le16(channels).le16(pattern_count);
    out.le16(instrument_count).le16(xm.flags).le16(xm.tempo).le16(xm.bpm);
    for (int index = 0; index < 256; index++)
        out.u8(index < (int)xm.orders.size() ? xm.orders[index] : 0);
    for (const XmPattern &pattern : xm.patterns) {
        Bytes packed = pattern.raw.empty() ? pack_xm_pattern(pattern.cells, pattern.rows, xm.channels) : pattern.raw;
        if (pattern.empty)
            packed.clear();
        out.le32(9).u8(0).le16(pattern.rows).le16((int)packed.size()).append(packed);
    }
    for (const XmInstrument &instrument : xm.instruments)
        write_xm_instrument(out, instrument);
    return bytes;
}

// ---- IT and packages ----

Bytes build_it(const std::string &name)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    out.text("IMPM", 4).text(name, 26).le16(0x1004).fill(0, 160);
    return bytes;
}

Bytes build_unreal_package(const Bytes &module, int offset)
{
    Bytes bytes;
    ByteWriter out(&bytes);
    out.u8(0xC1).u8(0x83).u8(0x2A).u8(0x9E);
    out.fill(0, (size_t)offset - 4).append(module);
    return bytes;
}
