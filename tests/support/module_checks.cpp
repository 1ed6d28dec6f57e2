// The limits of a loaded module, checked rule by rule.
#include "support/module_checks.h"

#include <gtest/gtest.h>

static void expect_orders_sane(const JGMOD *j, const char *what)
{
    EXPECT_GE(j->order_count, 0) << what;
    EXPECT_LE(j->order_count, MAX_ORDER) << what;
    EXPECT_GE(j->restart_order, 0) << what;
    EXPECT_LT(j->restart_order, MAX_ORDER) << what;
    for (int order = 0; order < j->order_count && order < MAX_ORDER; order++) {
        EXPECT_GE(j->order_table[order], 0) << what << " order " << order;
        EXPECT_LT(j->order_table[order], j->pattern_count) << what << " order " << order;
    }
}

static void expect_patterns_sane(const JGMOD *j, const char *what)
{
    ASSERT_TRUE(j->pattern_info != NULL || j->pattern_count == 0) << what;
    int limit = (j->flags & XM_MODE) ? j->instrument_count : j->sample_count;
    for (int pattern = 0; pattern < j->pattern_count; pattern++) {
        const PATTERN_INFO *p = &j->pattern_info[pattern];
        ASSERT_NE(p->notes, nullptr) << what << " pattern " << pattern;
        ASSERT_GE(p->row_count, 0) << what << " pattern " << pattern;
        ASSERT_LE(p->row_count, 256) << what << " pattern " << pattern;
        for (int cell = 0; cell < p->row_count * j->channel_count; cell++) {
            const NOTE_INFO *n = &p->notes[cell];
            ASSERT_GE(n->sample, 0) << what << " pattern " << pattern << " cell " << cell;
            ASSERT_LE(n->sample, limit) << what << " pattern " << pattern << " cell " << cell;
            if (j->flags & XM_MODE) {
                ASSERT_GE(n->note, NOTE_KEY_OFF) << what << " pattern " << pattern << " cell " << cell;
                ASSERT_LE(n->note, 96) << what << " pattern " << pattern << " cell " << cell;
            }
            ASSERT_GE(n->parameter, 0) << what << " pattern " << pattern << " cell " << cell;
        }
    }
}

static void expect_samples_sane(const JGMOD *j, const char *what)
{
    ASSERT_TRUE(j->samples != NULL && j->sample_info != NULL) << what;
    for (int index = 0; index < j->sample_count; index++) {
        const SAMPLE *s = &j->samples[index];
        const SAMPLE_INFO *info = &j->sample_info[index];
        ASSERT_NE(s->data, nullptr) << what << " sample " << index;
        EXPECT_GE(info->volume, 0) << what << " sample " << index;
        EXPECT_LE(info->volume, 64) << what << " sample " << index;
        EXPECT_LE(s->len, 0x7FFFFFFFul) << what << " sample " << index;
        if (info->loop_type & (LOOP_FORWARD | LOOP_PINGPONG)) {
            EXPECT_LE(s->loop_end, s->len) << what << " sample " << index;
            EXPECT_LT(s->loop_start, s->loop_end) << what << " sample " << index;
        }
    }
}

static void expect_envelope_sane(int points, int sustain_start, int sustain_end, int loop_start,
                                 int loop_end, const int *value, const char *what, int instrument)
{
    EXPECT_GE(points, 0) << what << " instrument " << instrument;
    EXPECT_LE(points, ENVELOPE_POINTS) << what << " instrument " << instrument;
    int indices[4] = {sustain_start, sustain_end, loop_start, loop_end};
    for (int index : indices) {
        EXPECT_GE(index, 0) << what << " instrument " << instrument;
        EXPECT_LT(index, ENVELOPE_POINTS) << what << " instrument " << instrument;
    }
    for (int point = 0; point < ENVELOPE_POINTS; point++) {
        EXPECT_GE(value[point], 0) << what << " instrument " << instrument;
        EXPECT_LE(value[point], 64) << what << " instrument " << instrument;
    }
}

static void expect_instruments_sane(const JGMOD *j, const char *what)
{
    ASSERT_TRUE(j->instrument_info != NULL || j->instrument_count == 0) << what;
    for (int index = 0; index < j->instrument_count; index++) {
        const INSTRUMENT_INFO *i = &j->instrument_info[index];
        for (int note = 0; note < NOTES_PER_INSTRUMENT; note++) {
            ASSERT_GE(i->note_sample[note], 0) << what << " instrument " << index;
            ASSERT_LT(i->note_sample[note], j->sample_count) << what << " instrument " << index;
        }
        expect_envelope_sane(i->volume_env_points, i->volume_env_sustain_start, i->volume_env_sustain_end,
                             i->volume_env_loop_start, i->volume_env_loop_end, i->volume_env_value, what, index);
        expect_envelope_sane(i->pan_env_points, i->pan_env_sustain_start, i->pan_env_sustain_end,
                             i->pan_env_loop_start, i->pan_env_loop_end, i->pan_env_value, what, index);
    }
}

void expect_module_sane(const JGMOD *j, const char *what)
{
    ASSERT_NE(j, nullptr) << what;
    EXPECT_GE(j->channel_count, 0) << what;
    EXPECT_LE(j->channel_count, MAX_ALLEG_VOICE) << what;
    EXPECT_GT(j->tempo, 0) << what;
    EXPECT_GT(j->bpm, 0) << what;
    EXPECT_GE(j->global_volume, 0) << what;
    EXPECT_LE(j->global_volume, 64) << what;
    EXPECT_EQ(j->name[31], 0) << what;
    expect_orders_sane(j, what);
    expect_patterns_sane(j, what);
    expect_samples_sane(j, what);
    expect_instruments_sane(j, what);
}
