// Golden files: a text compared whole with a reviewed copy in tests/golden, the
// first difference named by its line and, in a JSON document, by the path that
// leads to it. With ZQ_UPDATE_GOLDEN=1 the text is written instead, for review.
#ifndef GOLDEN_H
#define GOLDEN_H

#include <string>

#include <gtest/gtest.h>

// Empty when the texts are equal; otherwise the first differing line of each.
std::string first_difference(const std::string &expected, const std::string &actual);
testing::AssertionResult matches_golden(const std::string &file, const std::string &actual);

#endif
