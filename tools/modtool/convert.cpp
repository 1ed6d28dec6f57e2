// modtool convert IN OUT: any module the player reads, written as a JGM
// stream.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "jgmod.h"
#include "modtool.h"
#include "output.h"

// The stream goes to a temporary file that replaces OUT only when complete.
static int write_jgm_file(const JGMOD *j, const char *path)
{
    std::string temporary = temporary_path(path);
    PACKFILE *f = pack_fopen(temporary.c_str(), F_WRITE);
    if (f == NULL)
        return fail_on_file("Unable to create", path, strerror(errno));
    int saved = save_jgm(f, j);
    int closed = pack_fclose(f);
    if (saved < 0 || closed != 0) {
        remove(temporary.c_str());
        if (saved < 0)
            return modtool_fail(jgmod_error);
        return fail_on_file("Unable to write", path, NULL);
    }
    return put_in_place(temporary, path);
}

int modtool_convert(int argc, char **argv)
{
    if (argc != 2)
        return modtool_fail("convert needs IN and OUT (try modtool --help)");
    JGMOD *j = load_mod(argv[0]);
    if (j == NULL)
        return modtool_fail(jgmod_error);
    int status = write_jgm_file(j, argv[1]);
    destroy_mod(j);
    return status;
}
