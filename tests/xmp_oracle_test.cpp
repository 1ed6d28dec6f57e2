// Our MOD, S3M and XM readers compared with a peer library, libxmp, on every
// such file of the shared module folder and on a generated set: module name,
// channel count, sample count, every sample's length and loop, the order
// list, every pattern's row count and every cell's note and instrument.
//
// Differences that are ours by design, and the only ones allowed:
// - names: the peer drops trailing spaces, we keep the file's bytes;
// - XM: we add one blank sample at the end (it plays unmapped notes), so we
//   have one sample more;
// - XM: the peer always appends an empty 64-row pattern; we add one only
//   when an order names a pattern the file lacks, and send that order to it;
// - S3M: we drop the order markers 254 and 255, so our order list is the
//   peer's without them;
// - S3M: we number the enabled channels without gaps, the peer keeps the
//   file's channel numbers, so its channel count is the highest enabled
//   channel plus one and its channel c is our channel remap[c];
// - MOD files whose signature at 1080 is not one we list are refused by us
//   (15-sample detection is off), while the peer may read them;
// - XM: a cell naming an instrument above the instrument count loses its note
//   and instrument with us; the peer keeps both;
// - XM: the peer marks a key off that comes with an instrument as a fade
//   (0x83); for us both are key off.
// Notes are mapped to the peer's numbering: a period module's frequency value
// f belongs to the Amiga period 3579546 / f, which is note
// round(12 * log2(6848 / period)) counted from our lowest C; the peer counts
// that C as 13. XM notes are the peer's minus 12; key off is the peer's 0x81,
// and so is an S3M note cut.
#include <dirent.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xmp.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_files.h"

