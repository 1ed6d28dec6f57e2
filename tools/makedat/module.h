// The in-game module (object 24): an original four-channel tune, written
// as text in tune.cpp, played by instruments synthesised in instruments.cpp
// and assembled here into the player's own in-memory module.
#ifndef MAKEDAT_MODULE_H
#define MAKEDAT_MODULE_H

#include "datafile_writer.h"
#include "synth.h"

#include <jgmod.h>

#include <string>

// Sample numbers as the pattern cells name them (1-based).
enum ModuleInstrument {
    INS_LEAD = 1, INS_BASS, INS_MAJOR, INS_MINOR, INS_KICK, INS_SNARE, INS_HAT, INS_OPEN_HAT,
    MODULE_SAMPLE_COUNT = INS_OPEN_HAT
};

// All instruments are rendered at twice the reference rate: the middle
// octave's C (Amiga period 428) then plays 16726 frames a second.
enum { INSTRUMENT_RATE = 16726 };

struct Instrument {
    Signal signal;
    int volume = 64;       // default volume 0..64
    int loop_start = 0;    // frames; a forward loop to the end when looped
    bool looped = false;
};

Instrument make_instrument(int number);

// The score: text for every channel of every pattern, 64 rows each.
enum { TUNE_CHANNELS = 4, TUNE_ROWS = 64 };
enum TuneChannel { CH_LEAD, CH_BASS, CH_CHORDS, CH_DRUMS };
struct TunePattern {
    const char *channel[TUNE_CHANNELS];
};
extern const TunePattern tune_patterns[];
extern const int tune_pattern_count;
extern const int tune_order[];
extern const int tune_order_count;
extern const int tune_restart_order;   // where the loop comes back to
extern const int tune_tempo;           // ticks per row
extern const int tune_bpm;
extern const char tune_name[];

// Builds the module from the score; null with a message when the score has
// an error. Release with destroy_mod.
JGMOD *build_module(std::string *error);

// The "JGM " object, written with the player's own writer.
void dat_write_module(DatWriter *w, const char *name, const JGMOD *module);

#endif
