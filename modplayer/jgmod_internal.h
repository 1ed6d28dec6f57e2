// The player's inside, shared by its own source files, its tools and its
// tests: the song and channel state, the constant tables, the file helpers,
// the voice seam, the engine's helpers and the effect handlers that the tick
// engine dispatches to. Not for the game: it includes jgmod.h only.
#ifndef JGMOD_INTERNAL_H
#define JGMOD_INTERNAL_H

#include "jgmod.h"

#define VIB_TABLE_STEPS 32

// The player's own effect numbering of NOTE_INFO::command, into which every
// importer translates its format's effects.
enum JGMOD_COMMAND {
    CMD_ARPEGGIO = 0x00,
    CMD_PITCH_SLIDE_UP = 0x01,
    CMD_PITCH_SLIDE_DOWN = 0x02,
    CMD_TONE_PORTAMENTO = 0x03,
    CMD_VIBRATO = 0x04,
    CMD_PORTAMENTO_VOLUME_SLIDE = 0x05,
    CMD_VIBRATO_VOLUME_SLIDE = 0x06,
    CMD_TREMOLO = 0x07,
    CMD_SET_PAN = 0x08,
    CMD_SAMPLE_OFFSET = 0x09,
    CMD_VOLUME_SLIDE = 0x0A,
    CMD_POSITION_JUMP = 0x0B,
    CMD_SET_VOLUME = 0x0C,
    CMD_PATTERN_BREAK = 0x0D,
    CMD_EXTENDED = 0x0E,              // the parameter's high nibble is an EXT_ code
    CMD_SPEED_BPM = 0x0F,
    CMD_SET_TEMPO = 0x10,             // ticks per row
    CMD_S3M_VOLUME_SLIDE = 0x11,
    CMD_S3M_PORTAMENTO_DOWN = 0x12,
    CMD_S3M_PORTAMENTO_UP = 0x13,
    CMD_TREMOR = 0x14,
    CMD_S3M_ARPEGGIO = 0x15,
    CMD_VIBRATO_S3M_VOLUME_SLIDE = 0x16,
    CMD_PORTAMENTO_S3M_VOLUME_SLIDE = 0x17,
    CMD_S3M_RETRIG = 0x18,
    CMD_S3M_TREMOLO = 0x19,
    CMD_SET_BPM = 0x1A,
    CMD_FINE_VIBRATO = 0x1B,
    CMD_GLOBAL_VOLUME = 0x1C,
    CMD_S3M_PANNING = 0x1D,
    CMD_XM_PITCH_SLIDE_UP = 0x1E,
    CMD_XM_PITCH_SLIDE_DOWN = 0x1F,
    CMD_PORTAMENTO_XM_VOLUME_SLIDE = 0x20,
    CMD_VIBRATO_XM_VOLUME_SLIDE = 0x21,
    CMD_XM_VOLUME_SLIDE = 0x22,
    CMD_GLOBAL_VOLUME_SLIDE = 0x23,
    CMD_KEY_OFF = 0x24,
    CMD_SET_ENVELOPE_POSITION = 0x25,
    CMD_XM_PAN_SLIDE = 0x26,
    CMD_XM_EXTRA_FINE_PORTAMENTO = 0x27,
};

// The extended codes of CMD_EXTENDED, the parameter's high nibble. Codes
// from 0x10 on are the importers' own, for effects that have no nibble of
// their own (parameters 0x100..0x14F).
enum JGMOD_EXTENDED_COMMAND {
    EXT_FINE_SLIDE_UP = 0x1,
    EXT_FINE_SLIDE_DOWN = 0x2,
    EXT_GLISSANDO = 0x3,
    EXT_VIBRATO_WAVE = 0x4,
    EXT_FINETUNE = 0x5,
    EXT_PATTERN_LOOP = 0x6,
    EXT_TREMOLO_WAVE = 0x7,
    EXT_SET_PAN = 0x8,
    EXT_RETRIG = 0x9,
    EXT_FINE_VOLUME_UP = 0xA,
    EXT_FINE_VOLUME_DOWN = 0xB,
    EXT_NOTE_CUT = 0xC,
    EXT_NOTE_DELAY = 0xD,
    EXT_PATTERN_DELAY = 0xE,
    EXT_SWAPPED_PAN = 0x10,
    EXT_XM_FINE_SLIDE_UP = 0x11,
    EXT_XM_FINE_SLIDE_DOWN = 0x12,
    EXT_XM_FINE_VOLUME_UP = 0x13,
    EXT_XM_FINE_VOLUME_DOWN = 0x14,
};

