// modtool info FILE: what the player's information readers say of a file.
#include <string.h>

#include "jgmod.h"
#include "modtool.h"
#include "output.h"

int modtool_info(int argc, char **argv)
{
    if (argc != 1)
        return modtool_fail("info needs one FILE (try modtool --help)");
    MODULE_INFO info;
    if (get_mod_info(argv[0], &info) < 0)
        return modtool_fail(jgmod_error);
    // The readers copy names without a terminator of their own.
    int name_size = (int)strnlen(info.name, sizeof info.name);
    int type_name_size = (int)strnlen(info.type_name, sizeof info.type_name);
    printf("type: %d\ntype_name: %.*s\nname: %.*s\n", info.type, type_name_size,
           info.type_name, name_size, info.name);
    return finish_stdout();
}
