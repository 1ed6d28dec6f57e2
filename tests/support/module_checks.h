// What every imported module must satisfy: counts within limits, and every index
// the player follows (orders, cells, sample maps, envelopes, loops) in bounds.
#ifndef MODULE_CHECKS_H
#define MODULE_CHECKS_H

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/packfile_helpers.h"

// The file loaded and printed by `modtool dump` (a JSON document).
std::string dump_of(const Bytes &file);

// Adds a GoogleTest failure for every broken rule; `what` names the input.
void expect_module_sane(const JGMOD *j, const char *what);

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
