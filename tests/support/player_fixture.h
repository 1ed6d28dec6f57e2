// The player under test: a recording voice driver and timer in place of the
// library's, the globals as at program start, the player installed on 4
// voices. Tests call mod_interrupt themselves, e.g. through run_ticks.
#ifndef PLAYER_FIXTURE_H
#define PLAYER_FIXTURE_H

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/module_builder.h"
#include "support/timer_recorder.h"

#define RECORDER_VOICES 64

// What the player last did with a voice; values are 0 until set.
struct RecordedVoice {
    int allocated;
    const SAMPLE *sample;  // last given by allocate_voice or reallocate_voice
    int playing, frequency, volume, pan, playmode;
    int position;  // what voice_get_position reports (-1: the sample ended)
    int starts;    // voice_start calls so far
};

struct VoiceCall { std::string name; int voice, value; };  // name: e.g. "voice_set_volume"

// Writable, e.g. to report that a voice's sample ended (position -1).
RecordedVoice &recorded_voice(int voice);
std::vector<VoiceCall> &recorded_calls();                     // clear() it at will
int recorded_count(const std::string &name, int voice = -1);  // -1: on any voice
void reset_player_globals();

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
