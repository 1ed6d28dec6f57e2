// modtool's verbs and errors, run as the real executable without an X display.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/module_files.h"

namespace {

const std::string kModtool = ZQ_BINARY_DIR "/bin/modtool";

struct ToolRun { int status; std::string out, err; };

std::string text_of(const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); }
std::string quoted(const ScratchFile &file) { return std::string("'") + file.path() + "'"; }

// Streams in the writer's own run coding round-trip byte for byte. Note numbers: an instrument,
// empty, 8- and 16-bit samples, runs across rows.
JgmStream note_number_stream()
{
    JgmHeader h;
    h.name = "round trip";
    h.orders = 2, h.patterns = 1, h.channels = 3, h.instruments = 1, h.samples = 3;
    h.tempo = 3, h.bpm = 140, h.global_volume = 50, h.restart_order = 1, h.flags = XM_MODE | LINEAR_MODE;
    JgmStream s;
    s.header(h).byte(0).byte(128).byte(255).byte(0).byte(0).repeat(1, 48).repeat(2, 48);
    for (int envelope = 0; envelope < 2; envelope++) {
        for (int point = 0; point < 12; point++)
            s.word(point * 7 + envelope).word(point < 3 ? 64 - point : 0);
        s.byte(3).byte(envelope ? 1 : 7).byte(1).byte(0).byte(2);
    }
    s.word(0x0400).dword(0);
    s.sample(5, 1, 4, 64, 32, 0xF4, 140, 8, LOOP_FORWARD, {0x80, 0xFF, 0x00, 0x7F, 0x81});
    s.sample(2, 0, 2, 10, 250, 5, 128, 16, LOOP_PINGPONG, {0x00, 0x80, 0xFF, 0x7F});
    // 2 rows: notes, samples, volumes, commands, parameters
    s.word(2).byte(0x81).byte(49).byte(0x02).byte(0x83).byte(0xFE).byte(0xFF).byte(12);
    s.byte(0x81).byte(1).byte(0x04).byte(0x81).byte(2).byte(0x06);
    s.byte(0x02).byte(0x81).byte(0x0C).byte(0x03);
    return s.byte(0x02).byte(0x82).word(0xFFFF).word(0x0100).byte(0x02);
}

// A period module: an empty and an 8-bit sample, a note cut, 2 x 2 cells.
JgmStream period_stream()
{
    JgmHeader h;
    h.name = "Caf\xe9 \"q\"\\\x01\x7f";
    h.orders = 1, h.patterns = 1, h.channels = 2, h.samples = 2;
    JgmStream s;
    s.header(h).byte(0).byte(255).byte(0).dword(0).sample(3, 0, 3, 64, 128, 0xF4, 8363, 8, 1, {1, 2, 3});
    s.word(2).byte(0x82).word(428).word(0xFFFF).byte(0x02);
    return s.byte(0x81).byte(2).byte(0x03).byte(0x04).byte(0x04).byte(0x03).byte(0x81).word(0xFFFF);
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

long le(const Bytes &b, size_t at, int size)
{
    long value = 0;
    for (int i = size - 1; i >= 0; i--)
        value = value * 256 + b[at + i];
    return value;
}

// The largest level of the 16-bit stereo frames [first, last) of a WAV file.
int peak(const Bytes &wav, long first, long last)
{
    int largest = 0;
    for (long value = first * 2; value < last * 2; value++)
        largest = std::max(largest, std::abs((int)(short)le(wav, 44 + 2 * value, 2)));
    return largest;
}

std::string shell_output(const std::string &command)
{
    std::string text;
    FILE *pipe = popen(command.c_str(), "r");
    for (int c; pipe != NULL && (c = fgetc(pipe)) != EOF;)
        text += (char)c;
    if (pipe != NULL)
        pclose(pipe);
    return text;
}

class ModtoolTest : public testing::Test {
protected:
    void SetUp() override
    {
        install_allegro_for_files();
        ASSERT_EQ(access(kModtool.c_str(), X_OK), 0) << "modtool is not built";
    }
    ToolRun modtool(const std::string &arguments)
    {
        std::string command = "env -u DISPLAY '" + kModtool + "' " + arguments + " >" +
                              quoted(out_) + " 2>" + quoted(err_);
        int status = system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text_of(out_.read()), text_of(err_.read())};
    }
    ScratchFile out_, err_;
};

