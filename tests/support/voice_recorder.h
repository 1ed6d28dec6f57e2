// A recording voice driver for the player's voice seam. It hands out voice
// numbers like the library does and remembers, per voice, what the player last
// did with it, plus an optional log of every call in order.
//
//   voice_recorder_install(4);    // at most 4 voices can be allocated
//   ... install_mod / play_mod / mod_interrupt ...
//   recorded_voice(0).frequency;  // last frequency set on voice 0
//   voice_recorder_remove();      // back to the library's voices
//
// Not thread-safe in itself: the player's guard keeps control calls and ticks
// apart, which is all it needs.
#ifndef VOICE_RECORDER_H
#define VOICE_RECORDER_H

#include <string>
#include <vector>

#include "jgmod_internal.h"

#define RECORDER_VOICES 64

struct RecordedVoice {
    int allocated;         // 1 between allocate_voice and deallocate_voice
    const SAMPLE *sample;  // last sample given by allocate_voice/reallocate_voice
    int playing;           // 1 after voice_start, 0 after voice_stop
    int frequency;         // last values set; 0 when never set
    int volume;
    int pan;
    int playmode;
    int position;          // what voice_get_position reports; -1 before the first start
    int starts;            // voice_start calls so far
    int stops;             // voice_stop calls so far
};

struct VoiceCall {
    std::string name;  // the seam's field name, e.g. "voice_set_volume"
    int voice;
    int value;         // the call's int argument (frequency, volume, ...); 0 when it has none
};

// Resets every voice and the log and swaps the recorder into jgmod_voices.
// allocate_voice fails once `available` voices are allocated.
void voice_recorder_install(int available = RECORDER_VOICES, bool keep_log = true);
// Restores the library's voices.
void voice_recorder_remove();

const RecordedVoice &recorded_voice(int voice);
const std::vector<VoiceCall> &recorded_calls();
void voice_recorder_clear_log();
// Number of logged calls named `name` (for any voice when voice is -1).
int recorded_count(const std::string &name, int voice = -1);
// Makes voice_get_position report `position` (-1: the sample has ended).
void voice_recorder_set_position(int voice, int position);

#endif
