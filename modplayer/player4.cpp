// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

void start_envelope(ENVELOPE_STATE *, const int *, const int *, int, int, int, int, int, int) {}
void process_envelope(ENVELOPE_STATE *, int, int) {}
void parse_xm_set_envelop_position(ENVELOPE_STATE *, int) {}
void parse_xm_volume_slide(int, int) {}
void do_xm_volume_slide(int) {}
void parse_xm_pitch_slide_up(int, int) {}
void parse_xm_pitch_slide_down(int, int) {}
void do_xm_pitch_slide_up(int) {}
void do_xm_pitch_slide_down(int) {}
void parse_xm_pan_slide(int, int) {}
void do_xm_pan_slide(int) {}
void parse_global_volume_slide(int, int) {}
void do_global_volume_slide(int) {}
void do_xm_x(int, int) {}
void lock_jgmod_player4(void) {}
