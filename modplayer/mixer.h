// A software mixer that stands behind the voice and timer seams, so the
// player can make sound without the library's sound driver: tools render
// modules to files or feed them to a sound device of their own.
//
// The mixer also keeps the song's clock. Ticks of the handler installed
// through jgmod_mixer_timer fall on output frames: each tick lasts exactly the
// period the player asked for, rounded to frames without drift. Everything
// runs on the caller's thread; the mixer starts no thread and no timer.
#ifndef JGMOD_MIXER_H
#define JGMOD_MIXER_H

#include "jgmod_internal.h"
#include "jgmod_timer.h"


enum JGMOD_INTERPOLATION {
    JGMOD_INTERPOLATE_NONE,    // nearest frame below the position
    JGMOD_INTERPOLATE_LINEAR,  // between the two frames around the position
    JGMOD_INTERPOLATE_CUBIC,   // Catmull-Rom through four frames
};

// Voice calls and timer calls that act on the mixer; install both before
// install_mod.
extern const JGMOD_VOICE_DRIVER jgmod_mixer_voices;
extern const JGMOD_TIMER_DRIVER jgmod_mixer_timer;

// Frees every voice, removes the handler and sets the output: frames per
// second (1 or more), 1 (mono) or 2 (stereo) output channels, and the number
// of voices expected to sound at once, which sets the headroom: each voice is
// scaled by 1 / sqrt(voices). A voice at volume 255 and pan 0 puts its sample
// at full scale into the left channel, pan 255 into the right, pan 128 about
// half into each; mono output carries the sum of both sides.
void jgmod_mixer_open(int rate, int channels, int interpolation, int voices);

// The output rate, for the engine's frequency bounds: a player that hands
// this to jgmod_mixer_frequency hears what the game would play.
int jgmod_mixer_rate(void);

// Runs the tick handler for every tick that is due at the current frame.
// Returns how many ran.
int jgmod_mixer_run_ticks(void);

// Runs the ticks that are due, then mixes at most `frames` frames, stopping
// at the next tick so the caller can look at the song between ticks.
// `out` takes frames × channels signed 16-bit values, interleaved left first.
// Returns the frames written (at least 1 when `frames` is at least 1).
int jgmod_mixer_mix(short *out, int frames);

// Frames mixed since jgmod_mixer_open.
long long jgmod_mixer_frames(void);

// Drops every sound that still reads sample data, including the short fades
// of stopped voices. Call it before freeing samples a voice has played.
void jgmod_mixer_forget_samples(void);

#endif
