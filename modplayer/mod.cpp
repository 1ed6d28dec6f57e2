// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

int install_mod(int) { return 0; }
void remove_mod(void) {}
void play_mod(JGMOD *, int) {}
void stop_mod(void) {}
int is_mod_playing(void) { return 0; }
void pause_mod(void) {}
void resume_mod(void) {}
void toggle_pause_mode(void) {}
int is_mod_paused(void) { return 0; }
void next_mod_track(void) {}
void prev_mod_track(void) {}
void goto_mod_track(int) {}
void set_mod_volume(int) {}
int get_mod_volume(void) { return 0; }
void set_mod_speed(int) {}
void set_mod_pitch(int) {}
SAMPLE * get_jgmod_sample(JGMOD *, int) { return NULL; }
void register_datafile_jgmod(void) {}
void destroy_mod_datafile(void *) {}
void lock_jgmod_mod(void) {}
void install_mod_timer(int) {}
