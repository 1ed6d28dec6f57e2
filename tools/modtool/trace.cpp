// Placeholder until the tick-trace verb lands.
#include "modtool.h"

int modtool_trace(int, char **)
{
    return modtool_fail("trace is not available yet");
}
