// Our MOD, S3M and XM reading checked against libxmp, on the shared folder and a
// generated set: speed, tempo, global volume, samples with their points, volumes and
// loops, orders, patterns, and every cell's note and instrument.
// Allowed differences, by design: names (the peer trims spaces); XM: our blank last
// sample, the peer's extra empty pattern (ours only for missing patterns), cells naming
// instruments past the count (we drop them), key off with an instrument (peer: fade);
// S3M: our order list drops markers, our channels are remap[]'s gapless numbers;
// MOD signatures we do not list are left out. Peer notes: 12*log2(6848/period)+13, XM +12.
// Peer points are signed and keep 16 bits; ours are unsigned, the high byte of 16; the
// peer writes over the points just after a loop.
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <xmp.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_files.h"

namespace {

std::string trimmed(const char *name, size_t size)
{
    std::string text(name, strnlen(name, size));
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

int peer_note(const JGMOD *j, int note)
{
    if (note == 0 || note == NOTE_KEY_OFF || note == NOTE_CUT)
        return note == 0 ? 0 : XMP_KEY_OFF;
    if (j->flags & XM_MODE)
        return note + 12;
    return (int)lround(12.0 * log2(6848.0 / (3579546.0 / note))) + 13;
}

// One file's comparison; every difference is a failure that names it.
struct Comparison {
    std::string path;
    const JGMOD *ours;
    const xmp_module *peer;
    bool s3m, xm;
    long cells = 0, differences = 0;

    void same(long mine, long theirs, const std::string &what)
    {
        if (mine == theirs)
            return;
        differences++;
        ADD_FAILURE() << path << ": " << what << ": ours " << mine << ", peer " << theirs;
    }

    void header()
    {
        std::string name = trimmed(peer->name, sizeof peer->name);
        same(trimmed(ours->name, sizeof ours->name) != name, 0, "names");
        same(ours->tempo, peer->spd, "speed");
        same(ours->bpm, peer->bpm, "tempo");
        same(ours->global_volume, peer->gvl, "global volume");
        same(ours->sample_count - (xm ? 1 : 0), peer->smp, "samples");
        for (int index = 0; index < peer->ins; index++) {
            const xmp_instrument *instrument = &peer->xxi[index];
            for (int note = 0; xm && note < NOTES_PER_INSTRUMENT; note++) {
                int sub = instrument->map[note + 12].ins;  // the peer's notes are ours + 12
                long blank = ours->sample_count - 1;
                long sample = sub < instrument->nsm ? instrument->sub[sub].sid : blank;
                same(ours->instrument_info[index].note_sample[note], sample,
                     "instrument " + std::to_string(index) + " note " + std::to_string(note));
            }
            for (int sub = 0; sub < instrument->nsm; sub++) {
                const xmp_subinstrument *theirs = &instrument->sub[sub];
                if (theirs->sid >= ours->sample_count)
                    continue;
                const SAMPLE_INFO *mine = &ours->sample_info[theirs->sid];
                std::string which = "sample " + std::to_string(theirs->sid);
                same(mine->volume, theirs->vol, which + " volume");
                if (!xm)
                    continue;
                same(mine->pan, theirs->pan, which + " pan");
                same(mine->transpose, theirs->xpo, which + " transpose");
                same(mine->tuning - 128, theirs->fin, which + " finetune");
            }
        }
    }

    void sample(int index)
    {
        const xmp_sample *theirs = &peer->xxs[index];
        const SAMPLE *mine = &ours->samples[index];
        std::string which = "sample " + std::to_string(index);
        same((long)mine->len, theirs->len, which + " length");
        bool loops = (ours->sample_info[index].loop_type & 3) != 0;
        same(loops, (theirs->flg & XMP_SAMPLE_LOOP) != 0, which + " loops");
        if (loops && (theirs->flg & XMP_SAMPLE_LOOP)) {
            same((long)mine->loop_start, theirs->lps, which + " loop start");
            same((long)mine->loop_end, theirs->lpe, which + " loop end");
        }
        long differing = 0, end = (theirs->flg & XMP_SAMPLE_LOOP) ? theirs->lpe : theirs->len;
        for (long point = 0; point < end && point < (long)mine->len; point++) {
            bool wide = theirs->flg & XMP_SAMPLE_16BIT;
            int peer_point = wide ? ((const short *)theirs->data)[point] >> 8 : theirs->data[point];
            differing += (((const unsigned char *)mine->data)[point] ^ 0x80) != (peer_point & 0xFF);
        }
        same(differing, 0, which + " points that differ");
    }

    // Returns whether our extra XM pattern (the last) stands for the peer's missing ones.
    bool orders()
    {
        std::vector<int> peer_orders;
        for (int index = 0; index < peer->len; index++) {
            if (!s3m || peer->xxo[index] < 254)
                peer_orders.push_back(peer->xxo[index]);
        }
        int last = ours->pattern_count - 1;
        bool extra = false;
        for (int index = 0; xm && index < peer->len && index < ours->order_count; index++)
            extra |= ours->order_table[index] == last && peer->xxo[index] > last;
        same(ours->order_count, (long)peer_orders.size(), "song length");
        for (int index = 0; index < ours->order_count && index < (int)peer_orders.size(); index++) {
            if (!(extra && ours->order_table[index] == last && peer_orders[index] >= last))
                same(ours->order_table[index], peer_orders[index], "order");
        }
        return extra;
    }

    void cell(const NOTE_INFO *cell, const xmp_event *e, const std::string &where)
    {
        cells++;
        bool dropped = e->ins > ours->instrument_count && cell->sample == 0 && cell->note == 0;
        bool faded = cell->note == NOTE_KEY_OFF && cell->sample != 0 && e->note == XMP_KEY_FADE &&
                     e->ins == cell->sample;
        if (xm && (dropped || faded))
            return;
        same(peer_note(ours, cell->note), e->note, where + " note");
        same(cell->sample, e->ins, where + " instrument");
    }

    // The peer's patterns past ours are its own extra, empty XM pattern.
    void patterns(int file_patterns, const int *peer_channel)
    {
        same(file_patterns + (xm ? 1 : 0), peer->pat, "patterns (with the peer's extra XM one)");
        for (int pattern = 0; pattern < peer->pat && pattern < file_patterns; pattern++) {
            const xmp_pattern *theirs = peer->xxp[pattern];
            const PATTERN_INFO *mine = &ours->pattern_info[pattern];
            std::string which = "pattern " + std::to_string(pattern);
            same(mine->row_count, theirs->rows, which + " rows");
            for (int row = 0; row < theirs->rows && row < mine->row_count; row++) {
                for (int channel = 0; channel < ours->channel_count; channel++) {
                    std::string where = which + " row " + std::to_string(row) + " channel " +
                                        std::to_string(channel);
                    int peer_chn = peer_channel[channel];
                    if (peer_chn < 0 || peer_chn >= peer->chn)
                        same(channel, -1, where + " has no peer channel");
                    else
                        cell(&mine->notes[row * ours->channel_count + channel],
                             &peer->xxt[theirs->index[peer_chn]]->event[row], where);
                }
            }
        }
    }

    void run()
    {
        header();
        for (int index = 0; index < peer->smp && index < ours->sample_count; index++)
            sample(index);
        int peer_channel[MAX_ALLEG_VOICE], highest = -1;  // the peer's channel for each of ours
        for (int channel = 0; channel < ours->channel_count; channel++)
            peer_channel[channel] = s3m ? -1 : channel;
        for (int channel = 0; s3m && channel < 32; channel++) {
            if (remap[channel] >= 0)
                peer_channel[(int)remap[channel]] = highest = channel;
        }
        same(s3m ? highest + 1 : ours->channel_count, peer->chn, "channels");
        patterns(ours->pattern_count - (orders() ? 1 : 0), peer_channel);
    }
};

// Every file of the set agrees; the figures are printed for the record.
void expect_agreement(const char *set, const std::vector<std::string> &files)
{
    install_allegro_for_files();
    long cells = 0, differences = 0;
    for (const std::string &path : files) {
        JGMOD *ours = load_mod(path.c_str());
        xmp_context context = xmp_create_context();
        ASSERT_NE(ours, nullptr) << path << ": " << jgmod_error;
        ASSERT_EQ(xmp_load_module(context, path.c_str()), 0) << path << ": the peer cannot read it";
        xmp_module_info info;
        xmp_get_module_info(context, &info);
        std::string kind = extension_of(path);
        Comparison comparison{path, ours, info.mod, kind == "s3m", kind == "xm"};
        comparison.run();
        cells += comparison.cells;
        differences += comparison.differences;
        xmp_release_module(context);
        xmp_free_context(context);
        destroy_mod(ours);
    }
    printf("%s: %zu files, %ld cells compared, %ld differences\n", set, files.size(), cells,
           differences);
}

TEST(XmpOracle, SharedModuleFolderAgrees)
{
    std::vector<std::string> files;
    for (const std::string &path : shared_module_files(ZQ_SOURCE_DIR, true)) {
        if (extension_of(path) != "mod" || detect_m31(path.c_str()) == 1)
            files.push_back(path);
    }
    if (files.empty())
        GTEST_SKIP() << "no shared module folder beside the source tree";
    expect_agreement("shared modules", files);
}

TEST(XmpOracle, GeneratedSetAgrees)
{
    XmFile missing = generated_xm(1);
    missing.orders = {0, 7, 2, 1};  // pattern 7 does not exist
    std::vector<std::pair<std::string, Bytes>> modules = {
        {"gaps.s3m", build_s3m(generated_s3m())}, {"linear.xm", build_xm(generated_xm(1))},
        {"amiga.xm", build_xm(generated_xm(0))},  {"missing_pattern.xm", build_xm(missing)}};
    const std::pair<const char *, int> mods[] = {{"M.K.", 4}, {"6CHN", 6}, {"8CHN", 8},
                                                 {"12CH", 12}, {"FLT4", 4}};
    for (auto m : mods) {
        Bytes bytes = build_mod(generated_mod(m.first, m.second));
        modules.push_back({std::string(m.first) + ".mod", bytes});
    }
    std::string folder = testing::TempDir() + "zq_generated_modules";
    mkdir(folder.c_str(), 0700);
    std::vector<std::string> files;
    for (auto &module : modules) {
        files.push_back(folder + "/" + module.first);
        write_file_bytes(files.back().c_str(), module.second);
    }
    expect_agreement("generated set", files);
    for (const std::string &path : files)
        remove(path.c_str());
    rmdir(folder.c_str());
}

}  // namespace
