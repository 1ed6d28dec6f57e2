// The readers of foreign module files (MOD, S3M, XM), the recognition of IT
// files and of modules inside Unreal packages, and the checks they share.
// Only the player's own sources include this; the game sees load_mod and
// get_mod_info through jgmod.h.
#ifndef JGMOD_IMPORT_H
#define JGMOD_IMPORT_H

#include <stddef.h>

#include "../jgmod_internal.h"
#include "../reader.h"

// One entry of the MOD signature table: four signature characters, a NUL
// and the channel count the signature stands for.
struct MODTYPE {
    char id[5];
    signed char channels;  // 1..64
};
static_assert(sizeof(MODTYPE) == 6, "a signature entry is 6 bytes");
static_assert(offsetof(MODTYPE, channels) == 5, "the channel count follows the NUL");

#define S3M_TAG_OFFSET 44  // "SCRM" sits this far into an S3M module
#define MODTYPE_COUNT 72  // the last entry, "32FW", only ends the table

extern const MODTYPE modtypes[MODTYPE_COUNT];  // MOD signatures and their channel counts

// S3M channel settings as read from the file: 0..7 left sample channels,
// 8..15 right sample channels, 16..31 other enabled channels, 128+ disabled.
extern unsigned char chn_set[32];
// Module channel of each S3M channel, 0..31; -1 = the channel is not used.
extern signed char remap[32];

// MOD (15 and 31 samples).
int detect_m31(const char *filename);
int detect_m15(const char *filename);
JGMOD *load_m(const char *filename, int sample_count);
int get_m_info(const char *filename, int sample_count, MODULE_INFO *info);
int get_mod_no_pat(const int *orders, int count);

// S3M.
int detect_s3m(const char *filename);
JGMOD *load_s3m(const char *filename, int offset);
int get_s3m_info(const char *filename, int offset, MODULE_INFO *info);
void convert_s3m_pitch(int *note);
void convert_s3m_command(int *command, int *parameter);
int S3M_get_num_chn(PACKFILE *f);
int S3M_load_pat(PACKFILE *f, JGMOD *module, NOTE_INFO *cells, int channel_count);

// XM.
int detect_xm(const char *filename);
JGMOD *load_xm(const char *filename, int offset);
void load_note(JGMOD *module, PACKFILE *f, NOTE_INFO *cell);
void convert_xm_command(int *command, int *parameter);
int get_xm_info(const char *filename, int offset, MODULE_INFO *info);

// IT, recognised but refused, and the searches inside Unreal packages.
int detect_it(const char *filename);
JGMOD *load_it(const char *filename, int offset);
int get_it_info(const char *filename, int offset, MODULE_INFO *info);
int detect_unreal_it(const char *filename);
int detect_unreal_xm(const char *filename);
int detect_unreal_s3m(const char *filename);

// The one check for every count, index and position read from a file: the
// value kept within low..high (a value from a damaged file is pulled to the
// nearest end).
long long import_clamp(long long value, long long low, long long high);
// Whether the value lies within low..high; for indices that cannot be
// pulled to a neighbour and are dropped instead.
int import_in_range(long long value, long long low, long long high);

// The readers over a file held in memory. Each find_* returns where its
// module starts in the file (0 for a plain file), or -1 when the file is not
// of that format; each load_*_from reads the module that starts at offset.
int find_jgm(JGMOD_READER *r);
int find_it(JGMOD_READER *r);
int find_xm(JGMOD_READER *r);
int find_s3m(JGMOD_READER *r);
int find_m31(JGMOD_READER *r);
int find_m15(JGMOD_READER *r);
// The tag's offset inside an Unreal package, or -1.
int find_in_package(JGMOD_READER *r, const char *tag, int tag_length);
JGMOD *load_jgm_from(JGMOD_READER *r);
JGMOD *load_it_from(JGMOD_READER *r, int offset);
JGMOD *load_xm_from(JGMOD_READER *r, int offset);
JGMOD *load_s3m_from(JGMOD_READER *r, int offset);
JGMOD *load_m_from(JGMOD_READER *r, int sample_count);
void load_note_from(JGMOD *module, JGMOD_READER *r, NOTE_INFO *cell);

// One module format: its MODULE_INFO code and text, how it is found, how
// it is loaded and where its name lies (from the module's start).
struct MODULE_FORMAT {
    int type;
    const char *type_name;
    int (*find)(JGMOD_READER *r);
    JGMOD *(*load)(JGMOD_READER *r, int offset);
    int name_at;
    int name_length;  // bytes the information readers copy, unterminated
};
// The formats the dispatcher tries, in its order.
extern const MODULE_FORMAT module_formats[];
extern const int module_format_count;
const MODULE_FORMAT *module_format(int type);
// The first format, in the dispatcher's order, that accepts the file, and
// where its module starts; null when none does.
const MODULE_FORMAT *find_module_format(JGMOD_READER *r, int *offset);

// Fills an information record from a file held in memory; returns 1.
int import_info_from(JGMOD_READER *r, const MODULE_FORMAT *format, int offset, MODULE_INFO *info);
// A format's information reader on a file name: 1, or -1 with "Unable to open %s".
int import_info_file(const char *filename, int type, int offset, MODULE_INFO *info);
// A detector on a file name: `accepted` when find says offset 0, `refused`
// otherwise, `unopened` when the file cannot be read.
int import_detect_file(const char *filename, int (*find)(JGMOD_READER *r), int accepted, int refused, int unopened);
// A loader on a file name; a file that cannot be read gives null, with
// "Unable to open %s" when `name_failure` is set.
JGMOD *import_load_file(const char *filename, int offset, JGMOD *(*load)(JGMOD_READER *r, int offset),
                        int name_failure);

// A little-endian word 0..65535; 0 where the file ends early, so that a count
// read from a cut file asks for nothing.
int import_read_word(JGMOD_READER *r);
// A byte, or `missing` where the file ends early.
int import_read_byte(JGMOD_READER *r, int missing);

// pattern_count patterns of `rows` empty rows each, for readers whose
// patterns all have the same length; -1 with the error set when memory runs
// out (the caller's destroy_mod frees what was had).
int import_alloc_patterns(JGMOD *module, int rows);

// Keeps the library record's loop inside the sample data; a loop that is
// then empty or reversed is switched off (returns 0), otherwise 1.
int import_fit_loop(SAMPLE *sample);

#endif
