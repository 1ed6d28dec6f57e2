// Shared between the player's own source files: the voice seam, the engine's
// helpers and the effect handlers that the tick engine dispatches to.
// Not for the game: it includes jgmod.h only.
#ifndef JGMOD_INTERNAL_H
#define JGMOD_INTERNAL_H

#include "jgmod.h"

// Every voice call of the player passes through this table. It defaults to
// the library's own functions; tests and tools swap in a recorder.
struct JGMOD_VOICE_DRIVER {
    int (*allocate_voice)(const SAMPLE *spl);
    void (*reallocate_voice)(int voice, const SAMPLE *spl);
    void (*deallocate_voice)(int voice);
    void (*voice_start)(int voice);
    void (*voice_stop)(int voice);
    void (*voice_set_frequency)(int voice, int frequency);
    void (*voice_set_volume)(int voice, int volume);
    void (*voice_set_pan)(int voice, int pan);
    void (*voice_set_position)(int voice, int position);
    void (*voice_set_playmode)(int voice, int playmode);
    int (*voice_get_position)(int voice);
};

extern const JGMOD_VOICE_DRIVER jgmod_allegro_voices;  // the library's functions
extern const JGMOD_VOICE_DRIVER *jgmod_voices;          // the table in use

// The rate the voices are mixed at, in Hz; 0 while no mixer runs. It bounds
// the frequency of a looping voice. Defaults to the library's mixer.
extern int (*jgmod_mixer_frequency)(void);

// The library keeps a voice's frequency in an int with 12 fractional bits:
// from 2^19 Hz on it wraps round to some low pitch.
#define JGMOD_FREQUENCY_LIMIT (1 << 19)

// Small arithmetic shared by the engine and the effect handlers.
static inline int jgmod_clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

static inline int jgmod_high_nibble(int parameter)
{
    return (parameter & 0xF0) >> 4;
}

static inline int jgmod_low_nibble(int parameter)
{
    return parameter & 0x0F;
}

// Slides have no musical limit, but a song that slides for hours (or a stored
// parameter of 0xFFFF) must not overflow the period; this is far past
// anything audible.
#define JGMOD_PERIOD_LIMIT (1 << 30)

static inline int jgmod_slide_period(int period, int step)
{
    long long moved = (long long)period + step;
    if (moved > JGMOD_PERIOD_LIMIT)
        return JGMOD_PERIOD_LIMIT;
    if (moved < -JGMOD_PERIOD_LIMIT)
        return -JGMOD_PERIOD_LIMIT;
    return (int)moved;
}

// The song fields the engine trusts without looking, as every reader leaves
// them: a global volume within 0..64, and a restart that names one of the
// song's orders (else the song would run off its end and never come back).
void jgmod_fix_song(JGMOD *j);

// Zero-filled allocation; a request for zero bytes still yields a valid block.
void *jgmod_calloc(long size);

// Engine helpers (tick engine).
int note2period(int note, int tuning);
int period2pitch(int period);
int get_jgmod_sample_no(int instrument, int note);
int calc_volume(int channel);
int calc_pan(int channel);
void parse_old_note(int channel, int note, int sample_no);
void parse_new_note(int channel, int note, int instrument_no);
void install_mod_timer(int bpm);  // (re)installs mod_interrupt at the tick-rate rule's period
void forget_voice_loops(void);    // the voices hold the silent sample again

// ProTracker family.
void parse_pro_arpeggio(int chan, int extcommand);
void do_arpeggio(int chan);
void parse_pro_pitch_slide_up(int chan, int extcommand);
void parse_pro_pitch_slide_down(int chan, int extcommand);
void parse_slide2period(int chan, int extcommand, int note);
void do_slide2period(int chan);
void parse_vibrato(int chan, int extcommand, int shift);
void do_vibrato(int chan);
void parse_tremolo(int chan, int extcommand, int shift);
void do_tremolo(int chan);
void parse_pro_volume_slide(int chan, int extcommand);
void parse_extended_command(int chan, int extcommand);
void do_delay_sample(int chan);
void do_position_jump(int extcommand);
void do_pattern_break(int extcommand);
void do_pro_tempo_bpm(int extcommand);
void do_pattern_loop(int chan, int extcommand);

// S3M family, volume column and note commands.
void parse_s3m_volume_slide(int chan, int extcommand);
void do_s3m_volume_slide(int chan);
void parse_s3m_portamento_up(int chan, int extcommand);
void parse_s3m_portamento_down(int chan, int extcommand);
void do_s3m_portamento(int chan);
void parse_tremor(int chan, int extcommand);
void do_tremor(int chan);
void parse_s3m_retrig(int chan, int extcommand);
void do_s3m_retrig(int chan);
void parse_s3m_arpeggio(int chan, int extcommand);
void parse_s3m_panning(int chan, int extcommand);
void parse_volume_command(int chan, int volume, int note);
void parse_note_command(int chan, int note);
void do_global_volume(int extcommand);
void do_s3m_set_tempo(int extcommand);
void do_s3m_set_bpm(int extcommand);

// XM family and envelopes.
void start_envelope(ENVELOPE_STATE *es, const int *value, const int *tick, int flags, int points,
                    int loop_start, int loop_end, int sustain_start, int sustain_end);
void process_envelope(ENVELOPE_STATE *es, int default_value, int key_off);
void parse_xm_set_envelop_position(ENVELOPE_STATE *es, int position);
void parse_xm_volume_slide(int chan, int extcommand);
void do_xm_volume_slide(int chan);
void parse_xm_pitch_slide_up(int chan, int extcommand);
void parse_xm_pitch_slide_down(int chan, int extcommand);
void do_xm_pitch_slide_up(int chan);
void do_xm_pitch_slide_down(int chan);
void parse_xm_pan_slide(int chan, int extcommand);
void do_xm_pan_slide(int chan);
void parse_global_volume_slide(int chan, int extcommand);
void do_global_volume_slide(int chan);
void do_xm_x(int chan, int extcommand);

// Pinning of the handler's code and data; nothing to do on this platform.
void lock_jgmod_player(void);
void lock_jgmod_player2(void);
void lock_jgmod_player3(void);
void lock_jgmod_player4(void);
void lock_jgmod_mod(void);

#endif
