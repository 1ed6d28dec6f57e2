// The player under test: a recording voice driver and timer in place of the
// library's, the globals as at program start, the player installed on 4
// voices. Tests call mod_interrupt themselves, e.g. through run_ticks.
// Like the library's mixer (at RECORDER_MIXER_HZ), the recorder takes no
// frequency of 2^19 Hz or more, no loop shorter than a voice moves per output
// frame and no sample without frames; it fails the test instead.
#ifndef PLAYER_FIXTURE_H
#define PLAYER_FIXTURE_H

#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/module_builder.h"
#include "support/timer_recorder.h"

#define RECORDER_VOICES 64
#define RECORDER_MIXER_HZ 44100

// What the player last did with a voice; values are 0 until set.
struct RecordedVoice {
    int allocated;
    const SAMPLE *sample;  // last given by allocate_voice or reallocate_voice
    int playing;   // 0 once stopped or the sample ended: the position reads -1
    int frequency, volume, pan, playmode;
    int position;  // last given by voice_set_position
    int starts;    // voice_start calls so far
};

struct VoiceCall { std::string name; int voice, value; };  // name: e.g. "voice_set_volume"

// Writable, e.g. to report that a voice's sample ended (playing 0).
RecordedVoice &recorded_voice(int voice);
std::vector<VoiceCall> &recorded_calls();                     // clear() it at will
int recorded_count(const std::string &name, int voice = -1);  // -1: on any voice

// Polls `done` until it holds or `bound` has passed; what it last said.
template <typename Done>
bool wait_until(Done done, std::chrono::milliseconds bound = std::chrono::seconds(30))
{
    auto end = std::chrono::steady_clock::now() + bound;
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return done();
}

typedef std::array<int, 3> Where;  // order, row, tick

class PlayerFixture : public ::testing::Test {
protected:
    // Voices the recorder hands out, and voices install_mod reserves (0: none).
    explicit PlayerFixture(int available = RECORDER_VOICES, int installed = 4)
        : available_(available), installed_(installed) {}
    void SetUp() override;
    void TearDown() override;
    JGMOD *keep(JGMOD *j) { modules_.push_back(j); return j; }  // destroyed after the test
    void run_ticks(int count) { while (count-- > 0) mod_interrupt(); }
    const RecordedVoice &on(int channel) { return recorded_voice(voice_table[channel]); }
    Where where() { return {mi.order, mi.row, mi.tick}; }

private:
    int available_, installed_;
    std::vector<JGMOD *> modules_;
};

#endif
