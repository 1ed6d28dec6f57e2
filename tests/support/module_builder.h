// Builds small modules in test code. Everything is allocated zero-filled the
// way the readers do it, so destroy_mod releases a built module.
//
//   JGMOD *j = build_module(4, 1, 64, 2);           // 4 channels, 1 pattern of 64 rows, 2 samples
//   set_cell(j, 0, 0, 1, 1, 8363, 0, 0x0C, 32);     // pattern 0, row 0, channel 1
//   ... play it ...
//   destroy_mod(j);
//
// Defaults: order list 0, 1, .. patterns-1 (order_count = patterns), tempo 6,
// bpm 125, global volume 64, restart order 0, every channel_pan 128. Each
// sample: 8-bit mono, 64 frames of silence (0x80), no loop, volume 64, pan 128,
// tuning 8363 in period modules (flags without XM_MODE) or 128 in note-number
// modules. Instrument i maps every note to sample i (the last sample when
// there are fewer samples), with no envelopes and no fade-out.
#ifndef MODULE_BUILDER_H
#define MODULE_BUILDER_H

#include "jgmod_internal.h"

JGMOD *build_module(int channels, int patterns, int rows, int samples, int flags = 0,
                    int instruments = 0);

// Gives one pattern a new number of rows (0 is allowed); its cells are cleared.
void resize_pattern(JGMOD *j, int pattern, int rows);

// Sets every field of one cell.
void set_cell(JGMOD *j, int pattern, int row, int channel, int sample, int note, int volume,
              int command, int parameter);

// Sets only the command and parameter of one cell.
void set_command(JGMOD *j, int pattern, int row, int channel, int command, int parameter);

// Replaces the order list.
void set_orders(JGMOD *j, const int *orders, int count);

#endif
