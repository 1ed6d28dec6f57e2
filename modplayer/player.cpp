// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

void mod_interrupt(void) {}
int note2period(int, int) { return 0; }
int period2pitch(int) { return 0; }
int get_jgmod_sample_no(int, int) { return 0; }
int calc_volume(int) { return 0; }
int calc_pan(int) { return 0; }
void parse_old_note(int, int, int) {}
void parse_new_note(int, int, int) {}
void lock_jgmod_player(void) {}
