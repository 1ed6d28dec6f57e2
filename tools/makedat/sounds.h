// The four sound effects (objects 13, 16, 26, 36) and their datafile form.
#ifndef MAKEDAT_SOUNDS_H
#define MAKEDAT_SOUNDS_H

#include "datafile_writer.h"
#include "synth.h"

Signal make_button_click(void);   // object 13
Signal make_row_removed(void);    // object 16
Signal make_high_score(void);     // object 26
Signal make_key_click(void);      // object 36

// A SAMP object: 8-bit mono at the signal's rate.
void dat_write_sample(DatWriter *w, const char *name, const Signal &signal);

#endif
