#include "support/module_checks.h"
#include "support/module_rules.h"

#include <string>

#include <gtest/gtest.h>

Cell cell_at(const JGMOD *j, int pattern, int row, int channel)
{
    const NOTE_INFO *n = get_note(const_cast<JGMOD *>(j), pattern, row, channel);
    return Cell(n->sample, n->note, n->volume, n->command, n->parameter);
}

Bytes data_of(const JGMOD *j, int sample)
{
    const SAMPLE *s = &j->samples[sample];
    const unsigned char *data = (const unsigned char *)s->data;
    return Bytes(data, data + s->len * (s->bits / 8));
}

void expect_module_sane(const JGMOD *j, const char *what)
{
    EXPECT_EQ(module_fault(j), "") << what;
}
