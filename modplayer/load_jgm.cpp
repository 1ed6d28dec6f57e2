// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

JGMOD * load_jgm(PACKFILE *) { return NULL; }
void * load_jgm_datafile(PACKFILE *, long) { return NULL; }
int detect_jgm(const char *) { return 0; }
int get_jgm_info(PACKFILE *, MODULE_INFO *) { return 0; }
