// The voice seam: the player reaches the library's digital voices only through
// jgmod_voices, so tests and tools can watch or replace every voice call.
#include "jgmod_internal.h"

// The library's own functions fit the table's signatures as they are.
const JGMOD_VOICE_DRIVER jgmod_allegro_voices = {
    allocate_voice,
    reallocate_voice,
    deallocate_voice,
    voice_start,
    voice_stop,
    voice_set_frequency,
    voice_set_volume,
    voice_set_pan,
    voice_set_position,
    voice_set_playmode,
    voice_get_position,
};

const JGMOD_VOICE_DRIVER *jgmod_voices = &jgmod_allegro_voices;

int (*jgmod_mixer_frequency)(void) = get_mixer_frequency;