// The CMD_EXTENDED parameter of extended code `code` with parameter y 0..15.
static inline int jgmod_ext_parameter(int code, int y)
{
    return (code << 4) + y;
}

// The volume-column byte: 0x10..0x50 sets the volume 0..64; from 0x60 on its
// high nibble is one of these codes and its low nibble the parameter.
#define VOLUME_COLUMN_SET 0x10
enum JGMOD_VOLUME_COMMAND {
    VOL_SLIDE_DOWN = 0x6,
    VOL_SLIDE_UP = 0x7,
    VOL_FINE_SLIDE_DOWN = 0x8,
    VOL_FINE_SLIDE_UP = 0x9,
    VOL_VIBRATO_SPEED = 0xA,
    VOL_VIBRATO = 0xB,
    VOL_SET_PAN = 0xC,
    VOL_PAN_SLIDE_LEFT = 0xD,
    VOL_PAN_SLIDE_RIGHT = 0xE,
    VOL_TONE_PORTAMENTO = 0xF,    // the cell slides to its note instead of starting it
};
#define VOLUME_COLUMN_PORTAMENTO (VOL_TONE_PORTAMENTO << 4)

// Clocks and reference rates of the period arithmetic.
#define AMIGA_CLOCK 3579546           // Hz; Amiga period p plays at AMIGA_CLOCK / p
#define PERIOD_CLOCK 14318184         // 4 x AMIGA_CLOCK: the unit of period modules
#define AMIGA_TABLE_CLOCK 14317456    // the Amiga-table rule's own constant
#define REFERENCE_RATE 8363           // Hz of an untuned sample at Amiga period 428
#define DEFAULT_TUNING 4242           // stands in for a tuning of 0

// The song and channel state the tick engine runs on.
struct ENVELOPE_STATE {
    int value[ENVELOPE_POINTS];
    int tick[ENVELOPE_POINTS];
    int flags;          // bit 0 on, bit 1 sustain, bit 2 loop; 0 = no envelope
    int points;
    int loop_start;
    int loop_end;
    int sustain_start;
    int sustain_end;
    int index;          // point at or before the current position
    int next;           // point the envelope moves towards
    int position;       // ticks
    int output;         // volume 0..64 (64 without envelope); pan 0..64 (32 without)
};

struct SONG_STATE {
    int voice_count;    // voices reserved by install_mod, 1..64
    int channel_count;  // of the module now playing
    int tick;           // 0 .. tempo-1; -1 = start the row on the next tick
    int row;
    int pattern;        // order_table entry at order
    int order;
    int flags;          // copy of the module's flags
    int bpm;
    int tempo;          // ticks per row
    int speed_ratio;    // tick-rate factor, percent 1..400
    int pitch_ratio;    // pitch factor, percent 1..400
    int global_volume;  // 0..64
    int break_row;      // row to go to at the end of this row, plus 1; 0 = none
    int break_order;    // order to go to with break_row, plus 1
    int pattern_delay;  // ticks to wait at the end of the row
    int jump_row;       // jump requested by a control call, row plus 1; 0 = none
    int jump_order;     // order of that jump, plus 1
    int loop;           // -1: restart at the end of the song
    int paused;         // -1 while paused
    int forbid;         // -1 while a control call changes the state
    int playing;        // -1 while a module plays
};