namespace {

struct Agreement {
    int files = 0;
    long cells = 0;
    long differences = 0;
    long by_design = 0;  // cells that differ in one of the ways listed above
};

std::string trimmed(const char *name, size_t size)
{
    std::string text(name, strnlen(name, size));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string extension_of(const std::string &path)
{
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    return extension;
}

// The peer's note number for one of our cells.
int peer_note(const JGMOD *j, int note)
{
    if (note == 0)
        return 0;
    if (note == NOTE_KEY_OFF)
        return XMP_KEY_OFF;
    if (note == NOTE_CUT)
        return XMP_KEY_OFF;
    if (j->flags & XM_MODE)
        return note + 12;
    double period = 3579546.0 / note;
    return (int)lround(12.0 * log2(6848.0 / period)) + 13;
}

bool is_s3m(const std::string &kind) { return kind == "s3m"; }
bool is_xm(const std::string &kind) { return kind == "xm"; }

// The peer's module channel for our channel: only S3M numbers them differently.
int peer_channel(const std::string &kind, int channel)
{
    if (!is_s3m(kind))
        return channel;
    for (int s3m_channel = 0; s3m_channel < 32; s3m_channel++) {
        if (remap[s3m_channel] == channel)
            return s3m_channel;
    }
    return -1;
}

class Comparison {
public:
    Comparison(const std::string &path, const JGMOD *ours, const xmp_module *peer, Agreement *agreement)
        : path_(path), kind_(extension_of(path)), ours_(ours), peer_(peer), agreement_(agreement)
    {
    }

    void run()
    {
        find_extra_pattern();
        compare_header();
        compare_samples();
        compare_orders();
        compare_patterns();
    }

private:
    void differ(const std::string &what)
    {
        agreement_->differences++;
        ADD_FAILURE() << path_ << ": " << what;
    }

    void expect_same(long ours, long peer, const std::string &what)
    {
        if (ours != peer)
            differ(what + ": ours " + std::to_string(ours) + ", peer " + std::to_string(peer));
    }

    void compare_header()
    {
        std::string ours = trimmed(ours_->name, sizeof ours_->name);
        std::string peer = trimmed(peer_->name, sizeof peer_->name);
        if (ours != peer)
            differ("name: ours '" + ours + "', peer '" + peer + "'");
        if (is_s3m(kind_)) {
            int highest = -1;
            for (int channel = 0; channel < 32; channel++)
                highest = remap[channel] >= 0 ? channel : highest;
            expect_same(highest + 1, peer_->chn, "channels (highest enabled + 1)");
        } else {
            expect_same(ours_->channel_count, peer_->chn, "channels");
        }
        expect_same(ours_->sample_count - (is_xm(kind_) ? 1 : 0), peer_->smp, "samples");
    }

    void compare_samples()
    {
        for (int index = 0; index < peer_->smp && index < ours_->sample_count; index++) {
            const xmp_sample *peer = &peer_->xxs[index];
            const SAMPLE *ours = &ours_->samples[index];
            std::string which = "sample " + std::to_string(index);
            expect_same((long)ours->len, peer->len, which + " length");
            bool ours_loops = (ours_->sample_info[index].loop_type & 3) != 0;
            bool peer_loops = (peer->flg & XMP_SAMPLE_LOOP) != 0;
            expect_same(ours_loops, peer_loops, which + " loops");
            if (ours_loops && peer_loops) {
                expect_same((long)ours->loop_start, peer->lps, which + " loop start");
                expect_same((long)ours->loop_end, peer->lpe, which + " loop end");
            }
        }
    }

    void compare_orders()
    {
        std::vector<int> peer;
        for (int index = 0; index < peer_->len; index++) {
            int order = peer_->xxo[index];
            if (is_s3m(kind_) && order >= 254)
                continue;
            peer.push_back(order);
        }
        expect_same(ours_->order_count, (long)peer.size(), "song length");
        for (int index = 0; index < ours_->order_count && index < (int)peer.size(); index++) {
            int ours = ours_->order_table[index];
            // Our extra XM pattern stands for every pattern the file lacks.
            bool sent_to_extra = is_xm(kind_) && peer[index] >= ours_->pattern_count - 1 &&
                                 ours == ours_->pattern_count - 1 && extra_pattern_;
            if (!sent_to_extra)
                expect_same(ours, peer[index], "order " + std::to_string(index));
        }
    }

    bool pattern_is_empty(int pattern) const
    {
        const xmp_pattern *p = peer_->xxp[pattern];
        for (int channel = 0; channel < peer_->chn; channel++) {
            const xmp_track *track = peer_->xxt[p->index[channel]];
            for (int row = 0; row < track->rows; row++) {
                const xmp_event *e = &track->event[row];
                if (e->note || e->ins || e->vol || e->fxt || e->fxp || e->f2t || e->f2p)
                    return false;
            }
        }
        return true;
    }

    // Our extra XM pattern is the last one, when an order was sent to it
    // (the peer's list still names the missing pattern there).
    void find_extra_pattern()
    {
        extra_pattern_ = false;
        if (!is_xm(kind_))
            return;
        int last = ours_->pattern_count - 1;
        for (int index = 0; index < peer_->len && index < ours_->order_count; index++)
            extra_pattern_ |= ours_->order_table[index] == last && peer_->xxo[index] > last;
    }

    void compare_patterns()
    {
        int file_patterns = ours_->pattern_count - (extra_pattern_ ? 1 : 0);
        if (is_xm(kind_)) {
            expect_same(file_patterns + 1, peer_->pat, "patterns (the peer's extra one included)");
            if (peer_->pat > file_patterns && !pattern_is_empty(peer_->pat - 1))
                differ("the peer's last pattern is not empty");
        } else {
            expect_same(file_patterns, peer_->pat, "patterns");
        }
        for (int pattern = 0; pattern < file_patterns && pattern < peer_->pat; pattern++)
            compare_pattern(pattern);
    }

    void compare_pattern(int pattern)
    {
        const PATTERN_INFO *ours = &ours_->pattern_info[pattern];
        const xmp_pattern *peer = peer_->xxp[pattern];
        std::string which = "pattern " + std::to_string(pattern);
        expect_same(ours->row_count, peer->rows, which + " rows");
        for (int row = 0; row < ours->row_count && row < peer->rows; row++) {
            for (int channel = 0; channel < ours_->channel_count; channel++) {
                int peer_chn = peer_channel(kind_, channel);
                if (peer_chn < 0 || peer_chn >= peer_->chn) {
                    differ(which + " channel " + std::to_string(channel) + " has no peer channel");
                    continue;
                }
                const NOTE_INFO *cell = &ours->notes[row * ours_->channel_count + channel];
                const xmp_event *event = &peer_->xxt[peer->index[peer_chn]]->event[row];
                agreement_->cells++;
                if (differs_by_design(cell, event)) {
                    agreement_->by_design++;
                    continue;
                }
                std::string where = which + " row " + std::to_string(row) + " channel " + std::to_string(channel);
                expect_same(peer_note(ours_, cell->note), event->note, where + " note");
                expect_same(cell->sample, event->ins, where + " instrument");
            }
        }
    }

    bool differs_by_design(const NOTE_INFO *cell, const xmp_event *event) const
    {
        if (!is_xm(kind_))
            return false;
        if (event->ins > ours_->instrument_count && cell->sample == 0 && cell->note == 0)
            return true;
        return cell->note == NOTE_KEY_OFF && cell->sample != 0 && event->note == XMP_KEY_FADE &&
               event->ins == cell->sample;
    }

    std::string path_;
    std::string kind_;
    const JGMOD *ours_;
    const xmp_module *peer_;
    Agreement *agreement_;
    bool extra_pattern_ = false;
};

// A MOD that no detector of ours accepts (15-sample detection is off).
bool unlisted_mod_signature(const std::string &path)
{
    return extension_of(path) == "mod" && detect_m31(path.c_str()) != 1;
}

void compare_file(const std::string &path, Agreement *agreement)
{
    SCOPED_TRACE(path);
    JGMOD *ours = load_mod(path.c_str());
    if (ours == nullptr) {
        EXPECT_TRUE(unlisted_mod_signature(path)) << path << ": " << jgmod_error;
        EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
        return;
    }
    EXPECT_FALSE(unlisted_mod_signature(path));
    xmp_context context = xmp_create_context();
    if (xmp_load_module(context, path.c_str()) != 0) {
        ADD_FAILURE() << path << ": the peer cannot read it";
        xmp_free_context(context);
        destroy_mod(ours);
        return;
    }
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    agreement->files++;
    Comparison(path, ours, info.mod, agreement).run();
    xmp_release_module(context);
    xmp_free_context(context);
    destroy_mod(ours);
}

std::vector<std::string> corpus_files()
{
    std::vector<std::string> files;
    std::string folder = std::string(ZQ_SOURCE_DIR) + "/../shared/modules";
    DIR *dir = opendir(folder.c_str());
    if (dir == NULL)
        return files;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        std::string kind = extension_of(name);
        if (kind == "mod" || kind == "s3m" || kind == "xm")
            files.push_back(folder + "/" + name);
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

void report(const char *set, const Agreement &agreement)
{
    printf("%s: %d files, %ld cells compared, %ld differences, %ld cells differing by design\n", set,
           agreement.files, agreement.cells, agreement.differences, agreement.by_design);
}

TEST(XmpOracle, SharedModuleFolderAgrees)
{
    install_allegro_for_files();
    std::vector<std::string> files = corpus_files();
    if (files.empty())
        GTEST_SKIP() << "no shared module folder beside the source tree";
    Agreement agreement;
    for (const std::string &path : files)
        compare_file(path, &agreement);
    report("shared modules", agreement);
    EXPECT_GT(agreement.files, 0);
    EXPECT_EQ(agreement.differences, 0);
}

// ---- the generated set ----

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
        std::vector<uint32_t> cells(64 * channels);
        for (int cell = pattern; cell < 64 * channels; cell += 3)
            cells[cell] = mod_cell(1 + cell % 31, periods[cell % 12], cell % 16, cell & 0xFF);
        mod.cells.push_back(cells);
    }
    mod.samples.resize(31);
    for (int index = 0; index < 31; index += 2) {
        mod.samples[index].length_words = 10 + index * 7;
        mod.samples[index].repeat_offset_words = index % 4 == 0 ? index : 0;
        mod.samples[index].repeat_length_words = index % 4 == 0 ? 5 + index : 1;
    }
    return mod;
}

S3mFile generated_s3m()
{
    S3mFile s3m;
    s3m.title = "generated s3m";
    s3m.orders = {0, 254, 2, 1, 255};
    s3m.channel_settings[5] = 3;   // channel 5 enabled, 4 not: a gap
    s3m.channel_settings[12] = 10;
    for (int index = 0; index < 5; index++) {
        S3mSample sample;
        sample.length = 40 + index * 10;
        sample.data = Bytes((size_t)sample.length * (index == 3 ? 2 : 1), (unsigned char)(index * 40));
        sample.flags = (index % 2) | (index == 3 ? 4 : 0);
        sample.loop_start = index;
        sample.loop_end = sample.length - index;
        s3m.samples.push_back(sample);
    }
    int channels[] = {0, 1, 2, 3, 5, 12};
    for (int pattern = 0; pattern < 3; pattern++) {
        std::vector<S3mCell> cells;
        for (int row = pattern; row < 64; row += 2) {
            S3mCell cell;
            cell.row = row;
            cell.channel = channels[row % 6];
            cell.note = row % 7 == 0 ? 254 : (row % 8) * 16 + row % 12;
            cell.instrument = 1 + row % 5;
            cell.volume = row;
            cell.command = 1 + row % 26;
            cell.info = row;
            cells.push_back(cell);
        }
        s3m.patterns.push_back(cells);
    }
    return s3m;
}

XmFile generated_xm(int flags)
{
    XmFile xm;
    xm.title = "generated xm";
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
            XmCell &c = xm.patterns[pattern].cells[cell];
            c.note = cell % 11 == 0 ? 97 : 1 + cell % 96;
            c.instrument = cell % 22 == 0 ? -1 : 1 + cell % 3;  // key off with and without an instrument
            c.volume = 0x10 + cell % 64;
            c.effect = cell % 34;
            c.parameter = cell & 0xFF;
        }
    }
    for (int index = 0; index < 3; index++) {
        XmInstrument instrument;
        for (int sample = 0; sample <= index; sample++) {
            XmSample s;
            s.length = 60 + 20 * sample;
            s.data = Bytes((size_t)s.length, 1);
            s.type = sample == 1 ? 0x11 : sample;
            s.loop_start = 10;
            s.loop_length = 20;
            instrument.samples.push_back(s);
        }
        instrument.map.assign(96, index);
        xm.instruments.push_back(instrument);
    }
    return xm;
}

