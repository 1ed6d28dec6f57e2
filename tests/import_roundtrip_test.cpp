// modtool on foreign module files, run as the real executable: --m15, and
// convert of every MOD, S3M and XM file of the shared module folder, then
// dump of the JGM stream, which gives the dump of the original file.
//
// What a JGM stream does not carry is left out of the comparison:
// - the library sample's playback rate: a JGM reader sets 1000 for every
//   sample, the S3M reader the sample's own rate;
// - everything of an empty sample but its length: the stream stores an
//   empty sample as its length alone;
// - the loops of MOD samples: a stream's loop end is absolute and goes into
//   both the sample information and the library record, while a MOD's
//   sample information holds the loop's length and its library record the
//   loop's end, so one of the two must differ after the trip.
// A 16-bit XM sample cannot be converted at all: its sample information
// keeps the file's lengths in bytes while its data holds half as many
// points, and a JGM stream has one length for both. Such files must be
// refused with the writer's message.
#include <dirent.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/module_files.h"
#include "support/packfile_helpers.h"

namespace {

std::string modtool_path()
{
    return std::string(ZQ_BINARY_DIR) + "/bin/modtool";
}

std::string shared_modules()
{
    return std::string(ZQ_SOURCE_DIR) + "/../shared/modules";
}

std::vector<std::string> corpus_files()
{
    std::vector<std::string> files;
    DIR *dir = opendir(shared_modules().c_str());
    if (dir == NULL)
        return files;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        for (const char *extension : {".mod", ".s3m", ".xm"}) {
            std::string ending = extension;
            if (lower.size() > ending.size() && lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0)
                files.push_back(shared_modules() + "/" + name);
        }
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun run_modtool(const std::string &arguments)
{
    ScratchFile out;
    ScratchFile err;
    std::string command = "env -u DISPLAY '" + modtool_path() + "' " + arguments + " >'" + out.path() +
                          "' 2>'" + err.path() + "'";
    int status = system(command.c_str());
    Bytes out_bytes = out.read();
    Bytes err_bytes = err.read();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(out_bytes.begin(), out_bytes.end()),
            std::string(err_bytes.begin(), err_bytes.end())};
}

std::string quoted(const std::string &path)
{
    return "'" + path + "'";
}

// The dump without the fields a JGM stream does not store.
std::string comparable(const std::string &dump, bool mod)
{
    static const std::regex rate("\"freq\": [0-9]+, ");
    static const std::regex empty_info("\\{\"length\": 0, [^}]*\\}");
    static const std::regex empty_sample("\\{[^{}]*\"len\": 0, [^}]*\\}");
    static const std::regex loop("\"loop_(start|end)\": [0-9]+, ");
    std::string text = std::regex_replace(dump, rate, "");
    text = std::regex_replace(text, empty_info, "{\"length\": 0}");
    text = std::regex_replace(text, empty_sample, "{\"len\": 0}");
    return mod ? std::regex_replace(text, loop, "") : text;
}

bool is_mod(const std::string &path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    return lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".mod") == 0;
}

// Whether the module has a sample whose information and data count
// differently (a 16-bit XM sample).
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
    if (access(modtool_path().c_str(), X_OK) != 0)
        GTEST_SKIP() << "modtool is not built";
    std::vector<std::string> files = corpus_files();
    if (files.empty())
        GTEST_SKIP() << "no shared module folder beside the source tree";
    install_allegro_for_files();

    int converted = 0, refused_by_design = 0;
    ScratchFile jgm;
    for (const std::string &path : files) {
        SCOPED_TRACE(path);
        ToolRun original = run_modtool("dump " + quoted(path));
        if (original.status != 0) {
            // MOD signatures the player does not list (15-sample detection is off).
            EXPECT_EQ(original.err, "modtool: Unsupported MOD type or unable to open file\n");
            continue;
        }
        ToolRun convert = run_modtool("convert " + quoted(path) + " " + quoted(jgm.path()));
        if (convert.status != 0) {
            EXPECT_TRUE(has_sixteen_bit_xm_sample(path)) << convert.err;
            EXPECT_EQ(convert.err.rfind("modtool: JGM cannot hold a sample whose data is not ", 0), 0u)
                << convert.err;
            refused_by_design++;
            continue;
        }
        ToolRun again = run_modtool("dump " + quoted(jgm.path()));
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(comparable(again.out, is_mod(path)), comparable(original.out, is_mod(path)));
        converted++;
    }
    printf("round trip: %d files converted and equal, %d refused by design\n", converted, refused_by_design);
    EXPECT_GT(converted, 0);
}

// --m15 turns 15-sample detection on for that one call only.
TEST(ImportRoundTrip, FifteenSampleFilesNeedTheOption)
{
    if (access(modtool_path().c_str(), X_OK) != 0)
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
