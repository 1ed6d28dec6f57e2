// The player test fixture and its recording voice driver.
#include <string.h>

#include "support/module_rules.h"
#include "support/player_fixture.h"

static RecordedVoice voices[RECORDER_VOICES + 1];  // the last one takes calls on bad voices
static std::vector<VoiceCall> calls;
static int voices_available;

// Records the call; fails the test when the voice now holds what the library cannot play.
static RecordedVoice &logged(const char *name, int voice, int value = 0)
{
    calls.push_back(VoiceCall{name, voice, value});
    return recorded_voice(voice);
}

static void refuse_unplayable(const char *name, int voice)
{
    const RecordedVoice &v = recorded_voice(voice);
    EXPECT_EQ(voice_fault(v.sample, v.playing, v.playmode, v.frequency, RECORDER_MIXER_HZ), "")
        << name << " on voice " << voice;
}

static const JGMOD_VOICE_DRIVER recorder = {
    [](const SAMPLE *spl) {
        int voice = 0;
        while (voice < voices_available && voices[voice].allocated)
            voice++;
        voice = voice < voices_available ? voice : -1;
        // As the library does: the sample's rate, full volume, centre pan.
        logged("allocate_voice", voice) =
            RecordedVoice{voice >= 0, spl, 0, spl ? (int)spl->freq : 0, 255, 128, 0, 0, 0};
        return voice;
    },
    [](int voice, const SAMPLE *spl) {  // as the library does, the voice starts afresh
        RecordedVoice &v = logged("reallocate_voice", voice);
        v = RecordedVoice{v.allocated, spl, 0, (int)spl->freq, 255, 128, 0, 0, v.starts};
    },
    [](int voice) { logged("deallocate_voice", voice).allocated = 0; },
    [](int voice) {
        RecordedVoice &v = logged("voice_start", voice);
        v.playing = 1;
        v.starts++;
        refuse_unplayable("voice_start", voice);
    },
    [](int voice) { logged("voice_stop", voice).playing = 0; },
    [](int voice, int value) {
        logged("voice_set_frequency", voice, value).frequency = value;
        refuse_unplayable("voice_set_frequency", voice);
    },
    [](int voice, int value) { logged("voice_set_volume", voice, value).volume = value; },
    [](int voice, int value) { logged("voice_set_pan", voice, value).pan = value; },
    [](int voice, int value) { logged("voice_set_position", voice, value).position = value; },
    [](int voice, int value) {
        logged("voice_set_playmode", voice, value).playmode = value;
        refuse_unplayable("voice_set_playmode", voice);
    },
    [](int voice) {
        const RecordedVoice &v = logged("voice_get_position", voice);
        return v.playing ? v.position : -1;
    },
};

RecordedVoice &recorded_voice(int voice)
{
    return voice >= 0 && voice < RECORDER_VOICES ? voices[voice] : (voices[RECORDER_VOICES] = {});
}

std::vector<VoiceCall> &recorded_calls() { return calls; }

int recorded_count(const std::string &name, int voice)
{
    int count = 0;
    for (const VoiceCall &call : calls)
        count += call.name == name && (voice < 0 || call.voice == voice);
    return count;
}

static void reset_player_globals()
{
    memset(&mi, 0, sizeof(mi));
    memset(ci, 0, sizeof(ci));
    std::fill(voice_table, voice_table + MAX_ALLEG_VOICE, -1);
    of = nullptr;
    mod_volume = 255;
    strcpy(jgmod_error, "\n");
    enable_lasttrk_loop = -1;
}

void PlayerFixture::SetUp()
{
    std::fill(voices, voices + RECORDER_VOICES + 1, RecordedVoice{});
    calls.clear();
    voices_available = available_;
    jgmod_voices = &recorder;
    jgmod_mixer_frequency = [] { return RECORDER_MIXER_HZ; };
    timer_recorder_install();
    reset_player_globals();
    if (installed_ > 0) {
        ASSERT_EQ(install_mod(installed_), 1);
        calls.clear();
    }
}

void PlayerFixture::TearDown()
{
    remove_mod();
    for (JGMOD *j : modules_)
        destroy_mod(j);
    reset_player_globals();
    timer_recorder_remove();
    jgmod_voices = &jgmod_allegro_voices;
    jgmod_mixer_frequency = get_mixer_frequency;
}
