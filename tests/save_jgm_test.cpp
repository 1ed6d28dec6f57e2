// The JGM writer: byte-exact inverse of the reader, exact period round trip,
// run coding, and refusal of modules the format cannot hold.
#include <gtest/gtest.h>
#include <string.h>

#include "jgmod.h"
#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/module_compare.h"

namespace {

class SaveJgmTest : public testing::Test {
protected:
    void SetUp() override
    {
        install_allegro_for_files();
        strcpy(jgmod_error, "\n");
    }
    void TearDown() override
    {
        destroy_mod(module);
        destroy_mod(reloaded);
    }
    // Saves `module`, expects success, and loads the bytes back.
    Bytes save_and_reload()
    {
        int result = 0;
        Bytes bytes = save_jgm_bytes(module, &result);
        EXPECT_EQ(result, 1) << jgmod_error;
        destroy_mod(reloaded);
        reloaded = load_jgm_bytes(bytes);
        EXPECT_NE(reloaded, nullptr) << jgmod_error;
        return bytes;
    }
    // Saves `module` and expects a refusal with this message and no bytes.
    void expect_refused(const char *message)
    {
        int result = 0;
        Bytes bytes = save_jgm_bytes(module, &result);
        EXPECT_EQ(result, -1);
        EXPECT_STREQ(jgmod_error, message);
        EXPECT_TRUE(bytes.empty()) << "a refused module left " << bytes.size() << " bytes";
    }
    JGMOD *module = nullptr;
    JGMOD *reloaded = nullptr;
};

TEST_F(SaveJgmTest, StreamsComeBackByteForByte)
{
    for (const JgmStream &s : {example_note_number_stream(), example_period_stream()}) {
        destroy_mod(module);
        module = load_jgm_bytes(s.data());
        ASSERT_NE(module, nullptr) << jgmod_error;
        Bytes bytes = save_and_reload();
        for (size_t at = 0; at < bytes.size() && at < s.size(); at++)
            ASSERT_EQ(bytes[at], s.data()[at]) << "byte " << at;
        EXPECT_EQ(bytes.size(), s.size());
        expect_modules_equal(module, reloaded);
    }
}

TEST_F(SaveJgmTest, BuiltModulesComeBackFieldByField)
{
    module = build_module(8, 3, 64, 4, XM_MODE | PERIOD_MODE, 2);
    strcpy(module->name, "built");
    module->channel_pan[7] = 255;
    module->instrument_info[1].volume_env_sustain_start = 3;
    module->instrument_info[1].volume_env_sustain_end = 3;
    module->instrument_info[1].pan_env_value[11] = 65535;
    module->sample_info[2].vibrato_rate = 255;
    module->sample_info[3].transpose = -128;
    for (int row = 0; row < 64; row++)
        set_cell(module, row % 3, row, row % 8, 1 + row % 2, 1 + row, row + 16, row % 0x28, row * 4);
    set_cell(module, 1, 63, 7, 255, -2, 255, 255, 65535);
    save_and_reload();
    expect_modules_equal(module, reloaded);
}

// Every frequency value the reader makes from a period (3579546 / period,
// periods 1..32767) must be stored as a period that gives it back exactly.
TEST_F(SaveJgmTest, EveryReadableFrequencyRoundTripsThroughAPeriod)
{
    module = build_module(64, 1, 512, 1);
    NOTE_INFO *notes = module->pattern_info[0].notes;
    for (int period = 1; period <= 32767; period++)
        notes[period - 1].note = 3579546 / period;
    notes[32767].note = -2;
    save_and_reload();
    ASSERT_NE(reloaded, nullptr);
    const NOTE_INFO *back = reloaded->pattern_info[0].notes;
    int mismatches = 0;
    for (int cell = 0; cell < 32768; cell++) {
        if (back[cell].note != notes[cell].note && mismatches++ < 5)
            ADD_FAILURE() << "frequency " << notes[cell].note << " came back as "
                          << back[cell].note;
    }
    EXPECT_EQ(mismatches, 0);
}

// The period chosen must fit the 15 bits of a positive note word: the
// frequency 109 comes from the periods 32542 to 32839, and the largest of
// those does not fit.
TEST_F(SaveJgmTest, LowestFrequencyIsStoredWithTheSmallestPeriod)
{
    module = build_module(1, 1, 1, 0);
    set_cell(module, 0, 0, 0, 0, 109, 0, 0, 0);
    Bytes bytes = save_and_reload();
    ASSERT_EQ(bytes.size(), 68u + 1 + 1 + 2 + 3 + 4);
    const unsigned char notes[] = {0x81, 0x1E, 0x7F};  // 32542
    EXPECT_EQ(memcmp(&bytes[72], notes, 3), 0);
}

TEST_F(SaveJgmTest, FrequenciesWithoutAPeriodAreRefused)
{
    for (int frequency : {108, 2000000, 3579547}) {
        SCOPED_TRACE(frequency);
        destroy_mod(module);
        module = build_module(1, 1, 1, 0);
        set_cell(module, 0, 0, 0, 0, frequency, 0, 0, 0);
        char message[80];
        snprintf(message, sizeof message,
                 "JGM cannot hold note frequency %d: no Amiga period gives it", frequency);
        expect_refused(message);
    }
}

TEST_F(SaveJgmTest, RunsAreAtMost127CellsAndZeroRunsCarryNoValues)
{
    module = build_module(1, 1, 300, 0, XM_MODE);
    for (int row = 0; row < 300; row++)
        set_cell(module, 0, row, 0, 0, 0, 0, 0, 0);
    for (int row = 0; row < 130; row++)
        get_note(module, 0, row, 0)->volume = 16 + row % 64;
    Bytes bytes = save_and_reload();
    expect_modules_equal(module, reloaded);
    size_t at = 68 + 1 + 1 + 2;
    EXPECT_EQ(bytes[at], 0x7F);  // notes: 127 + 127 + 46 empty cells
    EXPECT_EQ(bytes[at + 1], 0x7F);
    EXPECT_EQ(bytes[at + 2], 46);
    at += 6;                     // samples, likewise
    EXPECT_EQ(bytes[at], 0xFF);  // volumes: 127 values, then 3, then 170 empty
    EXPECT_EQ(bytes[at + 128], 0x83);
    EXPECT_EQ(bytes[at + 132], 127);
    EXPECT_EQ(bytes[at + 133], 43);
}

// The MOD reader keeps the loop's length in SAMPLE_INFO and its end in the
// library sample: the stream keeps the library sample's loop, which is what
// the mixer plays.
TEST_F(SaveJgmTest, DifferingLoopPointsComeBackAsTheLibrarySamples)
{
    module = build_module(1, 0, 0, 1);
    module->sample_info[0].loop_start = 2;
    module->sample_info[0].loop_end = 30;
    module->sample_info[0].loop_type = LOOP_FORWARD;
    module->samples[0].loop_start = 2;
    module->samples[0].loop_end = 32;
    save_and_reload();
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->sample_info[0].loop_start, 2);
    EXPECT_EQ(reloaded->sample_info[0].loop_end, 32);
    EXPECT_EQ(reloaded->samples[0].loop_start, 2u);
    EXPECT_EQ(reloaded->samples[0].loop_end, 32u);
    EXPECT_EQ(memcmp(reloaded->samples[0].data, module->samples[0].data, 64), 0);
}

