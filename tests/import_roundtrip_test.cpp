// modtool on foreign module files, run as the real executable: --m15, and
// convert of every MOD, S3M and XM file of the shared module folder, whose
// JGM stream then dumps as the original does.
//
// What a JGM stream does not carry is left out of the comparison: the
// library sample's playback rate (a JGM reader sets 1000, the S3M reader the
// sample's own); everything of an empty sample but its length; and the loops
// of MOD samples, whose sample information holds the loop's length where a
// stream holds its end. A 16-bit XM sample keeps the file's lengths in bytes
// while its data holds half as many points, which one stream length cannot
// say: such files must be refused with the writer's message.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/module_files.h"

namespace {

const std::string modtool = std::string(ZQ_BINARY_DIR) + "/bin/modtool";

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun run_modtool(const std::string &arguments)
{
    ScratchFile out, err;
    std::string command = "env -u DISPLAY '" + modtool + "' " + arguments + " >'" + out.path() + "' 2>'" + err.path() + "'";
    int status = system(command.c_str());
    Bytes o = out.read(), e = err.read();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(o.begin(), o.end()), std::string(e.begin(), e.end())};
}

std::string quoted(const std::string &path) { return "'" + path + "'"; }

std::string comparable(const std::string &dump, bool mod)
{
    static const std::regex rate("\"freq\": [0-9]+, "), loop("\"loop_(start|end)\": [0-9]+, ");
    static const std::regex empty_info("\\{\"length\": 0, [^}]*\\}"), empty_sample("\\{[^{}]*\"len\": 0, [^}]*\\}");
    std::string text = std::regex_replace(dump, rate, "");
    text = std::regex_replace(text, empty_info, "{\"length\": 0}");
    text = std::regex_replace(text, empty_sample, "{\"len\": 0}");
    return mod ? std::regex_replace(text, loop, "") : text;
}

bool has_sixteen_bit_xm_sample(const std::string &path)
{
    JGMOD *j = load_mod(path.c_str());
    bool found = false;
    for (int index = 0; j != NULL && index < j->sample_count; index++)
        found |= (unsigned long)j->sample_info[index].length != j->samples[index].len;
    destroy_mod(j);
    return found;
}

TEST(ImportRoundTrip, ConvertThenDumpGivesTheOriginalsDump)
{
    std::vector<std::string> files = shared_module_files(ZQ_SOURCE_DIR, true);
    if (access(modtool.c_str(), X_OK) != 0 || files.empty())
        GTEST_SKIP() << "modtool is not built, or no shared module folder beside the source tree";
    install_allegro_for_files();
    int converted = 0, refused_by_design = 0;
    ScratchFile jgm;
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        ToolRun original = run_modtool("dump " + quoted(path));
        if (original.status != 0) {  // MOD signatures the player does not list
            EXPECT_EQ(original.err, "modtool: Unsupported MOD type or unable to open file\n");
            continue;
        }
        ToolRun convert = run_modtool("convert " + quoted(path) + " " + quoted(jgm.path()));
        if (convert.status != 0) {
            EXPECT_TRUE(has_sixteen_bit_xm_sample(path)) << convert.err;
            EXPECT_EQ(convert.err.rfind("modtool: JGM cannot hold a sample whose data is not ", 0), 0u) << convert.err;
            refused_by_design++;
            continue;
        }
        ToolRun again = run_modtool("dump " + quoted(jgm.path()));
        ASSERT_EQ(again.status, 0) << again.err;
        bool mod = extension_of(path) == "mod";
        EXPECT_EQ(comparable(again.out, mod), comparable(original.out, mod));
        converted++;
    }
    printf("round trip: %d files converted and equal, %d refused by design\n", converted, refused_by_design);
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
    ToolRun plain = run_modtool("info " + quoted(file.path()));
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.err, "modtool: Unsupported MOD type or unable to open file\n");
    ToolRun with_option = run_modtool("--m15 info " + quoted(file.path()));
    EXPECT_EQ(with_option.status, 0) << with_option.err;
    EXPECT_EQ(with_option.out, "type: 1\ntype_name: MOD (15 Samples)\nname: fifteen\n");
    ToolRun dump = run_modtool("--m15 dump " + quoted(file.path()));
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_NE(dump.out.find("\"sample_count\": 15,"), std::string::npos);
}

}  // namespace
