// What modtool writes to standard output: JSON text and the final check
// that all of it arrived.
#ifndef MODTOOL_OUTPUT_H
#define MODTOOL_OUTPUT_H

#include <stddef.h>
#include <stdio.h>

#include <string>

// Writes bytes as a JSON string: quotes, backslashes and control characters
// escaped, bytes 0x7F and above as \u00XX (read as Latin-1).
void json_string(FILE *out, const char *bytes, size_t size);

// Writes `"key": [v0, v1, ...]`.
void json_int_array(FILE *out, const char *key, const int *values, int count);

// 32-bit FNV-1a hash of bytes.
inline unsigned int fnv1a(const void *bytes, size_t size)
{
    unsigned int hash = 2166136261u;
    for (size_t index = 0; index < size; index++) {
        hash ^= ((const unsigned char *)bytes)[index];
        hash *= 16777619u;
    }
    return hash;
}

// Flushes standard output; a write that failed (a full disk, a closed pipe)
// becomes an error with exit status 1.
int finish_stdout(void);

// Files are written beside their final name and renamed over it only when
// complete: a failure leaves no half-written file and an existing one intact.
std::string temporary_path(const char *path);
// Renames the temporary file to path; on failure removes it. Returns the exit status.
int put_in_place(const std::string &temporary, const char *path);

// Prints "modtool: WHAT PATH[: REASON]" and returns 1.
int fail_on_file(const char *what, const char *path, const char *reason);

#endif
