// modtool dump FILE: the loaded module as one JSON document whose keys are
// the field names of the module records.
#include <string.h>

#include "jgmod.h"
#include "modtool.h"
#include "output.h"

static void dump_header(FILE *out, const JGMOD *j)
{
    fputs("  \"name\": ", out);
    json_string(out, j->name, strnlen(j->name, sizeof j->name));
    fprintf(out,
            ",\n  \"flags\": %d,\n  \"tempo\": %d,\n  \"bpm\": %d,\n  \"global_volume\": %d,\n"
            "  \"restart_order\": %d,\n  \"channel_count\": %d,\n  \"order_count\": %d,\n"
            "  \"pattern_count\": %d,\n  \"instrument_count\": %d,\n  \"sample_count\": %d,\n  ",
            j->flags, j->tempo, j->bpm, j->global_volume, j->restart_order, j->channel_count,
            j->order_count, j->pattern_count, j->instrument_count, j->sample_count);
    // Counts are clamped to the fixed arrays, whatever a module claims.
    int orders = j->order_count < 0 ? 0 : j->order_count > MAX_ORDER ? MAX_ORDER : j->order_count;
    int channels = j->channel_count < 0                 ? 0
                   : j->channel_count > MAX_ALLEG_VOICE ? MAX_ALLEG_VOICE
                                                        : j->channel_count;
    json_int_array(out, "order_table", j->order_table, orders);
    fputs(",\n  ", out);
    json_int_array(out, "channel_pan", j->channel_pan, channels);
}

// Opens `"key": [` and returns how many entries to write (none when the
// array is missing).
static int open_array(FILE *out, const char *key, const void *array, int count)
{
    fprintf(out, ",\n  \"%s\": [", key);
    return array == NULL || count < 0 ? 0 : count;
}

static void close_array(FILE *out, int count)
{
    fputs(count > 0 ? "\n  ]" : "]", out);
}

static void dump_sample_info(FILE *out, const JGMOD *j)
{
    int count = open_array(out, "sample_info", j->sample_info, j->sample_count);
    for (int index = 0; index < count; index++) {
        const SAMPLE_INFO &si = j->sample_info[index];
        fprintf(out,
                "%s\n    {\"length\": %d, \"tuning\": %d, \"transpose\": %d, \"volume\": %d, "
                "\"pan\": %d, \"loop_start\": %d, \"loop_end\": %d, \"loop_type\": %d, "
                "\"vibrato_type\": %d, \"vibrato_sweep\": %d, \"vibrato_depth\": %d, "
                "\"vibrato_rate\": %d}",
                index ? "," : "", si.length, si.tuning, si.transpose, si.volume, si.pan,
                si.loop_start, si.loop_end, si.loop_type, si.vibrato_type, si.vibrato_sweep,
                si.vibrato_depth, si.vibrato_rate);
    }
    close_array(out, count);
}

static unsigned int sample_hash(const SAMPLE &s)
{
    if (s.data == NULL)
        return fnv1a(NULL, 0);
    size_t size = s.len * (size_t)(s.bits / 8) * (s.stereo ? 2 : 1);
    return fnv1a(s.data, size);
}

static void dump_samples(FILE *out, const JGMOD *j)
{
    int count = open_array(out, "samples", j->samples, j->sample_count);
    for (int index = 0; index < count; index++) {
        const SAMPLE &s = j->samples[index];
        fprintf(out,
                "%s\n    {\"bits\": %d, \"stereo\": %d, \"freq\": %d, \"priority\": %d, "
                "\"len\": %lu, \"loop_start\": %lu, \"loop_end\": %lu, \"param\": %ld, "
                "\"data_fnv1a\": \"%08x\"}",
                index ? "," : "", s.bits, s.stereo, s.freq, s.priority, s.len, s.loop_start,
                s.loop_end, (long)s.param, sample_hash(s));
    }
    close_array(out, count);
}

