// What every imported module must satisfy: counts within limits, and every index
// the player follows (orders, cells, sample maps, envelopes, loops) in bounds.
#ifndef MODULE_CHECKS_H
#define MODULE_CHECKS_H

#include <functional>
#include <tuple>

#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/packfile_helpers.h"

// One cell as (sample, note, volume, command, parameter), to compare whole.
typedef std::tuple<int, int, int, int, int> Cell;
Cell cell_at(const JGMOD *j, int pattern, int row, int channel);
// A sample's points as stored, len * bits / 8 bytes.
Bytes data_of(const JGMOD *j, int sample);

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