// The whole dump document: key order, escapes, FNV-1a hashes (811c9dc5: no bytes), cell layout.
TEST_F(ModtoolTest, InfoDumpAndHelp)
{
    ScratchFile file(period_stream().data());
    ToolRun run = modtool("info " + quoted(file));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "type: 6\ntype_name: JGM\nname: Caf\xe9 \"q\"\\\x01\x7f\n");
    run = modtool("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    for (const char *usage : {"info FILE", "dump FILE", "convert IN OUT", "render FILE OUT.wav", "play FILE...",
                              "--version"})
        EXPECT_NE(run.out.find(usage), std::string::npos) << usage;
    run = modtool("dump " + quoted(file));
    EXPECT_EQ(run.status, 0) << run.err;
    const char *expected =
        "{\n  \"name\": \"Caf\\u00e9 \\\"q\\\"\\\\\\u0001\\u007f\",\n  \"flags\": 0,\n  \"tempo\": 6,\n  \"bpm\": 125,\n"
        "  \"global_volume\": 64,\n  \"restart_order\": 0,\n  \"channel_count\": 2,\n  \"order_count\": 1,\n"
        "  \"pattern_count\": 1,\n  \"instrument_count\": 0,\n  \"sample_count\": 2,\n"
        "  \"order_table\": [0],\n  \"channel_pan\": [0, 255],\n  \"sample_info\": [\n"
        "    {\"length\": 0, \"tuning\": 0, \"transpose\": 0, \"volume\": 0, \"pan\": 0, \"loop_start\": 0, "
        "\"loop_end\": 0, \"loop_type\": 0, \"vibrato_type\": 0, \"vibrato_sweep\": 0, \"vibrato_depth\": 0, "
        "\"vibrato_rate\": 0},\n    {\"length\": 3, \"tuning\": 8363, \"transpose\": -12, \"volume\": 64, "
        "\"pan\": 128, \"loop_start\": 0, \"loop_end\": 3, \"loop_type\": 1, \"vibrato_type\": 0, "
        "\"vibrato_sweep\": 0, \"vibrato_depth\": 0, \"vibrato_rate\": 0}\n  ],\n  \"samples\": [\n"
        "    {\"bits\": 0, \"stereo\": 0, \"freq\": 1000, \"priority\": 192, \"len\": 0, \"loop_start\": 0, "
        "\"loop_end\": 0, \"param\": -1, \"data_fnv1a\": \"811c9dc5\"},\n    {\"bits\": 8, \"stereo\": 0, "
        "\"freq\": 1000, \"priority\": 192, \"len\": 3, \"loop_start\": 0, \"loop_end\": 3, \"param\": -1, "
        "\"data_fnv1a\": \"56cf37ab\"}\n  ],\n  \"instrument_info\": [],\n  \"pattern_info\": [\n"
        "    {\"row_count\": 2, \"notes\": [\n      [2, 8363, 0, 0, 0], [0, -1, 0, 0, 0],\n"
        "      [0, 0, 0, 0, 0], [0, 0, 0, 0, 65535]\n    ]}\n  ]\n}\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(ModtoolTest, ConvertAndDumpRoundTripAStreamByteForByte)
{
    for (const JgmStream &s : {note_number_stream(), period_stream()}) {
        ScratchFile in(s.data()), out;
        ToolRun convert = modtool("convert " + quoted(in) + " " + quoted(out));
        EXPECT_EQ(convert.status, 0) << convert.err;
        EXPECT_EQ(convert.out + convert.err, "");
        EXPECT_EQ(out.read(), s.data());
        std::string first = modtool("dump " + quoted(in)).out;
        EXPECT_EQ(first, modtool("dump " + quoted(out)).out);
        if (s.data() == note_number_stream().data()) {  // every instrument field, arrays whole
            for (const char *key : {"\"note_sample\": [1, 1,", "\"volume_env_value\": [64, 63, 62, 0,",
                                    "\"volume_env_tick\": [0, 7, 14,", "\"volume_env_points\": 3",
                                    "\"volume_env_sustain_start\": 1", "\"volume_env_sustain_end\": 1",
                                    "\"pan_env_tick\": [1, 8,", "\"pan_env_loop_end\": 2", "\"fadeout\": 1024"})
                EXPECT_NE(first.find(key), std::string::npos) << key;
        }
    }
}

