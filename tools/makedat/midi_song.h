// The credits song (object 28): an original short piece for the library's
// MIDI player, built as standard MIDI tracks.
#ifndef MAKEDAT_MIDI_SONG_H
#define MAKEDAT_MIDI_SONG_H

#include "datafile_writer.h"

#include <vector>

struct MidiSong {
    int divisions = 96;                                // ticks per quarter note
    std::vector<std::vector<unsigned char>> tracks;    // track event data, as inside "MTrk"
};

MidiSong make_credits_song(void);

// The MIDI object: divisions, then 32 tracks (empty ones have length 0).
void dat_write_midi(DatWriter *w, const char *name, const MidiSong &song);

// The same song as a standard MIDI file, for listening to it outside the game.
bool save_midi_file(const char *path, const MidiSong &song);

#endif
