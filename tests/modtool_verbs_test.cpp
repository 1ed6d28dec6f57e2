// modtool's verbs and errors, run as the real executable without an X display.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/golden.h"
#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/module_files.h"
#include "support/player_fixture.h"

namespace {

const std::string kModtool = ZQ_BINARY_DIR "/bin/modtool";
const std::string kGolden = ZQ_SOURCE_DIR "/tests/golden/";

struct ToolRun { int status; std::string out, err; };

std::string text_of(const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); }
std::string quoted(const ScratchFile &file) { return std::string("'") + file.path() + "'"; }

// A period module: an empty and an 8-bit sample, a note cut, 2 x 2 cells.
JgmStream period_stream()
{
    JgmHeader h;
    h.name = "Caf\xe9 \"q\"\\\x01\x7f";
    h.orders = 1;
    h.patterns = 1;
    h.channels = 2;
    h.samples = 2;
    JgmStream s;
    s.header(h).byte(0).byte(255).byte(0).dword(0);
    s.sample(3, 0, 3, 64, 128, 0xF4, 8363, 8, 1, {1, 2, 3}).word(2);
    s.byte(0x82).word(428).word(0xFFFF).byte(0x02).byte(0x81).byte(2).byte(0x03).byte(0x04);
    return s.byte(0x04).byte(0x03).byte(0x81).word(0xFFFF);
}

// A 4-channel MOD of `orders` times pattern 0: a looped square wave from row
// 0, volume 0 at row 2 and, when `rows` is 4, a pattern break at row 3.
Bytes square_mod(int orders, int rows)
{
    ModFile mod;
    mod.samples = {ModSample{50, 0, 64, 0, 50, {}}};
    for (int i = 0; i < 100; i++)
        mod.samples[0].data.push_back(i % 20 < 10 ? 0x40 : 0xC0);
    mod.orders.assign(orders, 0);
    mod.song_length = orders;
    mod.cells = {std::vector<uint32_t>(64 * 4)};
    mod.cells[0][0] = mod_cell(1, 428, 0, 0);
    mod.cells[0][2 * 4] = mod_cell(0, 0, 0xC, 0);
    if (rows == 4)
        mod.cells[0][3 * 4] = mod_cell(0, 0, 0xD, 0);
    return build_mod(mod);
}

// The largest level of the 16-bit stereo frames [first, last) of a WAV file.
int peak(const Bytes &wav, long first, long last)
{
    int largest = 0;
    for (long at = 44 + first * 4; at < 44 + last * 4; at += 2)
        largest = std::max(largest, std::abs((int)(short)(wav[at] | wav[at + 1] << 8)));
    return largest;
}

class ModtoolTest : public testing::Test {
protected:
    void SetUp() override
    {
        install_allegro_for_files();
        ASSERT_EQ(access(kModtool.c_str(), X_OK), 0) << "modtool is not built";
    }
    ToolRun shell(const std::string &command)
    {
        std::string redirected = "{ " + command + "; } >" + quoted(out_) + " 2>" + quoted(err_);
        int status = system(redirected.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text_of(out_.read()),
                text_of(err_.read())};
    }
    ToolRun modtool(const std::string &arguments, const std::string &folder = ".")
    {
        return shell("cd '" + folder + "' && env -u DISPLAY '" + kModtool + "' " + arguments);
    }
    ScratchFile out_, err_;
};

// The whole dump document (key order, escapes, FNV-1a hashes, cell layout),
// then an instrument's envelopes, reviewed: accepted while the hand-written
// expectations they replaced passed on the same code.
TEST_F(ModtoolTest, InfoAndDump)
{
    ScratchFile file(period_stream().data());
    ToolRun run = modtool("info " + quoted(file));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "type: 6\ntype_name: JGM\nname: Caf\xe9 \"q\"\\\x01\x7f\n");
    EXPECT_TRUE(matches_golden(kGolden + "modtool_dump_period.json",
                               modtool("dump " + quoted(file)).out));
    JGMOD *j = build_module(1, 1, 1, 1, XM_MODE, 1);
    for (int point = 0; point < 3; point++) {
        j->instrument_info[0].volume_env_tick[point] = point * 7;
        j->instrument_info[0].pan_env_tick[point] = point * 7 + 1;
    }
    int result = 0;
    ScratchFile instrument(save_jgm_bytes(j, &result));
    destroy_mod(j);
    EXPECT_TRUE(matches_golden(kGolden + "modtool_dump_instrument.json",
                               modtool("dump " + quoted(instrument)).out));
}