// A stream cut after its pans loads with orders -1, which JGM cannot hold: OUT stays as it was.
TEST_F(ModtoolTest, ErrorsGoToStandardErrorWithStatusOne)
{
    ScratchFile text(Bytes(9, 'x')), good(period_stream().data()), out({'o', 'l', 'd'});
    JgmHeader h;
    h.orders = 2;
    ScratchFile cut(JgmStream().header(h).byte(128).data());
    const std::string unreadable = "Unsupported MOD type or unable to open file", no_dir = ": No such file or directory";
    const struct { std::string arguments, message; } cases[] = {
        {"", "no verb given (try modtool --help)"}, {"frob", "unknown verb frob (try modtool --help)"},
        {"--frob info x", "unknown option --frob (try modtool --help)"},
        {"info", "info needs one FILE (try modtool --help)"}, {"convert a", "convert needs IN and OUT (try modtool --help)"},
        {"info " + quoted(text), unreadable}, {"dump /nonexistent/zq.jgm", unreadable},
        {"convert " + quoted(good) + " /nonexistent/dir/out.jgm", "Unable to create /nonexistent/dir/out.jgm" + no_dir},
        {"convert " + quoted(cut) + " " + quoted(out), "JGM cannot hold order table entry -1 (allowed 0 to 255)"},
        {"render a", "render needs FILE and OUT.wav (try modtool --help)"},
        {"render a b --loop", "render: --loop needs --seconds"},
        {"render a b --interpolation sinc", "render: bad value for --interpolation"},
        {"render " + quoted(text) + " b.wav", "render: " + unreadable},
        {"render " + quoted(good) + " /nonexistent/dir/out.wav", "Unable to create /nonexistent/dir/out.wav" + no_dir},
        {"play --device zq-none " + quoted(good), "cannot open sound device zq-none" + no_dir},
        {"trace", "trace: no module file given"},
        {"trace x --ticks", "trace: --ticks needs a number"},
        {"trace x --ticks 12x", "trace: bad value for --ticks"},
        {"trace x --voices 65", "trace: bad value for --voices"},
        {"trace x --loud", "trace: unknown option --loud"},
        {"trace x y", "trace: more than one module file given (y)"},
        {"trace /nonexistent/song.jgm", "trace: " + unreadable},
    };
    for (const auto &c : cases) {
        ToolRun run = modtool(c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_EQ(run.err, "modtool: " + c.message + "\n");
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    EXPECT_EQ(text_of(out.read()), "old");
}

// The song's 24 ticks of 23863 timer units are 21167.45 frames at 44100 Hz: the file holds 21168.
TEST_F(ModtoolTest, RenderWritesOnePassOfTheSongAsWav)
{
    ScratchFile mod(square_mod(1, 4)), wav;
    ToolRun run = modtool("render " + quoted(mod) + " " + quoted(wav));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(": 0.480 s of audio in "), std::string::npos) << run.out;
    const long frames = 21168;
    Bytes b = wav.read();
    ASSERT_EQ(b.size(), 44u + frames * 4);
    EXPECT_EQ(text_of(Bytes(b.begin(), b.begin() + 4)), "RIFF");
    EXPECT_EQ(text_of(Bytes(b.begin() + 8, b.begin() + 16)), "WAVEfmt ");
    EXPECT_EQ(text_of(Bytes(b.begin() + 36, b.begin() + 40)), "data");
    // offset, size, value
    const long fields[][3] = {{4, 4, 36 + frames * 4}, {16, 4, 16}, {20, 2, 1}, {22, 2, 2}, {24, 4, 44100},
                              {28, 4, 176400}, {32, 2, 4}, {34, 2, 16}, {40, 4, frames * 4}};
    for (const auto &f : fields)
        EXPECT_EQ(le(b, f[0], (int)f[1]), f[2]) << "at " << f[0];
    EXPECT_GT(peak(b, 0, 10584), 4000);      // rows 0 and 1: the note
    EXPECT_EQ(peak(b, 10584 + 100, frames), 0);  // from row 2, after the fade: volume 0
}

TEST_F(ModtoolTest, PlayWithoutATerminalEndsByItself)
{
    ScratchFile mod(square_mod(1, 4));
    ToolRun run = modtool("play --device null --seconds 1 " + quoted(mod) + " </dev/null");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    run = modtool("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("modtool ", 0), 0u) << run.out;
    std::string manual = shell_output("man --warnings -l " ZQ_SOURCE_DIR "/docs/man/modtool.1 2>&1 >/dev/null");
    EXPECT_EQ(manual, "");
}

// Keys in a terminal of its own: the status line shows each change, and the
// terminal settings afterwards are those from before.
TEST_F(ModtoolTest, PlayOnATerminalActsOnKeysAndRestoresIt)
{
    ScratchFile mod(square_mod(3, 64)), before, after;
    std::string tmux = "env TERM=xterm tmux -L zq-modtool-" + std::to_string(getpid()) + " ";
    std::string script = "stty -a >" + quoted(before) + "; '" + kModtool + "' play --device null --loop " +
                         quoted(mod) + "; stty -a >" + quoted(after) + "; echo ended; sleep 600";
    ASSERT_EQ(system((tmux + "new-session -d -x 220 -y 10 \"" + script + "\"").c_str()), 0);
    auto shows = [&](const std::string &text) {  // waits for the pane to show text, 60 s at most
        for (int tries = 0; tries < 1200; tries++) {
            if (shell_output(tmux + "capture-pane -p").find(text) != std::string::npos)
                return true;
            usleep(50000);
        }
        return false;
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

// trace: two channels, two rows: sample 2 on channel 0 in row 0, then sample 1 an octave up on channel 1 in
// row 1. 12 calls play the rows; the 13th ends the song without --no-loop's loop. (The golden traces hold the
// format line by line.)
TEST_F(ModtoolTest, TraceAppliesItsOptionsAndLoopsByDefault)
{
    JGMOD *j = build_module(2, 1, 2, 2);
    set_cell(j, 0, 0, 0, 2, 8363, 0, 0, 0);
    set_cell(j, 0, 1, 1, 1, 16726, 0, 0, 0);
    int result = 0;
    ScratchFile file(save_jgm_bytes(j, &result));
    destroy_mod(j);
    const std::string p = quoted(file), header = "n\torder\trow\ttick\tchannel\tsample\tfrequency\tvolume\tpan\tstart\n";
    EXPECT_EQ(modtool("trace " + p + " --voices 1 --pitch 200 --volume 60 --speed 400 --ticks 2").out,
              header + "0\t0\t0\t0\t0\t1\t16726\t60\t128\t1\n1\t0\t0\t1\t0\t1\t16726\t60\t128\t0\n");
    EXPECT_EQ(modtool("trace --ticks 0 " + p).out, header);
    const struct { const char *options; long lines; } lengths[] = {{" --ticks 8", 1 + 8 * 2}, {" --ticks 30", 1 + 30 * 2},
                                                                  {" --no-loop", 1 + 13 * 2}};
    for (const auto &c : lengths) {
        std::string out = modtool("trace " + p + c.options).out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), c.lines) << c.options;
    }
}

}  // namespace
