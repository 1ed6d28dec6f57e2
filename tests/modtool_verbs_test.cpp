// modtool's info, dump and convert verbs and its errors, run as the real
// executable without an X display.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/jgm_stream.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string modtool_path()
{
    return std::string(ZQ_BINARY_DIR) + "/bin/modtool";
}

std::string text_of(const Bytes &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class ModtoolTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (access(modtool_path().c_str(), X_OK) != 0)
            GTEST_SKIP() << "modtool is not built";
    }
    // Runs modtool with the arguments (already quoted for the shell) and no
    // display.
    ToolRun modtool(const std::string &arguments)
    {
        std::string command = "env -u DISPLAY '" + modtool_path() + "' " + arguments + " >'" +
                              out_.path() + "' 2>'" + err_.path() + "'";
        int status = system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text_of(out_.read()),
                text_of(err_.read())};
    }
    static std::string quoted(const char *path) { return std::string("'") + path + "'"; }
    ScratchFile out_;
    ScratchFile err_;
};

TEST_F(ModtoolTest, InfoPrintsTypeTypeNameAndName)
{
    JgmHeader h;
    h.name = "Quibble";
    JgmStream s;
    s.header(h).byte(128);
    ScratchFile file(s.data());
    ToolRun run = modtool("info " + quoted(file.path()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "type: 6\ntype_name: JGM\nname: Quibble\n");
    EXPECT_EQ(run.err, "");
}

// The whole document for a small module: key order, escapes, sample hashes
// (FNV-1a of no bytes is 811c9dc5) and the cell layout.
TEST_F(ModtoolTest, DumpWritesTheModuleAsJson)
{
    JgmHeader h;
    h.name = "Caf\xe9 \"q\"\\\x01";
    h.orders = 1;
    h.patterns = 1;
    h.channels = 2;
    h.samples = 2;
    JgmStream s;
    s.header(h).byte(0).byte(255).byte(0);
    s.dword(0).sample(3, 0, 3, 64, 128, 0xF4, 8363, 8, 1, {1, 2, 3});
    s.word(2).byte(0x82).word(428).word(0xFFFF).byte(0x02);
    s.byte(0x81).byte(2).byte(0x03).byte(0x04).byte(0x04).byte(0x03).byte(0x81).word(0xFFFF);
    ScratchFile file(s.data());
    ToolRun run = modtool("dump " + quoted(file.path()));
    EXPECT_EQ(run.status, 0) << run.err;
    const char *expected =
        "{\n"
        "  \"name\": \"Caf\\u00e9 \\\"q\\\"\\\\\\u0001\",\n"
        "  \"flags\": 0,\n  \"tempo\": 6,\n  \"bpm\": 125,\n  \"global_volume\": 64,\n"
        "  \"restart_order\": 0,\n  \"channel_count\": 2,\n  \"order_count\": 1,\n"
        "  \"pattern_count\": 1,\n  \"instrument_count\": 0,\n  \"sample_count\": 2,\n"
        "  \"order_table\": [0],\n"
        "  \"channel_pan\": [0, 255],\n"
        "  \"sample_info\": [\n"
        "    {\"length\": 0, \"tuning\": 0, \"transpose\": 0, \"volume\": 0, \"pan\": 0, "
        "\"loop_start\": 0, \"loop_end\": 0, \"loop_type\": 0, \"vibrato_type\": 0, "
        "\"vibrato_sweep\": 0, \"vibrato_depth\": 0, \"vibrato_rate\": 0},\n"
        "    {\"length\": 3, \"tuning\": 8363, \"transpose\": -12, \"volume\": 64, \"pan\": 128, "
        "\"loop_start\": 0, \"loop_end\": 3, \"loop_type\": 1, \"vibrato_type\": 0, "
        "\"vibrato_sweep\": 0, \"vibrato_depth\": 0, \"vibrato_rate\": 0}\n"
        "  ],\n"
        "  \"samples\": [\n"
        "    {\"bits\": 0, \"stereo\": 0, \"freq\": 1000, \"priority\": 192, \"len\": 0, "
        "\"loop_start\": 0, \"loop_end\": 0, \"param\": -1, \"data_fnv1a\": \"811c9dc5\"},\n"
        "    {\"bits\": 8, \"stereo\": 0, \"freq\": 1000, \"priority\": 192, \"len\": 3, "
        "\"loop_start\": 0, \"loop_end\": 3, \"param\": -1, \"data_fnv1a\": \"56cf37ab\"}\n"
        "  ],\n"
        "  \"instrument_info\": [],\n"
        "  \"pattern_info\": [\n"
        "    {\"row_count\": 2, \"notes\": [\n"
        "      [2, 8363, 0, 0, 0], [0, -1, 0, 0, 0],\n"
        "      [0, 0, 0, 0, 0], [0, 0, 0, 0, 65535]\n"
        "    ]}\n"
        "  ]\n"
        "}\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(ModtoolTest, DumpListsInstrumentsWithEveryField)
{
    ScratchFile file(example_note_number_stream().data());
    ToolRun run = modtool("dump " + quoted(file.path()));
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char *key :
         {"\"note_sample\": [1, 1,", "\"volume_env_value\": [64, 63, 62, 0,",
          "\"volume_env_tick\": [0, 7, 14,", "\"volume_env_points\": 3",
          "\"volume_env_sustain_start\": 1", "\"volume_env_sustain_end\": 1",
          "\"pan_env_tick\": [1, 8,", "\"pan_env_flags\": 1", "\"pan_env_loop_end\": 2",
          "\"fadeout\": 1024"})
        EXPECT_NE(run.out.find(key), std::string::npos) << key;
}

// A JGM stream converted gives the same bytes back, and dumps the same.
TEST_F(ModtoolTest, ConvertAndDumpRoundTripAStreamByteForByte)
{
    for (const JgmStream &s : {example_note_number_stream(), example_period_stream()}) {
        ScratchFile in(s.data());
        ScratchFile out;
        ToolRun convert = modtool("convert " + quoted(in.path()) + " " + quoted(out.path()));
        EXPECT_EQ(convert.status, 0) << convert.err;
        EXPECT_EQ(convert.out + convert.err, "");
        EXPECT_EQ(out.read(), s.data());
        std::string first = modtool("dump " + quoted(in.path())).out;
        std::string second = modtool("dump " + quoted(out.path())).out;
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, second);
    }
}