TEST(XmpOracle, GeneratedSetAgrees)
{
    install_allegro_for_files();
    std::vector<std::pair<std::string, Bytes>> files = {
        {"m.k.mod", build_mod(generated_mod("M.K.", 4))},
        {"6chn.mod", build_mod(generated_mod("6CHN", 6))},
        {"8chn.mod", build_mod(generated_mod("8CHN", 8))},
        {"12ch.mod", build_mod(generated_mod("12CH", 12))},
        {"flt4.mod", build_mod(generated_mod("FLT4", 4))},
        {"gaps.s3m", build_s3m(generated_s3m())},
        {"linear.xm", build_xm(generated_xm(1))},
        {"amiga.xm", build_xm(generated_xm(0))},
    };
    XmFile missing = generated_xm(1);
    missing.orders = {0, 7, 2, 1};  // pattern 7 does not exist
    files.push_back({"missing_pattern.xm", build_xm(missing)});

    std::string folder = testing::TempDir() + "zq_generated_modules";
    mkdir(folder.c_str(), 0700);
    Agreement agreement;
    for (auto &file : files) {
        std::string path = folder + "/" + file.first;
        write_file_bytes(path.c_str(), file.second);
        compare_file(path, &agreement);
        remove(path.c_str());
    }
    rmdir(folder.c_str());
    report("generated set", agreement);
    EXPECT_EQ(agreement.files, (int)files.size());
    EXPECT_EQ(agreement.differences, 0);
}

}  // namespace
