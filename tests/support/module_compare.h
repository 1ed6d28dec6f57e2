// Field-by-field comparison of two modules, for round-trip tests. Only the
// used entries of order_table (order_count) and channel_pan (channel_count)
// are compared: nothing stores the rest.
#ifndef MODULE_COMPARE_H
#define MODULE_COMPARE_H

#include "jgmod.h"

// Adds a GoogleTest failure for every field that differs.
void expect_modules_equal(const JGMOD *expected, const JGMOD *actual);

#endif
