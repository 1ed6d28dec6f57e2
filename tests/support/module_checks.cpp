#include "support/module_checks.h"
#include "support/module_rules.h"

#include <string>

#include <gtest/gtest.h>

Cell cell_at(const JGMOD *j, int pattern, int row, int channel)
{
    const NOTE_INFO *n = get_note(const_cast<JGMOD *>(j), pattern, row, channel);
    return Cell(n->sample, n->note, n->volume, n->command, n->parameter);
}

void expect_module_sane(const JGMOD *j, const char *what)
{
    EXPECT_EQ(module_fault(j), "") << what;
}
