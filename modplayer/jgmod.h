// The module player's public interface: the in-memory module, the calls that
// load, save, play and steer a song, the last error and the switches. The
// game includes this header and nothing else of the player; the engine's
// state, tables and file helpers are in jgmod_internal.h.
#ifndef JGMOD_H
#define JGMOD_H

#include <allegro.h>

#define MAX_ALLEG_VOICE 64   // channels in a module, and voices
#define MAX_ORDER 256        // order list entries
#define NOTES_PER_INSTRUMENT 96
#define ENVELOPE_POINTS 12
#define JGMOD_ERROR_SIZE 80

// Module-type bits of JGMOD::flags (and SONG_STATE::flags).
#define XM_MODE 1        // notes are note numbers 1..96, samples come via instruments
#define PERIOD_MODE 2    // periods from logtab
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

// The last error message, and the switches a program may set before loading
// or playing.
extern char jgmod_error[JGMOD_ERROR_SIZE];
extern int enable_lasttrk_loop;             // -1: a jump on the last order is honoured
extern int enable_m15;                      // -1: detection also tries 15-sample MODs
extern int fast_loading;                    // S3M importer switch

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

// The player's own module format.
JGMOD *load_jgm(PACKFILE *f);
int save_jgm(PACKFILE *f, const JGMOD *j);
int detect_jgm(const char *filename);
int get_jgm_info(PACKFILE *f, MODULE_INFO *info);

// Any supported module file, by name.
JGMOD *load_mod(const char *filename);
int get_mod_info(const char *filename, MODULE_INFO *info);

#endif
