// What modtool writes to standard output: JSON text and the final check
// that all of it arrived.
#ifndef MODTOOL_OUTPUT_H
#define MODTOOL_OUTPUT_H

#include <stddef.h>
#include <stdio.h>

// Writes bytes as a JSON string: quotes, backslashes and control characters
// escaped, bytes 0x7F and above as \u00XX (read as Latin-1).
void json_string(FILE *out, const char *bytes, size_t size);

// Writes `"key": [v0, v1, ...]`.
void json_int_array(FILE *out, const char *key, const int *values, int count);

// 32-bit FNV-1a hash of bytes.
unsigned int fnv1a(const void *bytes, size_t size);

// Flushes standard output; a write that failed (a full disk, a closed pipe)
// becomes an error with exit status 1.
int finish_stdout(void);

#endif