// Runs in a scratch folder, so the transcript names files alone: each run's
// arguments, output, errors and status, reviewed (accepted while the
// hand-written expectations it replaced passed on the same code). Errors go
// to standard error with status 1. A stream cut after its pans loads with
// orders -1, which JGM cannot hold: OUT stays as it was. trace applies its
// options (sample 2 on channel 0 in row 0, then sample 1 an octave up on
// channel 1 in row 1) and loops by default; convert writes the stream it read;
// play without a terminal ends by itself. render writes one pass of the song:
// its 24 ticks of 23863 timer units are 21167.45 frames at 44100 Hz, 21168 in
// the file, after a 44-byte header (16-bit stereo: 176400 bytes a second).
TEST_F(ModtoolTest, RunsMatchTheReviewedTranscript)
{
    JGMOD *j = build_module(2, 1, 2, 2);
    set_cell(j, 0, 0, 0, 2, 8363, 0, 0, 0);
    set_cell(j, 0, 1, 1, 1, 16726, 0, 0, 0);
    int result = 0;
    JgmHeader h;
    h.orders = 2;
    const std::pair<std::string, Bytes> files[] = {
        {"text.bin", Bytes(9, 'x')}, {"period.jgm", period_stream().data()},
        {"cut.jgm", JgmStream().header(h).byte(128).data()}, {"out.jgm", {'o', 'l', 'd'}},
        {"two.jgm", save_jgm_bytes(j, &result)}, {"square.mod", square_mod(1, 4)}};
    destroy_mod(j);
    char name[] = "/tmp/zq-modtool-XXXXXX";
    const std::string folder = mkdtemp(name);
    for (const auto &[file, bytes] : files)
        write_file_bytes((folder + "/" + file).c_str(), bytes);
    const char *const runs[] = {"", "frob", "--frob info x", "convert a", "info text.bin",
        "convert period.jgm /nonexistent/dir/out.jgm", "convert cut.jgm out.jgm",
        "render a b --interpolation sinc", "render text.bin b.wav",
        "play --device zq-none period.jgm", "trace x --voices 65",
        "trace two.jgm --voices 1 --pitch 200 --volume 60 --speed 400 --ticks 2",
        "trace --ticks 30 two.jgm", "convert period.jgm copy.jgm", "--version",
        "play --device null --seconds 1 square.mod </dev/null",
        "render square.mod out.wav >r.txt && cut -d' ' -f1-5 r.txt && od -An -tx1 -N44 out.wav"};
    std::string transcript;
    for (std::string arguments : runs) {
        ToolRun run = modtool(arguments, folder);
        transcript += "$ modtool " + arguments + "\n" + run.out +
                      (run.err.empty() ? "" : "stderr: " + run.err) +
                      "status " + std::to_string(run.status) + "\n";
    }
    EXPECT_TRUE(matches_golden(kGolden + "modtool_runs.txt", transcript));
    EXPECT_EQ(text_of(read_file_bytes((folder + "/out.jgm").c_str())), "old");
    EXPECT_EQ(read_file_bytes((folder + "/copy.jgm").c_str()), period_stream().data());
    Bytes wav = read_file_bytes((folder + "/out.wav").c_str());
    ASSERT_EQ(wav.size(), 44u + 21168 * 4);
    EXPECT_GT(peak(wav, 0, 10584), 4000) << "rows 0 and 1: the note";
    EXPECT_EQ(peak(wav, 10584 + 100, 21168), 0) << "from row 2, after the fade: volume 0";
    std::filesystem::remove_all(folder);
}

TEST_F(ModtoolTest, TheManualReads)
{
    EXPECT_EQ(shell("man --warnings -l " ZQ_SOURCE_DIR "/docs/man/modtool.1 >/dev/null").err, "");
}

// Keys in a terminal of its own: the status line shows each change, and the
// terminal settings afterwards are those from before.
TEST_F(ModtoolTest, PlayOnATerminalActsOnKeysAndRestoresIt)
{
    ScratchFile mod(square_mod(3, 64)), before, after;
    std::string tmux = "env TERM=xterm tmux -L zq-modtool-" + std::to_string(getpid()) + " ";
    std::string script = "stty -a >" + quoted(before) + "; '" + kModtool +
                         "' play --device null --loop " + quoted(mod) + "; stty -a >" +
                         quoted(after) + "; echo ended; sleep 600";
    ASSERT_EQ(system((tmux + "new-session -d -x 220 -y 10 \"" + script + "\"").c_str()), 0);
    auto shows = [&](const std::string &text) { // the pane shows `text` within 60 s
        auto shown = [&] {
            usleep(50000); // a look at the pane costs a process
            return shell(tmux + "capture-pane -p").out.find(text) != text.npos;
        };
        return wait_until(shown, std::chrono::seconds(60));
    };
    EXPECT_TRUE(shows("| order 1/3 pattern 0 row "));
    const struct { const char *key, *shown; } steps[] = {
        {"Right", "| order 2/3 pattern 0 row "}, {"Space", " | paused"}, {"q", "ended"}};
    for (const auto &step : steps) {
        system((tmux + "send-keys " + step.key).c_str());
        EXPECT_TRUE(shows(step.shown)) << step.key;
    }
    EXPECT_EQ(text_of(after.read()), text_of(before.read()));
    system((tmux + "kill-server").c_str());
}

}  // namespace