// A stream cut short after its channel pans loads with missing orders (-1),
// which no JGM stream can hold: the conversion is refused and leaves the
// existing output file as it was.
TEST_F(ModtoolTest, RefusedConversionLeavesTheOutputAlone)
{
    JgmHeader h;
    h.orders = 2;
    JgmStream s;
    s.header(h).byte(128);
    ScratchFile in(s.data());
    ScratchFile out({'o', 'l', 'd'});
    ToolRun run = modtool("convert " + quoted(in.path()) + " " + quoted(out.path()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "modtool: JGM cannot hold order table entry -1 (allowed 0 to 255)\n");
    EXPECT_EQ(text_of(out.read()), "old");
}

TEST_F(ModtoolTest, ErrorsGoToStandardErrorWithStatusOne)
{
    ScratchFile text({'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'd'});
    ScratchFile good(example_period_stream().data());
    struct {
        std::string arguments;
        const char *message;
    } cases[] = {
        {"", "modtool: no verb given (try modtool --help)\n"},
        {"frob", "modtool: unknown verb frob (try modtool --help)\n"},
        {"--frob info x", "modtool: unknown option --frob (try modtool --help)\n"},
        {"info", "modtool: info needs one FILE (try modtool --help)\n"},
        {"dump a b", "modtool: dump needs one FILE (try modtool --help)\n"},
        {"convert a", "modtool: convert needs IN and OUT (try modtool --help)\n"},
        {"info " + quoted(text.path()), "modtool: Unsupported MOD type or unable to open file\n"},
        {"dump /nonexistent/zq.jgm", "modtool: Unsupported MOD type or unable to open file\n"},
        {"convert " + quoted(good.path()) + " /nonexistent/dir/out.jgm",
         "modtool: Unable to create /nonexistent/dir/out.jgm: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments);
        ToolRun run = modtool(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(ModtoolTest, HelpPrintsUsageOfEveryVerb)
{
    for (const char *flag : {"--help", "-h"}) {
        ToolRun run = modtool(flag);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        for (const char *text : {"info FILE", "dump FILE", "convert IN OUT",
                                 "trace FILE [--ticks N] [--voices V] [--speed S] [--pitch P] "
                                 "[--volume M] [--no-loop]"})
            EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
}

}  // namespace
