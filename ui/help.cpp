// Placeholder bodies: the real implementation replaces this file.
#include "ui/screens.h"

void Help(void) {}