struct CHANNEL_STATE {
    ENVELOPE_STATE volume_env;
    ENVELOPE_STATE pan_env;
    int instrument;
    int sample;
    int volume;             // 0..64
    int note;               // 0..95 (note-number modules)
    int period;             // engine period units; 0 = never had a note
    int tuning;
    int transpose;
    int pan;                // 0..255
    int trigger;            // -1: (re)start the sample this tick
    int key_off;
    int fade_volume;        // 32768 = not faded .. 0
    int fade_rate;
    int tick_volume;        // 0..64, this tick
    int tick_period;
    int tick_pan;           // 0..255, this tick
    int pan_slide;          // per tick, signed
    int pan_slide_memory;
    int vc_pan_left_memory;
    int vc_pan_right_memory;
    int pitch_slide_on;
    int pitch_slide;        // period change per tick, signed
    int fine_slide_memory;
    int s3m_slide_on;
    int s3m_slide;
    int s3m_fine_slide;
    int xm_slide_up_on;
    int xm_slide_up;        // negative
    int xm_slide_down_on;
    int xm_slide_down;      // positive
    int xm_fine_down_memory;
    int xm_fine_up_memory;  // negative
    int xm_extra_fine_up_memory;    // negative
    int xm_extra_fine_down_memory;
    int volume_slide;       // per tick, signed
    int s3m_volume_slide_on;
    int s3m_fine_volume_slide;
    int s3m_volume_slide;
    int xm_volume_slide_on;
    int xm_volume_slide;
    int xm_fine_volume_up_memory;
    int xm_fine_volume_down_memory;  // negative
    int loop_pending;
    int loop_count;
    int loop_row;
    int tremolo_on;
    int tremolo_wave;
    signed char tremolo_pos;  // wraps at 256
    int tremolo_speed;
    int tremolo_depth;
    int tremolo_shift;
    int vibrato_on;
    int vibrato_wave;
    signed char vibrato_pos;  // wraps at 256
    int vibrato_speed;
    int vibrato_depth;
    int vibrato_shift;
    int porta_on;
    int porta_speed;
    int porta_target;       // 0 = none
    int arpeggio_on;
    int arpeggio;
    int tremor_on;
    int tremor_count;
    int tremor_param;       // (on + 1) * 256 + (off + 1)
    int note_delay;         // 0 = none
    int note_cut;           // 0 = none
    int glissando;          // stored, not applied
    int retrig_interval;
    int s3m_retrig_on;
    int s3m_retrig_interval;
    int s3m_retrig_volume;  // 0..15
    int offset_pending;
    int offset;             // frames
    int global_slide_on;
    int global_slide;
};

// Player globals, shared between the control calls and the tick handler.
extern JGMOD *of;                           // the module now playing; none when stopped
extern SONG_STATE mi;
extern CHANNEL_STATE ci[MAX_ALLEG_VOICE];
extern int voice_table[MAX_ALLEG_VOICE];    // voice per channel; -1 = none
extern int mod_volume;                      // master music volume 0..255
extern SAMPLE *fake_sample;                 // silent sample the reserved voices idle on
extern int mod_init;                        // -1 once install_mod has succeeded

// Constant tables.
extern const unsigned int lintab[768];
extern const unsigned short logtab[104];
extern const int noteperiod[12];
extern const int vib_table[VIB_TABLE_STEPS];
extern const int mod_finetune[16];

// Reading helpers over packed files.
PACKFILE *jgmod_fopen(const char *filename, const char *mode);
int jgmod_fclose(PACKFILE *f);
int jgmod_fseek(PACKFILE **f, const char *filename, int offset);
int jgmod_skip(PACKFILE *f, int count);
long jgmod_fread(void *buffer, long count, PACKFILE *f);
long jgmod_fwrite(const void *buffer, long count, PACKFILE *f);
int jgmod_getc(PACKFILE *f);
int jgmod_igetw(PACKFILE *f);
int jgmod_mgetw(PACKFILE *f);
int jgmod_igetl(PACKFILE *f);
int jgmod_mgetl(PACKFILE *f);
int jgmod_putc(int c, PACKFILE *f);
int jgmod_iputw(int w, PACKFILE *f);
int jgmod_iputl(int l, PACKFILE *f);

// The datafile object type's hooks, and the tick handler.
void *load_jgm_datafile(PACKFILE *f, long size);
void destroy_mod_datafile(void *j);
void mod_interrupt(void);


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

static inline int jgmod_magnitude(int value)
{
    return value < 0 ? -value : value;
}

static inline int jgmod_high_nibble(int parameter)
{
    return (parameter & 0xF0) >> 4;
}

static inline int jgmod_low_nibble(int parameter)
{
    return parameter & 0x0F;
}

// The step of a slide parameter xy: up by x when x is set, else down by y.
static inline int jgmod_nibble_slide(int parameter)
{
    int up = jgmod_high_nibble(parameter);
    return up != 0 ? up : -jgmod_low_nibble(parameter);
}

static inline int jgmod_nibbles_set(int parameter)
{
    return jgmod_high_nibble(parameter) != 0 || jgmod_low_nibble(parameter) != 0;
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

// Writes a message into jgmod_error, cut to fit.
void jgmod_set_error(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Gives a library sample record the fields the mixer expects of a module
// sample: mono, 1000 Hz (the engine sets the pitch), priority 192, no
// parameter, `length` frames and no loop yet; the data is the caller's.
void jgmod_init_sample(SAMPLE *sample, int bits, long length);

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
