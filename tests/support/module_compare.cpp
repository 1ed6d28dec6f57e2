// Field-by-field comparison of two modules.
#include "support/module_compare.h"

#include <gtest/gtest.h>
#include <string.h>

static void expect_sample_info_equal(const SAMPLE_INFO &e, const SAMPLE_INFO &a)
{
    EXPECT_EQ(e.length, a.length);
    EXPECT_EQ(e.tuning, a.tuning);
    EXPECT_EQ(e.transpose, a.transpose);
    EXPECT_EQ(e.volume, a.volume);
    EXPECT_EQ(e.pan, a.pan);
    EXPECT_EQ(e.loop_start, a.loop_start);
    EXPECT_EQ(e.loop_end, a.loop_end);
    EXPECT_EQ(e.loop_type, a.loop_type);
    EXPECT_EQ(e.vibrato_type, a.vibrato_type);
    EXPECT_EQ(e.vibrato_sweep, a.vibrato_sweep);
    EXPECT_EQ(e.vibrato_depth, a.vibrato_depth);
    EXPECT_EQ(e.vibrato_rate, a.vibrato_rate);
}

static void expect_sample_equal(const SAMPLE &e, const SAMPLE &a)
{
    EXPECT_EQ(e.bits, a.bits);
    EXPECT_EQ(e.stereo, a.stereo);
    EXPECT_EQ(e.freq, a.freq);
    EXPECT_EQ(e.priority, a.priority);
    EXPECT_EQ(e.len, a.len);
    EXPECT_EQ(e.loop_start, a.loop_start);
    EXPECT_EQ(e.loop_end, a.loop_end);
    EXPECT_EQ(e.param, a.param);
    ASSERT_EQ(e.data == NULL, a.data == NULL);
    if (e.data != NULL && e.len == a.len && e.bits == a.bits) {
        size_t size = e.len * (e.bits / 8) * (e.stereo ? 2 : 1);
        EXPECT_EQ(memcmp(e.data, a.data, size), 0) << "sample data differs";
    }
}

static void expect_ints_equal(const int *e, const int *a, int count, const char *what)
{
    for (int index = 0; index < count; index++)
        EXPECT_EQ(e[index], a[index]) << what << "[" << index << "]";
}

static void expect_instrument_equal(const INSTRUMENT_INFO &e, const INSTRUMENT_INFO &a)
{
    expect_ints_equal(e.note_sample, a.note_sample, NOTES_PER_INSTRUMENT, "note_sample");
    expect_ints_equal(e.volume_env_value, a.volume_env_value, ENVELOPE_POINTS, "volume_env_value");
    expect_ints_equal(e.volume_env_tick, a.volume_env_tick, ENVELOPE_POINTS, "volume_env_tick");
    EXPECT_EQ(e.volume_env_points, a.volume_env_points);
    EXPECT_EQ(e.volume_env_flags, a.volume_env_flags);
    EXPECT_EQ(e.volume_env_sustain_start, a.volume_env_sustain_start);
    EXPECT_EQ(e.volume_env_sustain_end, a.volume_env_sustain_end);
    EXPECT_EQ(e.volume_env_loop_start, a.volume_env_loop_start);
    EXPECT_EQ(e.volume_env_loop_end, a.volume_env_loop_end);
    expect_ints_equal(e.pan_env_value, a.pan_env_value, ENVELOPE_POINTS, "pan_env_value");
    expect_ints_equal(e.pan_env_tick, a.pan_env_tick, ENVELOPE_POINTS, "pan_env_tick");
    EXPECT_EQ(e.pan_env_points, a.pan_env_points);
    EXPECT_EQ(e.pan_env_flags, a.pan_env_flags);
    EXPECT_EQ(e.pan_env_sustain_start, a.pan_env_sustain_start);
    EXPECT_EQ(e.pan_env_sustain_end, a.pan_env_sustain_end);
    EXPECT_EQ(e.pan_env_loop_start, a.pan_env_loop_start);
    EXPECT_EQ(e.pan_env_loop_end, a.pan_env_loop_end);
    EXPECT_EQ(e.fadeout, a.fadeout);
}

static void expect_pattern_equal(const PATTERN_INFO &e, const PATTERN_INFO &a, int channels)
{
    ASSERT_EQ(e.row_count, a.row_count);
    for (int cell = 0; cell < e.row_count * channels; cell++) {
        SCOPED_TRACE(testing::Message() << "row " << cell / channels << " channel "
                                        << cell % channels);
        EXPECT_EQ(e.notes[cell].sample, a.notes[cell].sample);
        EXPECT_EQ(e.notes[cell].note, a.notes[cell].note);
        EXPECT_EQ(e.notes[cell].volume, a.notes[cell].volume);
        EXPECT_EQ(e.notes[cell].command, a.notes[cell].command);
        EXPECT_EQ(e.notes[cell].parameter, a.notes[cell].parameter);
    }
}

void expect_modules_equal(const JGMOD *expected, const JGMOD *actual)
{
    ASSERT_NE(expected, nullptr);
    ASSERT_NE(actual, nullptr);
    EXPECT_EQ(memcmp(expected->name, actual->name, sizeof expected->name), 0)
        << expected->name << " / " << actual->name;
    EXPECT_EQ(expected->flags, actual->flags);
    EXPECT_EQ(expected->tempo, actual->tempo);
    EXPECT_EQ(expected->bpm, actual->bpm);
    EXPECT_EQ(expected->global_volume, actual->global_volume);
    EXPECT_EQ(expected->restart_order, actual->restart_order);
    ASSERT_EQ(expected->channel_count, actual->channel_count);
    ASSERT_EQ(expected->order_count, actual->order_count);
    ASSERT_EQ(expected->pattern_count, actual->pattern_count);
    ASSERT_EQ(expected->instrument_count, actual->instrument_count);
    ASSERT_EQ(expected->sample_count, actual->sample_count);
    expect_ints_equal(expected->order_table, actual->order_table, expected->order_count,
                      "order_table");
    expect_ints_equal(expected->channel_pan, actual->channel_pan, expected->channel_count,
                      "channel_pan");
    for (int index = 0; index < expected->sample_count; index++) {
        SCOPED_TRACE(testing::Message() << "sample " << index);
        expect_sample_info_equal(expected->sample_info[index], actual->sample_info[index]);
        expect_sample_equal(expected->samples[index], actual->samples[index]);
    }
    for (int index = 0; index < expected->instrument_count; index++) {
        SCOPED_TRACE(testing::Message() << "instrument " << index);
        expect_instrument_equal(expected->instrument_info[index], actual->instrument_info[index]);
    }
    for (int index = 0; index < expected->pattern_count; index++) {
        SCOPED_TRACE(testing::Message() << "pattern " << index);
        expect_pattern_equal(expected->pattern_info[index], actual->pattern_info[index],
                             expected->channel_count);
    }
}
