// Placeholder bodies: the real implementation replaces this file.
#include "jgmod_internal.h"

void parse_s3m_volume_slide(int, int) {}
void do_s3m_volume_slide(int) {}
void parse_s3m_portamento_up(int, int) {}
void parse_s3m_portamento_down(int, int) {}
void do_s3m_portamento(int) {}
void parse_tremor(int, int) {}
void do_tremor(int) {}
void parse_s3m_retrig(int, int) {}
void do_s3m_retrig(int) {}
void parse_s3m_arpeggio(int, int) {}
void parse_s3m_panning(int, int) {}
void parse_volume_command(int, int, int) {}
void parse_note_command(int, int) {}
void do_global_volume(int) {}
void do_s3m_set_tempo(int) {}
void do_s3m_set_bpm(int) {}
void lock_jgmod_player3(void) {}
