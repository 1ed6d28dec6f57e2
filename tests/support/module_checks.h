// What every imported module must satisfy: counts within limits, and every index
// the player follows (orders, cells, sample maps, envelopes, loops) in bounds.
#ifndef MODULE_CHECKS_H
#define MODULE_CHECKS_H

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/packfile_helpers.h"

// What `modtool VERB [OPTIONS] FILE` prints for the file, or why it printed
// nothing useful (a failed run is named with its status).
std::string modtool_output(const std::string &verb_and_options, const Bytes &file);
// The file loaded and printed by `modtool dump` (a JSON document).
inline std::string dump_of(const Bytes &file) { return modtool_output("dump", file); }

// Installs the library for files and frees the module a test loaded last.
class ImportTest : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
    void TearDown() override { destroy_mod(module); }
    JGMOD *load_bytes(const Bytes &bytes, const std::function<JGMOD *(const char *)> &load)
    {
        ScratchFile file(bytes);
        destroy_mod(module);
        return module = load(file.path());
    }
    JGMOD *module = nullptr;
};

#endif
