// Our MOD, S3M and XM reading checked against libxmp, on the shared folder and a
// generated set; then modtool convert of each corpus file must dump as the original.
// Allowed differences, by design: names (the peer trims spaces); XM: our blank last
// sample, the peer's extra empty pattern (ours only for missing patterns), cells naming
// instruments past the count (we drop them), key off with an instrument (peer: fade);
// S3M: our order list drops markers, our channels are remap[]'s gapless numbers;
// MOD signatures we do not list are refused. Peer notes: 12*log2(6848/period)+13, XM +12.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xmp.h>

#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_files.h"

namespace {

struct Agreement { long files = 0, cells = 0, differences = 0, by_design = 0; };

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

void compare(const std::string &path, const JGMOD *ours, const xmp_module *peer, Agreement *agreement)
{
    std::string kind = extension_of(path);
    bool s3m = kind == "s3m", xm = kind == "xm";
    auto same = [&](long mine, long theirs, const std::string &what) {
        if (mine != theirs) {
            agreement->differences++;
            ADD_FAILURE() << path << ": " << what << ": ours " << mine << ", peer " << theirs;
        }
    };
    same(trimmed(ours->name, sizeof ours->name) != trimmed(peer->name, sizeof peer->name), 0, "names differ");
    int peer_channel[MAX_ALLEG_VOICE], highest = -1;  // the peer's channel for each of ours
    for (int channel = 0; channel < ours->channel_count; channel++)
        peer_channel[channel] = s3m ? -1 : channel;
    for (int channel = 0; s3m && channel < 32; channel++) {
        if (remap[channel] >= 0)
            peer_channel[(int)remap[channel]] = highest = channel;
    }
    same(s3m ? highest + 1 : ours->channel_count, peer->chn, "channels");
    same(ours->sample_count - (xm ? 1 : 0), peer->smp, "samples");
    for (int index = 0; index < peer->smp && index < ours->sample_count; index++) {
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
    }

    std::vector<int> peer_orders;
    for (int index = 0; index < peer->len; index++) {
        if (!s3m || peer->xxo[index] < 254)
            peer_orders.push_back(peer->xxo[index]);
    }
    // Our extra XM pattern is the last one, when an order was sent to it.
    int last = ours->pattern_count - 1;
    bool extra = false;
    for (int index = 0; xm && index < peer->len && index < ours->order_count; index++)
        extra |= ours->order_table[index] == last && peer->xxo[index] > last;
    same(ours->order_count, (long)peer_orders.size(), "song length");
    for (int index = 0; index < ours->order_count && index < (int)peer_orders.size(); index++) {
        if (!(extra && ours->order_table[index] == last && peer_orders[index] >= last))
            same(ours->order_table[index], peer_orders[index], "order " + std::to_string(index));
    }

    int file_patterns = ours->pattern_count - (extra ? 1 : 0);
    same(file_patterns + (xm ? 1 : 0), peer->pat, "patterns (with the peer's extra XM one)");
    for (int pattern = 0; pattern < peer->pat; pattern++) {
        const xmp_pattern *theirs = peer->xxp[pattern];
        bool peer_extra = pattern >= file_patterns;
        const PATTERN_INFO *mine = peer_extra ? nullptr : &ours->pattern_info[pattern];
        std::string which = "pattern " + std::to_string(pattern);
        if (mine != nullptr)
            same(mine->row_count, theirs->rows, which + " rows");
        for (int row = 0; row < theirs->rows && (mine == nullptr || row < mine->row_count); row++) {
            for (int channel = 0; channel < (peer_extra ? peer->chn : ours->channel_count); channel++) {
                int peer_chn = peer_extra ? channel : peer_channel[channel];
                if (peer_chn < 0 || peer_chn >= peer->chn) {
                    same(channel, -1, which + " channel without a peer channel");
                    continue;
                }
                const xmp_event *e = &peer->xxt[theirs->index[peer_chn]]->event[row];
                if (peer_extra) {  // the peer's own extra pattern must be empty
                    same(e->note | e->ins | e->vol | e->fxt | e->fxp | e->f2t | e->f2p, 0, which + " not empty");
                    continue;
                }
                const NOTE_INFO *cell = &mine->notes[row * ours->channel_count + channel];
                agreement->cells++;
                bool by_design = xm && ((e->ins > ours->instrument_count && cell->sample == 0 && cell->note == 0) ||
                                        (cell->note == NOTE_KEY_OFF && cell->sample != 0 &&
                                         e->note == XMP_KEY_FADE && e->ins == cell->sample));
                if (by_design) {
                    agreement->by_design++;
                    continue;
                }
                std::string where = which + " row " + std::to_string(row) + " channel " + std::to_string(channel);
                same(peer_note(ours, cell->note), e->note, where + " note");
                same(cell->sample, e->ins, where + " instrument");
            }
        }
    }
}

void compare_file(const std::string &path, Agreement *agreement)
{
    JGMOD *ours = load_mod(path.c_str());
    bool unlisted_mod = extension_of(path) == "mod" && detect_m31(path.c_str()) != 1;
    EXPECT_EQ(ours == nullptr, unlisted_mod) << path << ": " << jgmod_error;
    if (ours == nullptr) {
        EXPECT_STREQ(jgmod_error, "Unsupported MOD type or unable to open file");
        return;
    }
    xmp_context context = xmp_create_context();
    if (xmp_load_module(context, path.c_str()) == 0) {
        xmp_module_info info;
        xmp_get_module_info(context, &info);
        agreement->files++;
        compare(path, ours, info.mod, agreement);
        xmp_release_module(context);
    } else {
        ADD_FAILURE() << path << ": the peer cannot read it";
    }
    xmp_free_context(context);
    destroy_mod(ours);
}

void report(const char *set, const Agreement &a)
{
    printf("%s: %ld files, %ld cells compared, %ld differences, %ld cells differing by design\n", set, a.files,
           a.cells, a.differences, a.by_design);
}

TEST(XmpOracle, SharedModuleFolderAgrees)
{
    install_allegro_for_files();
    std::vector<std::string> files = shared_module_files(ZQ_SOURCE_DIR, true);
    if (files.empty())
        GTEST_SKIP() << "no shared module folder beside the source tree";
    Agreement agreement;
    for (const std::string &path : files)
        compare_file(path, &agreement);
    report("shared modules", agreement);
    EXPECT_GT(agreement.files, 0);
    EXPECT_EQ(agreement.differences, 0);
}

TEST(XmpOracle, GeneratedSetAgrees)
{
    install_allegro_for_files();
    XmFile missing = generated_xm(1);
    missing.orders = {0, 7, 2, 1};  // pattern 7 does not exist
    XmFile v0102 = generated_xm(1), v0103 = generated_xm(0);
    v0102.version = 0x0102, v0103.version = 0x0103;
    std::vector<std::pair<std::string, Bytes>> files = {
        {"m.k.mod", build_mod(generated_mod("M.K.", 4))},   {"6chn.mod", build_mod(generated_mod("6CHN", 6))},
        {"8chn.mod", build_mod(generated_mod("8CHN", 8))},  {"12ch.mod", build_mod(generated_mod("12CH", 12))},
        {"flt4.mod", build_mod(generated_mod("FLT4", 4))},  {"gaps.s3m", build_s3m(generated_s3m())},
        {"linear.xm", build_xm(generated_xm(1))},           {"amiga.xm", build_xm(generated_xm(0))},
        {"missing_pattern.xm", build_xm(missing)},          {"v0102.xm", build_xm(v0102)},
        {"v0103.xm", build_xm(v0103)},
    };
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

// A JGM stream does not carry the playback rate, an empty sample's details, or
// sample-information counts that differ from the library sample's (MOD, 16-bit XM).
const std::string modtool = std::string(ZQ_BINARY_DIR) + "/bin/modtool";

struct ToolRun { int status; std::string out, err; };

ToolRun run_modtool(const std::string &arguments)
{
    ScratchFile out, err;
    std::string command = "env -u DISPLAY '" + modtool + "' " + arguments + " >'" + out.path() + "' 2>'" + err.path() + "'";
    int status = system(command.c_str());
    Bytes o = out.read(), e = err.read();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(o.begin(), o.end()), std::string(e.begin(), e.end())};
}

std::string quoted(const std::string &path) { return "'" + path + "'"; }
const std::string refused_text = "modtool: Unsupported MOD type or unable to open file\n";

std::string comparable(const std::string &dump, bool own_counts)
{
    static const std::regex rate("\"freq\": [0-9]+, "), counts("\"(length|loop_start|loop_end)\": [0-9]+, ");
    static const std::regex empty_info("\\{\"length\": 0, [^}]*\\}"), empty_sample("\\{[^{}]*\"len\": 0, [^}]*\\}");
    std::string text = std::regex_replace(dump, rate, "");
    text = std::regex_replace(text, empty_info, "{\"length\": 0}");
    text = std::regex_replace(text, empty_sample, "{\"len\": 0}");
    return own_counts ? std::regex_replace(text, counts, "") : text;
}

bool info_counts_differ(const std::string &path)
{
    JGMOD *j = load_mod(path.c_str());
    bool found = false;
    for (int index = 0; j != NULL && index < j->sample_count; index++) {
        const SAMPLE_INFO &info = j->sample_info[index];
        const SAMPLE &sample = j->samples[index];
        found |= (unsigned long)info.length != sample.len ||
                 (unsigned long)info.loop_start != sample.loop_start ||
                 (unsigned long)info.loop_end != sample.loop_end;
    }
    destroy_mod(j);
    return found;
}

TEST(ImportRoundTrip, ConvertThenDumpGivesTheOriginalsDump)
{
    std::vector<std::string> files = shared_module_files(ZQ_SOURCE_DIR, true);
    if (access(modtool.c_str(), X_OK) != 0 || files.empty())
        GTEST_SKIP() << "modtool is not built, or no shared module folder beside the source tree";
    install_allegro_for_files();
    int converted = 0;
    ScratchFile jgm;
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        ToolRun original = run_modtool("dump " + quoted(path));
        if (original.status != 0) {  // MOD signatures the player does not list
            EXPECT_EQ(original.err, refused_text);
            continue;
        }
        ToolRun convert = run_modtool("convert " + quoted(path) + " " + quoted(jgm.path()));
        ASSERT_EQ(convert.status, 0) << convert.err;
        ToolRun again = run_modtool("dump " + quoted(jgm.path()));
        ASSERT_EQ(again.status, 0) << again.err;
        bool own_counts = info_counts_differ(path);
        EXPECT_EQ(comparable(again.out, own_counts), comparable(original.out, own_counts));
        converted++;
    }
    printf("round trip: %d files converted and equal\n", converted);
    EXPECT_GT(converted, 0);
}

// --m15 turns 15-sample detection on for that one call only.
TEST(ImportRoundTrip, FifteenSampleFilesNeedTheOption)
{
    if (access(modtool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "modtool is not built";
    ModFile mod;
    mod.sample_count = 15;
    mod.title = "fifteen";
    ScratchFile file(build_mod(mod));
    ToolRun plain = run_modtool("info " + quoted(file.path())), with = run_modtool("--m15 info " + quoted(file.path()));
    EXPECT_EQ(std::make_pair(plain.status, plain.err), std::make_pair(1, refused_text));
    EXPECT_EQ(std::make_tuple(with.status, with.out), std::make_tuple(0, std::string(
        "type: 1\ntype_name: MOD (15 Samples)\nname: fifteen\n")));
}

}  // namespace
