// The rules every loaded module keeps, so that the player never indexes,
// loops or scales outside what the module holds: counts within limits, and
// every order, cell, sample map, envelope point and loop in bounds.
// Free of the test framework, so the fuzz targets check them too.
#ifndef MODULE_RULES_H
#define MODULE_RULES_H

#include <string>

#include "jgmod.h"

// The first broken rule, said in words; empty when the module keeps them all.
std::string module_fault(const JGMOD *j);
// What the library's mixer, at mixer_hz, cannot play on a voice: a frequency
// of 2^19 Hz or more, no frames, or a loop crossed in one output frame.
std::string voice_fault(const SAMPLE *s, bool playing, int playmode, int frequency, int mixer_hz);

#endif