TEST_F(SaveJgmTest, EmptySampleKeepsOnlyItsLength)
{
    module = build_module(1, 0, 0, 2);
    module->sample_info[0].length = 0;
    module->sample_info[0].volume = 64;
    module->samples[0].len = 0;
    int result = 0;
    Bytes bytes = save_jgm_bytes(module, &result);
    ASSERT_EQ(result, 1) << jgmod_error;
    ASSERT_EQ(bytes.size(), 68u + 1 + 4 + 23 + 64);
    EXPECT_EQ(bytes[69] | bytes[70] | bytes[71] | bytes[72], 0);
    EXPECT_EQ(bytes[73], 64);  // the next sample's length follows at once
}

struct Breakage {
    const char *name;
    void (*apply)(JGMOD *j);
    const char *message;
};

TEST_F(SaveJgmTest, RefusesWhatTheFormatCannotHold)
{
    const Breakage cases[] = {
        {"65 channels", [](JGMOD *j) { j->channel_count = 65; },
         "JGM cannot hold channel count 65 (allowed 1 to 64)"},
        {"257 orders", [](JGMOD *j) { j->order_count = 257; },
         "JGM cannot hold order count 257 (allowed 0 to 256)"},
        {"tempo", [](JGMOD *j) { j->tempo = 65536; },
         "JGM cannot hold tempo 65536 (allowed 0 to 65535)"},
        {"pan", [](JGMOD *j) { j->channel_pan[1] = 256; },
         "JGM cannot hold channel pan 256 (allowed 0 to 255)"},
        {"order", [](JGMOD *j) { j->order_table[0] = -1; },
         "JGM cannot hold order table entry -1 (allowed 0 to 255)"},
        {"volume", [](JGMOD *j) { get_note(j, 0, 1, 1)->volume = 256; },
         "JGM cannot hold cell volume 256 (allowed 0 to 255)"},
        {"parameter", [](JGMOD *j) { get_note(j, 0, 0, 0)->parameter = -1; },
         "JGM cannot hold cell parameter -1 (allowed 0 to 65535)"},
        {"note number", [](JGMOD *j) { get_note(j, 0, 0, 0)->note = 200; },
         "JGM cannot hold note number 200 (allowed -128 to 127)"},
        {"transpose", [](JGMOD *j) { j->sample_info[0].transpose = 128; },
         "JGM cannot hold transpose 128 (allowed -128 to 127)"},
        {"bits", [](JGMOD *j) { j->samples[0].bits = 24; },
         "JGM cannot hold 24-bit samples (8 or 16 only)"},
        {"stereo", [](JGMOD *j) { j->samples[0].stereo = 1; },
         "JGM cannot hold a sample whose data is not 64 mono frames"},
        {"no data", [](JGMOD *j) { free(j->samples[0].data); j->samples[0].data = NULL; },
         "JGM cannot hold a sample whose data is not 64 mono frames"},
        {"lengths differ", [](JGMOD *j) { j->samples[0].len = 32; },
         "JGM cannot hold a sample whose data is not 64 mono frames"},
        {"huge loop", [](JGMOD *j) { j->samples[0].loop_start = 0x80000000ul; },
         "JGM cannot hold sample loop start 2147483648 (allowed 0 to 2147483647)"},
        {"loop past the data",
         [](JGMOD *j) {
             j->sample_info[0].loop_type = LOOP_FORWARD;
             j->samples[0].loop_end = 65;
         },
         "JGM cannot hold a loop (0 to 65) outside its sample of 64 frames"},
        {"sustain range",
         [](JGMOD *j) { j->instrument_info[0].pan_env_sustain_end = 2; },
         "JGM cannot hold a sustain range (0 to 2): one point only"},
        {"envelope points", [](JGMOD *j) { j->instrument_info[0].volume_env_points = 300; },
         "JGM cannot hold envelope point count 300 (allowed 0 to 255)"},
        {"note sample", [](JGMOD *j) { j->instrument_info[0].note_sample[95] = 256; },
         "JGM cannot hold instrument sample index 256 (allowed 0 to 255)"},
        {"rows", [](JGMOD *j) { j->pattern_info[0].row_count = 65536; },
         "JGM cannot hold row count 65536 (allowed 0 to 65535)"},
        {"missing cells",
         [](JGMOD *j) { free(j->pattern_info[0].notes); j->pattern_info[0].notes = NULL; },
         "JGM cannot hold a pattern without its cells"},
        {"missing instruments",
         [](JGMOD *j) { free(j->instrument_info); j->instrument_info = NULL; },
         "JGM cannot hold a module whose counts exceed its arrays"},
    };
    for (const Breakage &c : cases) {
        SCOPED_TRACE(c.name);
        destroy_mod(module);
        module = build_module(2, 1, 2, 1, XM_MODE, 1);
        c.apply(module);
        expect_refused(c.message);
    }
}

TEST_F(SaveJgmTest, NoModuleOrNoFileIsRefused)
{
    module = build_module(1, 0, 0, 0);
    EXPECT_EQ(save_jgm(NULL, module), -1);
    MemoryPackfile memory;
    PACKFILE *f = memory.open();
    EXPECT_EQ(save_jgm(f, NULL), -1);
    pack_fclose(f);
    EXPECT_STREQ(jgmod_error, "No module or no file to write the JGM stream to");
}

TEST_F(SaveJgmTest, WriteFailureIsReported)
{
    module = build_module(4, 2, 64, 2);
    for (long limit : {0L, 10L, 68L, 200L}) {
        SCOPED_TRACE(limit);
        MemoryPackfile memory;
        memory.put_limit = limit;
        PACKFILE *f = memory.open();
        strcpy(jgmod_error, "\n");
        EXPECT_EQ(save_jgm(f, module), -1);
        pack_fclose(f);
        EXPECT_STREQ(jgmod_error, "Unable to write the JGM stream");
        EXPECT_EQ((long)memory.bytes().size(), limit);
    }
}

}  // namespace