static void dump_envelope(FILE *out, const char *prefix, const int *value, const int *tick,
                          const int *rest)
{
    static const char *const names[] = {"points",     "flags",      "sustain_start",
                                        "sustain_end", "loop_start", "loop_end"};
    char key[40];
    snprintf(key, sizeof key, "%s_value", prefix);
    fputs(",\n      ", out);
    json_int_array(out, key, value, ENVELOPE_POINTS);
    snprintf(key, sizeof key, "%s_tick", prefix);
    fputs(",\n      ", out);
    json_int_array(out, key, tick, ENVELOPE_POINTS);
    for (int index = 0; index < 6; index++)
        fprintf(out, ",\n      \"%s_%s\": %d", prefix, names[index], rest[index]);
}

static void dump_instrument(FILE *out, const INSTRUMENT_INFO &ii)
{
    fputs("\n    {\n      ", out);
    json_int_array(out, "note_sample", ii.note_sample, NOTES_PER_INSTRUMENT);
    const int volume_rest[6] = {ii.volume_env_points,      ii.volume_env_flags,
                                ii.volume_env_sustain_start, ii.volume_env_sustain_end,
                                ii.volume_env_loop_start,  ii.volume_env_loop_end};
    dump_envelope(out, "volume_env", ii.volume_env_value, ii.volume_env_tick, volume_rest);
    const int pan_rest[6] = {ii.pan_env_points,        ii.pan_env_flags,
                             ii.pan_env_sustain_start, ii.pan_env_sustain_end,
                             ii.pan_env_loop_start,    ii.pan_env_loop_end};
    dump_envelope(out, "pan_env", ii.pan_env_value, ii.pan_env_tick, pan_rest);
    fprintf(out, ",\n      \"fadeout\": %d\n    }", ii.fadeout);
}

static void dump_instruments(FILE *out, const JGMOD *j)
{
    int count = open_array(out, "instrument_info", j->instrument_info, j->instrument_count);
    for (int index = 0; index < count; index++) {
        if (index)
            fputc(',', out);
        dump_instrument(out, j->instrument_info[index]);
    }
    close_array(out, count);
}

// One line per row of cells.
static void dump_pattern(FILE *out, const PATTERN_INFO &pi, int channels)
{
    fprintf(out, "\n    {\"row_count\": %d, \"notes\": [", pi.row_count);
    int rows = pi.notes == NULL || pi.row_count < 0 ? 0 : pi.row_count;
    for (int row = 0; row < rows; row++) {
        fputs(row ? ",\n      " : "\n      ", out);
        for (int channel = 0; channel < channels; channel++) {
            const NOTE_INFO &n = pi.notes[row * channels + channel];
            fprintf(out, "%s[%d, %d, %d, %d, %d]", channel ? ", " : "", n.sample, n.note,
                    n.volume, n.command, n.parameter);
        }
    }
    fputs(rows > 0 ? "\n    ]}" : "]}", out);
}

static void dump_patterns(FILE *out, const JGMOD *j)
{
    int count = open_array(out, "pattern_info", j->pattern_info, j->pattern_count);
    for (int index = 0; index < count; index++) {
        if (index)
            fputc(',', out);
        dump_pattern(out, j->pattern_info[index], j->channel_count < 0 ? 0 : j->channel_count);
    }
    close_array(out, count);
}

int modtool_dump(int argc, char **argv)
{
    if (argc != 1)
        return modtool_fail("dump needs one FILE (try modtool --help)");
    JGMOD *j = load_mod(argv[0]);
    if (j == NULL)
        return modtool_fail(jgmod_error);
    fputs("{\n", stdout);
    dump_header(stdout, j);
    dump_sample_info(stdout, j);
    dump_samples(stdout, j);
    dump_instruments(stdout, j);
    dump_patterns(stdout, j);
    fputs("\n}\n", stdout);
    destroy_mod(j);
    return finish_stdout();
}
