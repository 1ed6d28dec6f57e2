// Preview files for the people who draw and compose the datafile's
// contents: none of this is part of the datafile itself.
#ifndef MAKEDAT_PREVIEW_H
#define MAKEDAT_PREVIEW_H

#include <allegro.h>

#include "midi_song.h"
#include "synth.h"

void preview_bitmap(const char *dir, int index, const char *name, BITMAP *bmp, const PALETTE pal);
void preview_sound(const char *dir, const char *name, const Signal &signal);
void preview_midi(const char *dir, const char *name, const MidiSong &song);

#endif
