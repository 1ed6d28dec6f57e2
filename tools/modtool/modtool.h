// The verbs of modtool, one source file each.
#ifndef MODTOOL_H
#define MODTOOL_H

// Each verb takes the arguments after its name and returns the exit status.
int modtool_info(int argc, char **argv);
int modtool_dump(int argc, char **argv);
int modtool_convert(int argc, char **argv);
int modtool_trace(int argc, char **argv);
int modtool_render(int argc, char **argv);
int modtool_play(int argc, char **argv);

// Prints "modtool: MESSAGE" to standard error and returns 1.
int modtool_fail(const char *message);

#endif
