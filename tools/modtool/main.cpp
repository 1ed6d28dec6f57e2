// Placeholder: the real verb dispatch replaces this file.
#include <stdio.h>

#include "modtool.h"

int modtool_fail(const char *message)
{
    fprintf(stderr, "modtool: %s\n", message);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc > 2)
        return modtool_trace(argc - 2, argv + 2);
    return modtool_fail("no verb given");
}
