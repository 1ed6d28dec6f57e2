// Placeholder bodies: the real implementation replaces this file.
#include "../jgmod_internal.h"

JGMOD * load_mod(const char *) { return NULL; }
int get_mod_info(const char *, MODULE_INFO *) { return 0; }
