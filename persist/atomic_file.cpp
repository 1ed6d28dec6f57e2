#include "persist/atomic_file.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

// What is to be replaced: the file a symbolic link leads to (the link
// stays), its permissions (the new file takes them over), or nothing yet.
struct Target {
    std::string path;
    bool exists;
    mode_t mode;
};

// The old file may only be replaced where opening it for writing would have
// worked: a directory, a device or a read-only file stays untouched.
bool FindTarget(const char *path, Target *target)
{
    struct stat status;
    if (stat(path, &status) != 0) {
        target->path = path;
        target->exists = false;
        return errno == ENOENT;
    }
    if (!S_ISREG(status.st_mode) || access(path, W_OK) != 0) {
        return false;
    }
    char resolved[PATH_MAX];
    if (!realpath(path, resolved)) {
        return false;
    }
    target->path = resolved;
    target->exists = true;
    target->mode = status.st_mode & 07777;
    return true;
}

// A name in the same directory, so that the rename never crosses a file
// system; "x" refuses to reuse a name that already exists.
FILE *CreateTemporary(const char *path, std::string *temporary)
{
    for (int attempt = 0; attempt < 100; attempt++) {
        *temporary = std::string(path) + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        FILE *file = fopen(temporary->c_str(), "wbx");
        if (file || errno != EEXIST) {
            return file;
        }
    }
    return NULL;
}

bool WriteAll(FILE *file, const void *bytes, size_t size)
{
    bool written = size == 0 || fwrite(bytes, 1, size, file) == size;
    written = fflush(file) == 0 && written;
    // The data must be on the disk before the rename makes it the file.
    written = fsync(fileno(file)) == 0 && written;
    return written;
}

} // namespace

int ReplaceFileContents(const char *path, const void *bytes, size_t size)
{
    Target target;
    if (!path || !*path || !FindTarget(path, &target)) {
        return 0;
    }
    std::string temporary;
    FILE *file = CreateTemporary(target.path.c_str(), &temporary);
    if (!file) {
        return 0;
    }
    bool written = !target.exists || fchmod(fileno(file), target.mode) == 0;
    written = WriteAll(file, bytes, size) && written;
    written = fclose(file) == 0 && written;
    if (!written || rename(temporary.c_str(), target.path.c_str()) != 0) {
        remove(temporary.c_str());
        return 0;
    }
    return -1;
}
