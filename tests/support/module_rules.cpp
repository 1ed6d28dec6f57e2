#include "support/module_rules.h"

#include <algorithm>

static bool within(long long value, long long low, long long high)
{
    return value >= low && value <= high;
}

#define RULE(ok, what) do { if (!(ok)) return (what); } while (0)
// The message names the value: "sample 3: volume 65".
#define RULE_IN(value, low, high, what) \
    RULE(within(value, low, high), (what) + (" " + std::to_string(value)))

static std::string envelope_fault(int points, const int *indices, const int *value,
                                  const std::string &where)
{
    RULE_IN(points, 0, ENVELOPE_POINTS, where + ": point count");
    for (int index = 0; index < 4; index++)
        RULE_IN(indices[index], 0, ENVELOPE_POINTS - 1, where + ": sustain or loop point");
    for (int point = 0; point < ENVELOPE_POINTS; point++)
        RULE_IN(value[point], 0, 64, where + ": value");
    return "";
}

static std::string pattern_fault(const JGMOD *j, int pattern)
{
    const PATTERN_INFO *p = &j->pattern_info[pattern];
    std::string where = "pattern " + std::to_string(pattern);
    RULE(p->notes != NULL, where + " has no cells");
    RULE_IN(p->row_count, 0, 256, where + ": rows");
    int limit = (j->flags & XM_MODE) ? j->instrument_count : j->sample_count;
    for (int cell = 0; cell < p->row_count * j->channel_count; cell++) {
        const NOTE_INFO *n = &p->notes[cell];
        if (within(n->sample, 0, limit) && n->parameter >= 0 &&
            (!(j->flags & XM_MODE) || within(n->note, NOTE_KEY_OFF, 96)))
            continue;  // the message is only made for a broken cell: patterns can be large
        return where + " cell " + std::to_string(cell) + ": sample " + std::to_string(n->sample) +
               ", note " + std::to_string(n->note) + ", parameter " + std::to_string(n->parameter);
    }
    return "";
}

static std::string sample_fault(const JGMOD *j, int index)
{
    const SAMPLE *s = &j->samples[index];
    std::string where = "sample " + std::to_string(index);
    RULE(s->data != NULL, where + " has no data");
    RULE_IN(j->sample_info[index].volume, 0, 64, where + ": volume");
    RULE(s->len <= 0x7FFFFFFFul, where + ": length " + std::to_string(s->len));
    if (j->sample_info[index].loop_type & (LOOP_FORWARD | LOOP_PINGPONG)) {
        RULE(s->loop_end <= s->len, where + ": loop ends past the data");
        RULE(s->loop_start < s->loop_end, where + ": empty or reversed loop");
    }
    return "";
}

static std::string instrument_fault(const JGMOD *j, int index)
{
    const INSTRUMENT_INFO *i = &j->instrument_info[index];
    std::string where = "instrument " + std::to_string(index);
    for (int note = 0; note < NOTES_PER_INSTRUMENT; note++)
        RULE_IN(i->note_sample[note], 0, j->sample_count - 1,
                where + ": note " + std::to_string(note) + " maps to sample");
    int volume[4] = {i->volume_env_sustain_start, i->volume_env_sustain_end,
                     i->volume_env_loop_start, i->volume_env_loop_end};
    int pan[4] = {i->pan_env_sustain_start, i->pan_env_sustain_end, i->pan_env_loop_start,
                  i->pan_env_loop_end};
    std::string volume_fault = envelope_fault(i->volume_env_points, volume, i->volume_env_value,
                                              where + " volume envelope");
    if (!volume_fault.empty())
        return volume_fault;
    return envelope_fault(i->pan_env_points, pan, i->pan_env_value, where + " pan envelope");
}

std::string module_fault(const JGMOD *j)
{
    RULE(j != NULL, "no module");
    RULE_IN(j->channel_count, 0, MAX_ALLEG_VOICE, std::string("channels"));
    RULE_IN(j->global_volume, 0, 64, std::string("global volume"));
    RULE(j->tempo > 0 && j->bpm > 0,
         "tempo " + std::to_string(j->tempo) + ", bpm " + std::to_string(j->bpm));
    RULE(j->name[31] == 0, "the name is not terminated");
    RULE_IN(j->order_count, 0, MAX_ORDER, std::string("orders"));
    RULE_IN(j->restart_order, 0, std::max(j->order_count - 1, 0), std::string("restart"));
    for (int order = 0; order < j->order_count; order++)
        RULE_IN(j->order_table[order], 0, j->pattern_count - 1,
                "order " + std::to_string(order) + " names pattern");
    RULE(j->pattern_info != NULL || j->pattern_count == 0, "no pattern records");
    RULE(j->samples != NULL && j->sample_info != NULL, "no sample records");
    RULE(j->instrument_info != NULL || j->instrument_count == 0, "no instrument records");
    std::string fault;
    for (int pattern = 0; pattern < j->pattern_count && fault.empty(); pattern++)
        fault = pattern_fault(j, pattern);
    for (int index = 0; index < j->sample_count && fault.empty(); index++)
        fault = sample_fault(j, index);
    for (int index = 0; index < j->instrument_count && fault.empty(); index++)
        fault = instrument_fault(j, index);
    return fault;
}

std::string voice_fault(const SAMPLE *s, bool playing, int playmode, int frequency, int mixer_hz)
{
    std::string named = "frequency " + std::to_string(frequency);
    RULE(frequency < (1 << 19), named + ": the library wraps it");
    RULE(!playing || (s != NULL && s->len > 0), std::string("playing no frames"));
    long loop = s != NULL ? (long)s->loop_end - (long)s->loop_start : 0;
    bool loops = playing && (playmode & PLAYMODE_LOOP);
    RULE(!loops || frequency < loop * (long long)mixer_hz,
         named + " runs off a loop of " + std::to_string(loop));
    return "";
}
