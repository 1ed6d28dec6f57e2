#include "support/module_checks.h"
#include "support/module_rules.h"

#include <stdio.h>

#include <string>

#include <gtest/gtest.h>

std::string dump_of(const Bytes &file)
{
    ScratchFile scratch(file);
    std::string text, command = ZQ_BINARY_DIR "/bin/modtool dump ";
    FILE *pipe = popen((command + scratch.path()).c_str(), "r");
    for (int c; pipe != NULL && (c = fgetc(pipe)) != EOF;)
        text += (char)c;
    if (pipe != NULL)
        pclose(pipe);
    return text.empty() ? "nothing printed by " + command + scratch.path() : text;
}

void expect_module_sane(const JGMOD *j, const char *what)
{
    EXPECT_EQ(module_fault(j), "") << what;
}
