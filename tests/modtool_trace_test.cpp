// modtool trace: the per-tick table of what the player did to each voice,
// produced headless from a module file.
#include <stdlib.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "support/jgm_stream.h"
#include "support/module_builder.h"

static const std::string header = "n\torder\trow\ttick\tchannel\tsample\tfrequency\tvolume\tpan\tstart\n";

// Two channels, two rows: sample 2 on channel 0 in row 0, then sample 1 an
// octave up on channel 1 (panned to 200) in row 1.
class TraceTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        install_allegro_for_files();
        JGMOD *j = build_module(2, 1, 2, 2);
        j->channel_pan[1] = 200;
        set_cell(j, 0, 0, 0, 2, 8363, 0, 0, 0);
        set_cell(j, 0, 1, 1, 1, 16726, 0, 0, 0);
        int result = 0;
        file.reset(new ScratchFile(save_jgm_bytes(j, &result)));
        destroy_mod(j);
        ASSERT_EQ(result, 1);
    }
    // "STATUS: " and then standard error and standard output.
    std::string trace(const std::string &arguments)
    {
        ScratchFile out, err;
        int status = system(("env -u DISPLAY " ZQ_BINARY_DIR "/bin/modtool trace " + arguments +
                             " >" + out.path() + " 2>" + err.path()).c_str());
        Bytes text = err.read(), output = out.read();
        text.insert(text.end(), output.begin(), output.end());
        return std::to_string(WEXITSTATUS(status)) + ": " + std::string(text.begin(), text.end());
    }
    std::unique_ptr<ScratchFile> file;
};

TEST_F(TraceTool, PrintsEveryChannelOfEveryCallWithTheOptionsApplied)
{
    const std::string p = file->path();
    std::string out = trace(p + " --ticks 8");
    EXPECT_EQ(out.rfind("0: " + header + "0\t0\t0\t0\t0\t1\t8363\t255\t128\t1\n0\t0\t0\t0\t1\t-1\t0\t0\t200\t0\n"
                                 "1\t0\t0\t1\t0\t1\t8363\t255\t128\t0\n", 0), 0u) << out;
    EXPECT_NE(out.find("\n6\t0\t1\t0\t0\t1\t8363\t255\t128\t0\n6\t0\t1\t0\t1\t0\t16726\t255\t200\t1\n"
                       "7\t0\t1\t1\t0\t1\t8363\t255\t128\t0\n7\t0\t1\t1\t1\t0\t16726\t255\t200\t0\n"),
              std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1 + 8 * 2);
    EXPECT_EQ(trace(p + " --voices 1 --pitch 200 --volume 60 --speed 400 --ticks 2"),
              "0: " + header + "0\t0\t0\t0\t0\t1\t16726\t60\t128\t1\n1\t0\t0\t1\t0\t1\t16726\t60\t128\t0\n");
    EXPECT_EQ(trace("--ticks 0 " + p), "0: " + header);
    out = trace(p + " --ticks 30");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1 + 30 * 2) << "looped by default";
    // 12 calls play the two rows, the 13th ends the song and is the last.
    out = trace(p + " --no-loop");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1 + 13 * 2);
    EXPECT_NE(out.find("\n12\t1\t0\t0\t0\t1\t8363\t255\t128\t0\n"), std::string::npos);
}

TEST_F(TraceTool, RefusesBadArguments)
{
    const std::string p = file->path();
    const std::pair<std::string, std::string> cases[] = {
        {"", "no module file given"},                  {p + " --ticks", "--ticks needs a number"},
        {p + " --ticks -1", "bad value for --ticks"},  {p + " --ticks 12x", "bad value for --ticks"},
        {p + " --voices 65", "bad value for --voices"}, {p + " --voices 0", "bad value for --voices"},
        {p + " --loud", "unknown option --loud"},
        {p + " " + p, "more than one module file given (" + p + ")"}};
    for (const auto &c : cases)
        EXPECT_EQ(trace(c.first), "1: modtool: trace: " + c.second + "\n") << c.first;
    EXPECT_EQ(trace("/nonexistent/song.jgm").rfind("1: modtool: trace: ", 0), 0u);
}
