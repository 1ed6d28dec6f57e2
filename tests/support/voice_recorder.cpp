// The recording voice driver.
#include "support/voice_recorder.h"

static RecordedVoice voices[RECORDER_VOICES];
static std::vector<VoiceCall> calls;
static int voices_available = RECORDER_VOICES;
static bool logging = true;

static void log_call(const char *name, int voice, int value)
{
    if (logging)
        calls.push_back(VoiceCall{name, voice, value});
}

static bool valid(int voice)
{
    return voice >= 0 && voice < RECORDER_VOICES;
}

static int rec_allocate(const SAMPLE *spl)
{
    int in_use = 0;
    for (const RecordedVoice &v : voices)
        in_use += v.allocated;
    int found = -1;
    for (int voice = 0; voice < RECORDER_VOICES && in_use < voices_available; voice++) {
        if (!voices[voice].allocated) {
            found = voice;
            break;
        }
    }
    if (found >= 0) {
        voices[found] = RecordedVoice{};
        voices[found].allocated = 1;
        voices[found].sample = spl;
        voices[found].position = -1;
    }
    log_call("allocate_voice", found, 0);
    return found;
}

static void rec_reallocate(int voice, const SAMPLE *spl)
{
    log_call("reallocate_voice", voice, 0);
    if (valid(voice)) {
        voices[voice].sample = spl;
        voices[voice].playing = 0;
    }
}

static void rec_deallocate(int voice)
{
    log_call("deallocate_voice", voice, 0);
    if (valid(voice))
        voices[voice].allocated = 0;
}

static void rec_start(int voice)
{
    log_call("voice_start", voice, 0);
    if (!valid(voice))
        return;
    voices[voice].playing = 1;
    voices[voice].starts++;
    if (voices[voice].position < 0)
        voices[voice].position = 0;
}

static void rec_stop(int voice)
{
    log_call("voice_stop", voice, 0);
    if (!valid(voice))
        return;
    voices[voice].playing = 0;
    voices[voice].stops++;
}

static void rec_frequency(int voice, int frequency)
{
    log_call("voice_set_frequency", voice, frequency);
    if (valid(voice))
        voices[voice].frequency = frequency;
}

static void rec_volume(int voice, int volume)
{
    log_call("voice_set_volume", voice, volume);
    if (valid(voice))
        voices[voice].volume = volume;
}

static void rec_pan(int voice, int pan)
{
    log_call("voice_set_pan", voice, pan);
    if (valid(voice))
        voices[voice].pan = pan;
}

static void rec_position(int voice, int position)
{
    log_call("voice_set_position", voice, position);
    if (valid(voice))
        voices[voice].position = position;
}

static void rec_playmode(int voice, int playmode)
{
    log_call("voice_set_playmode", voice, playmode);
    if (valid(voice))
        voices[voice].playmode = playmode;
}

static int rec_get_position(int voice)
{
    log_call("voice_get_position", voice, 0);
    return valid(voice) ? voices[voice].position : -1;
}

static const JGMOD_VOICE_DRIVER recorder = {
    rec_allocate, rec_reallocate, rec_deallocate, rec_start, rec_stop, rec_frequency,
    rec_volume, rec_pan, rec_position, rec_playmode, rec_get_position,
};

void voice_recorder_install(int available, bool keep_log)
{
    for (RecordedVoice &v : voices) {
        v = RecordedVoice{};
        v.position = -1;
    }
    calls.clear();
    voices_available = available;
    logging = keep_log;
    jgmod_voices = &recorder;
}

void voice_recorder_remove()
{
    jgmod_voices = &jgmod_allegro_voices;
}

const RecordedVoice &recorded_voice(int voice)
{
    static const RecordedVoice none = {0, nullptr, 0, 0, 0, 0, 0, -1, 0, 0};
    return valid(voice) ? voices[voice] : none;
}

const std::vector<VoiceCall> &recorded_calls()
{
    return calls;
}

void voice_recorder_clear_log()
{
    calls.clear();
}

int recorded_count(const std::string &name, int voice)
{
    int count = 0;
    for (const VoiceCall &call : calls) {
        if (call.name == name && (voice < 0 || call.voice == voice))
            count++;
    }
    return count;
}

void voice_recorder_set_position(int voice, int position)
{
    if (valid(voice))
        voices[voice].position = position;
}
