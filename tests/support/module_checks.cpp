#include "support/module_checks.h"

#include <string>

#include <gtest/gtest.h>

#define CHECK_RANGE(value, low, high, where) \
    EXPECT_TRUE((value) >= (low) && (value) <= (high)) << what << where << ": " #value " = " << (value)

Cell cell_at(const JGMOD *j, int pattern, int row, int channel)
{
    const NOTE_INFO *n = get_note(const_cast<JGMOD *>(j), pattern, row, channel);
    return Cell(n->sample, n->note, n->volume, n->command, n->parameter);
}

static void expect_envelope_sane(int points, const int *indices, const int *value, const char *what, int instrument)
{
    CHECK_RANGE(points, 0, ENVELOPE_POINTS, " instrument " << instrument);
    for (int index = 0; index < 4; index++)
        CHECK_RANGE(indices[index], 0, ENVELOPE_POINTS - 1, " instrument " << instrument);
    for (int point = 0; point < ENVELOPE_POINTS; point++)
        CHECK_RANGE(value[point], 0, 64, " instrument " << instrument);
}

void expect_module_sane(const JGMOD *j, const char *what)
{
    ASSERT_NE(j, nullptr) << what;
    CHECK_RANGE(j->channel_count, 0, MAX_ALLEG_VOICE, "");
    CHECK_RANGE(j->global_volume, 0, 64, "");
    EXPECT_GT(j->tempo, 0) << what;
    EXPECT_GT(j->bpm, 0) << what;
    EXPECT_EQ(j->name[31], 0) << what;
    CHECK_RANGE(j->order_count, 0, MAX_ORDER, "");
    CHECK_RANGE(j->restart_order, 0, MAX_ORDER - 1, "");
    for (int order = 0; order < j->order_count && order < MAX_ORDER; order++)
        CHECK_RANGE(j->order_table[order], 0, j->pattern_count - 1, " order " << order);

    ASSERT_TRUE(j->pattern_info != NULL || j->pattern_count == 0) << what;
    int limit = (j->flags & XM_MODE) ? j->instrument_count : j->sample_count;
    for (int pattern = 0; pattern < j->pattern_count; pattern++) {
        const PATTERN_INFO *p = &j->pattern_info[pattern];
        ASSERT_NE(p->notes, nullptr) << what << " pattern " << pattern;
        ASSERT_TRUE(p->row_count >= 0 && p->row_count <= 256) << what << " pattern " << pattern;
        for (int cell = 0; cell < p->row_count * j->channel_count; cell++) {
            const NOTE_INFO *n = &p->notes[cell];
            bool ok = n->sample >= 0 && n->sample <= limit && n->parameter >= 0 &&
                      (!(j->flags & XM_MODE) || (n->note >= NOTE_KEY_OFF && n->note <= 96));
            ASSERT_TRUE(ok) << what << " pattern " << pattern << " cell " << cell << ": sample " << n->sample
                            << ", note " << n->note << ", parameter " << n->parameter;
        }
    }

    ASSERT_TRUE(j->samples != NULL && j->sample_info != NULL) << what;
    for (int index = 0; index < j->sample_count; index++) {
        const SAMPLE *s = &j->samples[index];
        ASSERT_NE(s->data, nullptr) << what << " sample " << index;
        CHECK_RANGE(j->sample_info[index].volume, 0, 64, " sample " << index);
        EXPECT_LE(s->len, 0x7FFFFFFFul) << what << " sample " << index;
        if (j->sample_info[index].loop_type & (LOOP_FORWARD | LOOP_PINGPONG)) {
            EXPECT_LE(s->loop_end, s->len) << what << " sample " << index;
            EXPECT_LT(s->loop_start, s->loop_end) << what << " sample " << index;
        }
    }

    ASSERT_TRUE(j->instrument_info != NULL || j->instrument_count == 0) << what;
    for (int index = 0; index < j->instrument_count; index++) {
        const INSTRUMENT_INFO *i = &j->instrument_info[index];
        for (int note = 0; note < NOTES_PER_INSTRUMENT; note++)
            ASSERT_TRUE(i->note_sample[note] >= 0 && i->note_sample[note] < j->sample_count)
                << what << " instrument " << index << " note " << note;
        int volume[4] = {i->volume_env_sustain_start, i->volume_env_sustain_end, i->volume_env_loop_start,
                         i->volume_env_loop_end};
        int pan[4] = {i->pan_env_sustain_start, i->pan_env_sustain_end, i->pan_env_loop_start, i->pan_env_loop_end};
        expect_envelope_sane(i->volume_env_points, volume, i->volume_env_value, what, index);
        expect_envelope_sane(i->pan_env_points, pan, i->pan_env_value, what, index);
    }
}

void expect_damage_safe(const Bytes &whole, const std::function<JGMOD *(const char *)> &load, size_t step,
                        int rounds, int hits, bool must_load, size_t span)
{
    auto check = [&](const Bytes &bytes, const std::string &what) {
        ScratchFile file(bytes);
        JGMOD *j = load(file.path());
        if (j != nullptr || must_load)
            expect_module_sane(j, what.c_str());
        destroy_mod(j);
    };
    for (size_t length = 0; step > 0 && length <= whole.size(); length += step)
        check(Bytes(whole.begin(), whole.begin() + length), "prefix " + std::to_string(length));
    uint32_t seed = (uint32_t)whole.size();
    for (int round = 0; round < rounds && !whole.empty(); round++) {
        Bytes damaged = whole;
        for (int hit = 0; hit < hits; hit++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 8) % (span > 0 && span < damaged.size() ? span : damaged.size());
            seed = seed * 1103515245u + 12345u;
            damaged[at] = (unsigned char)(seed >> 16);
        }
        check(damaged, "damage round " + std::to_string(round));
    }
}
