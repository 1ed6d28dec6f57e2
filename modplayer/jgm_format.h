// The layout of a JGM stream, shared by its reader and its writer. Every
// number in the stream is little-endian; the stream has no gaps and no end
// marker, its length follows from the counts in its header.
#ifndef JGM_FORMAT_H
#define JGM_FORMAT_H

#include "jgmod_internal.h"

#define JGM_SIGNATURE "JGMOD 01 module : "
#define JGM_SIGNATURE_SIZE 18
#define JGM_NAME_SIZE 28            // name bytes in the stream; the rest of JGMOD::name stays 0
#define JGM_INFO_NAME_SIZE 29       // what get_jgm_info copies: the name and one dropped byte
#define JGM_UNUSED_SIZE 2           // after the name, read and dropped
#define JGM_HEADER_WORDS 10         // order_count .. flags
#define JGM_HEADER_SIZE (JGM_SIGNATURE_SIZE + JGM_NAME_SIZE + JGM_UNUSED_SIZE + 2 * JGM_HEADER_WORDS)
#define JGM_ENVELOPE_SIZE (ENVELOPE_POINTS * 4 + 5)  // 12 (tick, value) words, 5 bytes
#define JGM_INSTRUMENT_SIZE (NOTES_PER_INSTRUMENT + 2 * JGM_ENVELOPE_SIZE + 2)
#define JGM_SAMPLE_HEADER_SIZE 23   // of a non-empty sample; an empty one is its 4-byte length
#define JGM_MAX_RUN 127             // cells one control byte covers
#define JGM_RUN_VALUES 0x80         // control bit: values follow for the run's cells
#define JGM_MAX_WORD 65535

static_assert(sizeof(JGM_SIGNATURE) - 1 == JGM_SIGNATURE_SIZE, "signature without terminator");
static_assert(JGM_HEADER_SIZE == 68, "channel pans start at offset 68");
static_assert(JGM_INSTRUMENT_SIZE == 204, "an instrument record is 204 bytes");
static_assert(JGM_INFO_NAME_SIZE <= sizeof(((MODULE_INFO *)0)->name), "info name fits");
static_assert(JGM_NAME_SIZE < sizeof(((JGMOD *)0)->name), "a loaded name stays terminated");

// A sample's data may hold at most this many frames (256 MiB at 16 bits):
// far beyond any tracker sample, and small enough that a hostile length
// cannot demand gigabytes before a single data byte is read.
#define JGM_MAX_SAMPLE_FRAMES (1 << 27)

// Period modules keep frequency values: AMIGA_CLOCK / Amiga period.
#define JGM_MAX_PERIOD 32767        // the stream's note word is read as signed 16-bit

// The five planes of a pattern, in stream order.
enum JGM_PLANE { PLANE_NOTE, PLANE_SAMPLE, PLANE_VOLUME, PLANE_COMMAND, PLANE_PARAMETER, JGM_PLANES };

static inline int *jgm_plane_field(NOTE_INFO *cell, int plane)
{
    switch (plane) {
    case PLANE_NOTE:
        return &cell->note;
    case PLANE_SAMPLE:
        return &cell->sample;
    case PLANE_VOLUME:
        return &cell->volume;
    case PLANE_COMMAND:
        return &cell->command;
    default:
        return &cell->parameter;
    }
}

static inline int jgm_plane_value(const NOTE_INFO *cell, int plane)
{
    return *jgm_plane_field(const_cast<NOTE_INFO *>(cell), plane);
}

// The volume and the pan envelope of an instrument have the same layout in
// the stream; this view lets one routine read or write either.
struct JGM_ENVELOPE {
    int *value;
    int *tick;
    int *points;
    int *flags;
    int *sustain_start;
    int *sustain_end;
    int *loop_start;
    int *loop_end;
};

static inline JGM_ENVELOPE jgm_volume_envelope(INSTRUMENT_INFO *ii)
{
    return {ii->volume_env_value,          ii->volume_env_tick,        &ii->volume_env_points,
            &ii->volume_env_flags,         &ii->volume_env_sustain_start, &ii->volume_env_sustain_end,
            &ii->volume_env_loop_start,    &ii->volume_env_loop_end};
}

static inline JGM_ENVELOPE jgm_pan_envelope(INSTRUMENT_INFO *ii)
{
    return {ii->pan_env_value,          ii->pan_env_tick,           &ii->pan_env_points,
            &ii->pan_env_flags,         &ii->pan_env_sustain_start, &ii->pan_env_sustain_end,
            &ii->pan_env_loop_start,    &ii->pan_env_loop_end};
}

#endif
