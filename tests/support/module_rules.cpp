#include "support/module_rules.h"

static bool within(long long value, long long low, long long high)
{
    return value >= low && value <= high;
}

#define RULE(ok, what) do { if (!(ok)) return (what); } while (0)

static std::string envelope_fault(int points, const int *indices, const int *value,
                                  const std::string &where)
{
    RULE(within(points, 0, ENVELOPE_POINTS), where + ": point count " + std::to_string(points));
    for (int index = 0; index < 4; index++)
        RULE(within(indices[index], 0, ENVELOPE_POINTS - 1),
             where + ": sustain or loop point " + std::to_string(indices[index]));
    for (int point = 0; point < ENVELOPE_POINTS; point++)
        RULE(within(value[point], 0, 64), where + ": value " + std::to_string(value[point]));
    return "";
}

static std::string pattern_fault(const JGMOD *j, int pattern)
{
    const PATTERN_INFO *p = &j->pattern_info[pattern];
    std::string where = "pattern " + std::to_string(pattern);
    RULE(p->notes != NULL, where + " has no cells");
    RULE(within(p->row_count, 0, 256), where + ": rows " + std::to_string(p->row_count));
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
    RULE(within(j->sample_info[index].volume, 0, 64),
         where + ": volume " + std::to_string(j->sample_info[index].volume));
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
        RULE(within(i->note_sample[note], 0, j->sample_count - 1),
             where + ": note " + std::to_string(note) + " maps to sample " +
                 std::to_string(i->note_sample[note]));
    int volume[4] = {i->volume_env_sustain_start, i->volume_env_sustain_end,
                     i->volume_env_loop_start, i->volume_env_loop_end};
    int pan[4] = {i->pan_env_sustain_start, i->pan_env_sustain_end, i->pan_env_loop_start,
                  i->pan_env_loop_end};
    std::string fault = envelope_fault(i->volume_env_points, volume, i->volume_env_value,
                                       where + " volume envelope");
    return fault.empty()
               ? envelope_fault(i->pan_env_points, pan, i->pan_env_value, where + " pan envelope")
               : fault;
}

std::string module_fault(const JGMOD *j)
{
    RULE(j != NULL, "no module");
    RULE(within(j->channel_count, 0, MAX_ALLEG_VOICE),
         "channels " + std::to_string(j->channel_count));
    RULE(within(j->global_volume, 0, 64), "global volume " + std::to_string(j->global_volume));
    RULE(j->tempo > 0 && j->bpm > 0,
         "tempo " + std::to_string(j->tempo) + ", bpm " + std::to_string(j->bpm));
    RULE(j->name[31] == 0, "the name is not terminated");
    RULE(within(j->order_count, 0, MAX_ORDER), "orders " + std::to_string(j->order_count));
    RULE(within(j->restart_order, 0, j->order_count > 0 ? j->order_count - 1 : 0),
         "restart " + std::to_string(j->restart_order));
    for (int order = 0; order < j->order_count; order++)
        RULE(within(j->order_table[order], 0, j->pattern_count - 1),
             "order " + std::to_string(order) + " names pattern " +
                 std::to_string(j->order_table[order]));
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
