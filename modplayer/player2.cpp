// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

void parse_pro_arpeggio(int, int) {}
void do_arpeggio(int) {}
void parse_pro_pitch_slide_up(int, int) {}
void parse_pro_pitch_slide_down(int, int) {}
void parse_slide2period(int, int, int) {}
void do_slide2period(int) {}
void parse_vibrato(int, int, int) {}
void do_vibrato(int) {}
void parse_tremolo(int, int, int) {}
void do_tremolo(int) {}
void parse_pro_volume_slide(int, int) {}
void parse_extended_command(int, int) {}
void do_delay_sample(int) {}
void do_position_jump(int) {}
void do_pattern_break(int) {}
void do_pro_tempo_bpm(int) {}
void do_pattern_loop(int, int) {}
void lock_jgmod_player2(void) {}
