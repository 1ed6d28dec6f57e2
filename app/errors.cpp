// The fatal-error exit and the file test every screen may use.
#include "app/app.h"

#include <stdio.h>
#include <stdlib.h>

void Error(const char *message)
{
    allegro_exit();
    printf("Error: %s\n", message);
    exit(1);
}

int FileExist(const char *name)
{
    // Directories, hidden and system files do not count as files here.
    return file_exists(name, FA_RDONLY | FA_ARCH, NULL);
}
