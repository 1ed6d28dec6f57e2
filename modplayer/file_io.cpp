// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

PACKFILE * jgmod_fopen(const char *, const char *) { return NULL; }
int jgmod_fclose(PACKFILE *) { return 0; }
int jgmod_fseek(PACKFILE **, const char *, int) { return 0; }
int jgmod_skip(PACKFILE *, int) { return 0; }
long jgmod_fread(void *, long, PACKFILE *) { return 0; }
long jgmod_fwrite(const void *, long, PACKFILE *) { return 0; }
int jgmod_getc(PACKFILE *) { return 0; }
int jgmod_igetw(PACKFILE *) { return 0; }
int jgmod_mgetw(PACKFILE *) { return 0; }
int jgmod_igetl(PACKFILE *) { return 0; }
int jgmod_mgetl(PACKFILE *) { return 0; }
int jgmod_putc(int, PACKFILE *) { return 0; }
int jgmod_iputw(int, PACKFILE *) { return 0; }
int jgmod_iputl(int, PACKFILE *) { return 0; }
