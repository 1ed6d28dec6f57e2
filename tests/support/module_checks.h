// What every module an importer returns must satisfy, whatever file it came
// from: counts within the records' limits and every index that the player
// follows (orders, cell samples, sample maps, envelope points, loops)
// pointing inside what was allocated.
#ifndef MODULE_CHECKS_H
#define MODULE_CHECKS_H

#include "jgmod.h"

// Adds a GoogleTest failure for every broken rule; `what` names the input.
void expect_module_sane(const JGMOD *j, const char *what);

#endif
