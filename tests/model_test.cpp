// The module records: initial player state, the constant tables, and the
// release of modules in any state of construction.
#include <math.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "jgmod_internal.h"

TEST(PlayerGlobals, FreshProgramHasNothingPlaying)
{
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(mi.playing, 0);
    for (int channel = 0; channel < MAX_ALLEG_VOICE; channel++) {
        EXPECT_EQ(voice_table[channel], -1) << "channel " << channel;
    }
    EXPECT_EQ(mod_volume, 255);
    EXPECT_STREQ(jgmod_error, "\n");
    EXPECT_EQ(enable_lasttrk_loop, -1);
    EXPECT_EQ(enable_m15, 0);
    EXPECT_EQ(fast_loading, -1);
}

TEST(ConstantTables, LinearTableFollowsItsRule)
{
    EXPECT_EQ(lintab[0], 535232u);
    EXPECT_EQ(lintab[384], 378466u);
    EXPECT_EQ(lintab[767], 267857u);
    for (int index = 0; index < 768; index++) {
        double exact = 535232.0 * pow(2.0, -index / 768.0);
        EXPECT_NEAR((double)lintab[index], floor(exact), 1.0) << "entry " << index;
        if (index > 0) {
            EXPECT_LT(lintab[index], lintab[index - 1]) << "entry " << index;
        }
    }
}

TEST(ConstantTables, AmigaTableEndsAndDescends)
{
    EXPECT_EQ(logtab[0], 29024);
    EXPECT_EQ(logtab[103], 13792);
    EXPECT_EQ(logtab[0], 32 * 907);
    for (int index = 1; index < 104; index++) {
        EXPECT_LT(logtab[index], logtab[index - 1]) << "entry " << index;
    }
    // One octave (96 eighth-semitones) up halves the period.
    EXPECT_NEAR(logtab[96] * 2.0, logtab[0], 64.0);
}

TEST(ConstantTables, NotePeriodsAndWaves)
{
    EXPECT_EQ(noteperiod[0], 4 * 1712);
    EXPECT_EQ(noteperiod[11], 3628);
    EXPECT_EQ(vib_table[0], 0);
    EXPECT_EQ(vib_table[16], 255);
    for (int step = 1; step < 16; step++) {
        EXPECT_EQ(vib_table[step], vib_table[32 - step]) << "the sine half is symmetric at " << step;
    }
    EXPECT_EQ(mod_finetune[0], 8363);
    EXPECT_EQ(mod_finetune[8], 7895);
}

static JGMOD *new_module(int samples, int patterns, int instruments)
{
    JGMOD *j = (JGMOD *)jgmod_calloc(sizeof(JGMOD));
    j->sample_count = samples;
    j->pattern_count = patterns;
    j->instrument_count = instruments;
    j->channel_count = 4;
    return j;
}

TEST(DestroyMod, AbsentModuleIsIgnored)
{
    destroy_mod(nullptr);
    SUCCEED();
}

TEST(DestroyMod, ReleasesModuleWithOnlyTheRecord)
{
    // Counts promise arrays that were never allocated: nothing may be freed twice or read.
    destroy_mod(new_module(5, 7, 2));
}

TEST(DestroyMod, ReleasesPartlyFilledArrays)
{
    JGMOD *j = new_module(3, 3, 1);
    j->instrument_info = (INSTRUMENT_INFO *)jgmod_calloc(sizeof(INSTRUMENT_INFO));
    j->samples = (SAMPLE *)jgmod_calloc(3 * sizeof(SAMPLE));
    j->sample_info = (SAMPLE_INFO *)jgmod_calloc(3 * sizeof(SAMPLE_INFO));
    j->samples[0].data = jgmod_calloc(100);  // samples 1 and 2 were never reached
    j->pattern_info = (PATTERN_INFO *)jgmod_calloc(3 * sizeof(PATTERN_INFO));
    j->pattern_info[0].notes = (NOTE_INFO *)jgmod_calloc(64 * 4 * sizeof(NOTE_INFO));
    destroy_mod(j);  // the sanitizer build reports any leak or double free
}

TEST(ModuleCells, GetNoteAddressesRowMajorCells)
{
    JGMOD *j = new_module(0, 1, 0);
    j->pattern_info = (PATTERN_INFO *)jgmod_calloc(sizeof(PATTERN_INFO));
    j->pattern_info[0].row_count = 2;
    j->pattern_info[0].notes = (NOTE_INFO *)jgmod_calloc(2 * 4 * sizeof(NOTE_INFO));
    EXPECT_EQ(get_note(j, 0, 0, 0), &j->pattern_info[0].notes[0]);
    EXPECT_EQ(get_note(j, 0, 1, 3), &j->pattern_info[0].notes[7]);
    EXPECT_EQ(get_note(j, 0, 1, 0), &j->pattern_info[0].notes[4]);
    destroy_mod(j);
}

TEST(Allocation, ZeroBytesYieldsAValidBlock)
{
    void *block = jgmod_calloc(0);
    EXPECT_NE(block, nullptr);
    free(block);
    EXPECT_EQ(jgmod_calloc(-1), nullptr);
}
