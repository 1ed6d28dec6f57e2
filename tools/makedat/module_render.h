// Renders the in-game module to a WAV file through the player's own tick
// engine, so the tune can be heard without the game or a sound card.
#ifndef MAKEDAT_MODULE_RENDER_H
#define MAKEDAT_MODULE_RENDER_H

#include <jgmod.h>

// Plays `module` looped for `seconds` into a 16-bit stereo WAV at 44100 Hz.
bool render_module(JGMOD *module, double seconds, const char *wav_path);

#endif
