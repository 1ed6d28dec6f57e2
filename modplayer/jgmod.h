// The module player's public interface: the in-memory module, the song and
// channel state the tick engine runs on, and the calls that load, play and
// steer a song. The game includes this header and nothing else of the player.
#ifndef JGMOD_H
#define JGMOD_H

#include <allegro.h>

#define MAX_ALLEG_VOICE 64   // channels in a module, and voices
#define MAX_ORDER 256        // order list entries
#define NOTES_PER_INSTRUMENT 96
#define ENVELOPE_POINTS 12
#define VIB_TABLE_STEPS 32
#define JGMOD_ERROR_SIZE 80

// Module-type bits of JGMOD::flags (and SONG_STATE::flags).
#define XM_MODE 1        // notes are note numbers 1..96, samples come via instruments
#define PERIOD_MODE 2    // periods from logtab, pitch constant 14317456
#define LINEAR_MODE 4    // linear periods, pitch from lintab

// Loop types of SAMPLE_INFO::loop_type.
#define LOOP_FORWARD 1
#define LOOP_PINGPONG 2

// Marker values of NOTE_INFO::note.
#define NOTE_CUT -1
#define NOTE_KEY_OFF -2

struct SAMPLE_INFO {
    int length;         // sample frames
    int tuning;         // period modules: Hz at the reference note; note-number modules: finetune + 128
    int transpose;      // semitones added to every note played with this sample
    int volume;         // default volume 0..64
    int pan;            // default pan 0..255
    int loop_start;     // sample frames
    int loop_end;       // sample frames
    int loop_type;      // LOOP_FORWARD, LOOP_PINGPONG or 0
    int vibrato_type;   // automatic vibrato: kept, not played
    int vibrato_sweep;
    int vibrato_depth;
    int vibrato_rate;
};

struct NOTE_INFO {
    int sample;     // 1-based sample or instrument number; 0 = none
    int note;       // 0 none, -1 cut, -2 key off; frequency value or note number 1..96
    int volume;     // volume-column byte
    int command;    // the player's own effect number 0x00..0x27
    int parameter;  // effect parameter
};

struct PATTERN_INFO {
    NOTE_INFO *notes;  // row_count x channel_count cells, row-major
    int row_count;
};

struct INSTRUMENT_INFO {
    int note_sample[NOTES_PER_INSTRUMENT];  // 0-based sample index per note 0..95
    int volume_env_value[ENVELOPE_POINTS];  // 0..64
    int volume_env_tick[ENVELOPE_POINTS];   // ticks, ascending
    int volume_env_points;                  // 0..12
    int volume_env_flags;                   // bit 0 on, bit 1 sustain, bit 2 loop
    int volume_env_sustain_start;
    int volume_env_sustain_end;
    int volume_env_loop_start;
    int volume_env_loop_end;
    int pan_env_value[ENVELOPE_POINTS];     // 0..64, 32 = centre
    int pan_env_tick[ENVELOPE_POINTS];
    int pan_env_points;
    int pan_env_flags;
    int pan_env_sustain_start;
    int pan_env_sustain_end;
    int pan_env_loop_start;
    int pan_env_loop_end;
    int fadeout;                            // taken from fade_volume (0..32768) per tick after key-off
};

struct JGMOD {
    char name[32];                      // NUL-terminated; importers store at most 28 characters
    SAMPLE_INFO *sample_info;           // sample_count entries
    PATTERN_INFO *pattern_info;         // pattern_count entries
    INSTRUMENT_INFO *instrument_info;   // instrument_count entries, or none
    SAMPLE *samples;                    // sample_count entries, unsigned PCM
    int order_count;                    // used entries of order_table
    int pattern_count;
    int order_table[MAX_ORDER];         // pattern number per order position
    int channel_pan[MAX_ALLEG_VOICE];   // 0 (left) .. 255 (right)
    int flags;                          // XM_MODE, PERIOD_MODE, LINEAR_MODE
    int tempo;                          // initial ticks per row
    int bpm;                            // initial beats per minute
    int restart_order;                  // where a looping song starts again
    int channel_count;                  // 1..64
    int instrument_count;
    int sample_count;
    int global_volume;                  // 0..64
};

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

// What get_mod_info reports about a module file.
struct MODULE_INFO {
    int type;            // 1..9, see the format codes below
    char type_name[20];
    char name[48];       // copied byte for byte from the file; readers add no terminator
};

#define MOD15_TYPE 1
#define MOD31_TYPE 2
#define S3M_TYPE 3
#define XM_TYPE 4
#define IT_TYPE 5
#define JGM_TYPE 6
#define UNREAL_S3M_TYPE 7
#define UNREAL_XM_TYPE 8
#define UNREAL_IT_TYPE 9

#define DAT_JGM DAT_ID('J', 'G', 'M', ' ')

// Player globals, shared between the control calls and the tick handler.
extern JGMOD *of;                           // the module now playing; none when stopped
extern SONG_STATE mi;
extern CHANNEL_STATE ci[MAX_ALLEG_VOICE];
extern int voice_table[MAX_ALLEG_VOICE];    // voice per channel; -1 = none
extern int mod_volume;                      // master music volume 0..255
extern char jgmod_error[JGMOD_ERROR_SIZE];  // last error message
extern SAMPLE *fake_sample;                 // silent sample the reserved voices idle on
extern int mod_init;                        // -1 once install_mod has succeeded
extern int enable_lasttrk_loop;             // -1: a jump on the last order is honoured
extern int enable_m15;                      // -1: detection also tries 15-sample MODs
extern int fast_loading;                    // S3M importer switch

// Constant tables.
extern const unsigned int lintab[768];
extern const unsigned short logtab[104];
extern const int noteperiod[12];
extern const int vib_table[VIB_TABLE_STEPS];
extern const int mod_finetune[16];

// The module records.
void destroy_mod(JGMOD *j);
void lock_mod(JGMOD *j);
NOTE_INFO *get_note(JGMOD *j, int pattern, int row, int channel);

// Control calls.
int install_mod(int voices);
void remove_mod(void);
void play_mod(JGMOD *j, int loop);
void stop_mod(void);
int is_mod_playing(void);
void pause_mod(void);
void resume_mod(void);
void toggle_pause_mode(void);
int is_mod_paused(void);
void next_mod_track(void);
void prev_mod_track(void);
void goto_mod_track(int new_track);
void set_mod_volume(int volume);
int get_mod_volume(void);
void set_mod_speed(int speed);
void set_mod_pitch(int pitch);
SAMPLE *get_jgmod_sample(JGMOD *j, int sample_no);
void register_datafile_jgmod(void);
void *load_jgm_datafile(PACKFILE *f, long size);
void destroy_mod_datafile(void *j);
void mod_interrupt(void);

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

// The player's own module format.
JGMOD *load_jgm(PACKFILE *f);
int save_jgm(PACKFILE *f, const JGMOD *j);
int detect_jgm(const char *filename);
int get_jgm_info(PACKFILE *f, MODULE_INFO *info);

// Any supported module file, by name.
JGMOD *load_mod(const char *filename);
int get_mod_info(const char *filename, MODULE_INFO *info);

#endif
