// Small modules built in test code, allocated as the readers do, so destroy_mod
// releases them. Orders 0 .. patterns-1, tempo 6, bpm 125, global volume 64,
// pans 128; samples: 64 frames of 8-bit silence, volume 64, pan 128, tuning
// 8363 (128 with XM_MODE); instrument i maps every note to sample i or the last.
#ifndef MODULE_BUILDER_H
#define MODULE_BUILDER_H

#include "jgmod_internal.h"

JGMOD *build_module(int channels, int patterns, int rows, int samples, int flags = 0,
                    int instruments = 0);
// Gives a pattern a new number of rows (0 is allowed) and clears its cells.
void resize_pattern(JGMOD *j, int pattern, int rows);
void set_cell(JGMOD *j, int pattern, int row, int channel, int sample, int note, int volume,
              int command, int parameter);
void set_command(JGMOD *j, int pattern, int row, int channel, int command, int parameter);

#endif
