// Replacing a file so that a failure at any moment leaves the old one whole.
#ifndef ZQ_ATOMIC_FILE_H
#define ZQ_ATOMIC_FILE_H

#include <stddef.h>

// Writes `size` bytes to a new file beside `path` and renames it over `path`.
// Returns -1 when the new contents are in place, 0 when anything failed; on
// failure `path` is exactly as it was and no temporary file is left behind.
// An existing `path` that is not a writable plain file is refused, as a plain
// overwrite would have been.
int ReplaceFileContents(const char *path, const void *bytes, size_t size);

#endif
