#include "support/module_checks.h"

#include <stdio.h>

#include <string>

std::string modtool_output(const std::string &verb_and_options, const Bytes &file)
{
    ScratchFile scratch(file);
    std::string text, command = ZQ_BINARY_DIR "/bin/modtool " + verb_and_options + " " +
                                scratch.path();
    FILE *pipe = popen(command.c_str(), "r");
    for (int c; pipe != NULL && (c = fgetc(pipe)) != EOF;)
        text += (char)c;
    int status = pipe != NULL ? pclose(pipe) : -1;
    if (status != 0 || text.empty())
        return "modtool failed (status " + std::to_string(status) + "): " + command;
    return text;
}
