// modtool trace: the per-tick table of what the player did to each voice,
// produced headless from a module file.
#include <stdio.h>
#include <sys/wait.h>

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/packfile_helpers.h"

namespace {

struct ToolRun {
    int status;
    std::vector<std::string> lines;  // standard output
    std::string errors;              // standard error
};

ToolRun run_modtool(const std::string &arguments)
{
    ScratchFile errors_file;
    std::string command = std::string(ZQ_BINARY_DIR) + "/bin/modtool " + arguments + " 2>" +
                          errors_file.path();
    ToolRun run;
    FILE *out = popen(command.c_str(), "r");
    if (out == nullptr) {
        run.status = -1;
        return run;
    }
    std::string line;
    int c;
    while ((c = fgetc(out)) != EOF) {
        if (c == '\n') {
            run.lines.push_back(line);
            line.clear();
        } else {
            line += (char)c;
        }
    }
    int status = pclose(out);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Bytes errors = errors_file.read();
    run.errors.assign(errors.begin(), errors.end());
    return run;
}

const char *header = "n\torder\trow\ttick\tchannel\tsample\tfrequency\tvolume\tpan\tstart";

// Two channels, one pattern of two rows: a note of sample 2 on channel 0 in
// row 0, and in row 1 a note of sample 1 on channel 1.
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
        Bytes bytes = save_jgm_bytes(j, &result);
        destroy_mod(j);
        ASSERT_EQ(result, 1);
        file_ = new ScratchFile(bytes);
    }
    void TearDown() override { delete file_; }
    std::string path() const { return file_->path(); }

private:
    ScratchFile *file_ = nullptr;
};

} // namespace

TEST_F(TraceTool, PrintsEveryChannelOfEveryCall)
{
    ToolRun run = run_modtool("trace " + path() + " --ticks 8");
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u + 8 * 2);
    EXPECT_EQ(run.lines[0], header);
    EXPECT_EQ(run.lines[1], "0\t0\t0\t0\t0\t1\t8363\t255\t128\t1");
    EXPECT_EQ(run.lines[2], "0\t0\t0\t0\t1\t-1\t0\t0\t200\t0");
    EXPECT_EQ(run.lines[3], "1\t0\t0\t1\t0\t1\t8363\t255\t128\t0");
    EXPECT_EQ(run.lines[13], "6\t0\t1\t0\t0\t1\t8363\t255\t128\t0");
    EXPECT_EQ(run.lines[14], "6\t0\t1\t0\t1\t0\t16726\t255\t200\t1");
    EXPECT_EQ(run.lines[16], "7\t0\t1\t1\t1\t0\t16726\t255\t200\t0");
}

TEST_F(TraceTool, LoopsByDefaultAndStopsAtTheEndWithNoLoop)
{
    ToolRun looped = run_modtool("trace " + path() + " --ticks 30");
    ASSERT_EQ(looped.status, 0) << looped.errors;
    EXPECT_EQ(looped.lines.size(), 1u + 30 * 2);

    ToolRun once = run_modtool("trace " + path() + " --no-loop");
    ASSERT_EQ(once.status, 0) << once.errors;
    // 12 calls play the two rows, the 13th ends the song and is the last.
    ASSERT_EQ(once.lines.size(), 1u + 13 * 2);
    EXPECT_EQ(once.lines[25], "12\t1\t0\t0\t0\t1\t8363\t255\t128\t0");
}

TEST_F(TraceTool, VoicesPitchAndVolumeOptionsApply)
{
    ToolRun run = run_modtool("trace " + path() + " --voices 1 --pitch 200 --volume 60 "
                              "--speed 400 --ticks 2");
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u + 2);
    EXPECT_EQ(run.lines[1], "0\t0\t0\t0\t0\t1\t16726\t60\t128\t1");
}

TEST_F(TraceTool, NoTicksPrintsTheHeaderOnly)
{
    ToolRun run = run_modtool("trace --ticks 0 " + path());
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0], header);
}

TEST_F(TraceTool, RefusesBadArguments)
{
    struct Case {
        std::string arguments;
        std::string message;
    };
    std::vector<Case> cases = {
        {"trace", "modtool: trace: no module file given\n"},
        {"trace " + path() + " --ticks", "modtool: trace: --ticks needs a number\n"},
        {"trace " + path() + " --ticks -1", "modtool: trace: bad value for --ticks\n"},
        {"trace " + path() + " --ticks 12x", "modtool: trace: bad value for --ticks\n"},
        {"trace " + path() + " --voices 65", "modtool: trace: bad value for --voices\n"},
        {"trace " + path() + " --voices 0", "modtool: trace: bad value for --voices\n"},
        {"trace " + path() + " --loud", "modtool: trace: unknown option --loud\n"},
        {"trace " + path() + " " + path(),
         "modtool: trace: more than one module file given (" + path() + ")\n"},
    };
    for (const Case &c : cases) {
        ToolRun run = run_modtool(c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_TRUE(run.lines.empty()) << c.arguments;
        EXPECT_EQ(run.errors, c.message) << c.arguments;
    }
}

TEST_F(TraceTool, ReportsAModuleThatCannotBeLoaded)
{
    ToolRun run = run_modtool("trace /nonexistent/song.jgm");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_EQ(run.errors.rfind("modtool: trace: ", 0), 0u) << run.errors;
}
