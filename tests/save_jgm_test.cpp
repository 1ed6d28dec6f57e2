// The JGM writer: inverse of the reader, exact period round trip, run
// coding, and refusal of modules the format cannot hold. (Byte-for-byte
// round trips of whole streams are checked through modtool convert.)
#include <gtest/gtest.h>
#include <string.h>

#include "jgmod.h"
#include "support/jgm_stream.h"
#include "support/module_builder.h"

namespace {

typedef std::vector<long> V;

template <class T>
bool same(const T *e, const T *a, int count)
{
    return count <= 0 || memcmp(e, a, sizeof(T) * count) == 0;
}

V top(const JGMOD *j)
{
    return V({j->flags, j->tempo, j->bpm, j->global_volume, j->restart_order, j->channel_count,
              j->order_count, j->pattern_count, j->instrument_count, j->sample_count});
}

V fields(const SAMPLE &s)
{
    return V({s.bits, s.stereo, s.freq, s.priority, (long)s.len, (long)s.loop_start,
              (long)s.loop_end, (long)s.param});
}

// Field by field; only the used entries of the order table and pans count.
void expect_modules_equal(const JGMOD *e, const JGMOD *a)
{
    ASSERT_TRUE(e != nullptr && a != nullptr);
    ASSERT_EQ(top(e), top(a));
    EXPECT_STREQ(e->name, a->name);
    EXPECT_TRUE(same(e->order_table, a->order_table, e->order_count));
    EXPECT_TRUE(same(e->channel_pan, a->channel_pan, e->channel_count));
    EXPECT_TRUE(same(e->instrument_info, a->instrument_info, e->instrument_count));
    EXPECT_TRUE(same(e->sample_info, a->sample_info, e->sample_count));
    for (int index = 0; index < e->sample_count; index++) {
        const SAMPLE &s = e->samples[index], &t = a->samples[index];
        ASSERT_EQ(fields(s), fields(t)) << "sample " << index;
        EXPECT_TRUE(same((char *)s.data, (char *)t.data, s.len * (s.bits / 8))) << "sample " << index;
    }
    for (int index = 0; index < e->pattern_count; index++) {
        const PATTERN_INFO &p = e->pattern_info[index], &q = a->pattern_info[index];
        ASSERT_EQ(p.row_count, q.row_count) << "pattern " << index;
        EXPECT_TRUE(same(p.notes, q.notes, p.row_count * e->channel_count)) << "pattern " << index;
    }
}

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
    void use(JGMOD *fresh)
    {
        destroy_mod(module);
        module = fresh;
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
    JGMOD *module = nullptr;
    JGMOD *reloaded = nullptr;
};

TEST_F(SaveJgmTest, BuiltModulesComeBackFieldByField)
{
    module = build_module(8, 3, 64, 4, XM_MODE | PERIOD_MODE, 2);
    strcpy(module->name, "built");
    module->channel_pan[7] = 255;
    module->instrument_info[1].volume_env_sustain_start = module->instrument_info[1].volume_env_sustain_end = 3;
    module->instrument_info[1].pan_env_value[11] = 65535;
    module->sample_info[2].vibrato_rate = 255;
    module->sample_info[3].transpose = -128;
    for (int row = 0; row < 64; row++)
        set_cell(module, row % 3, row, row % 8, 1 + row % 2, 1 + row, row + 16, row % 0x28, row * 4);
    set_cell(module, 1, 63, 7, 255, -2, 255, 255, 65535);
    save_and_reload();
    expect_modules_equal(module, reloaded);
}

// Every frequency the reader makes from a period (3579546 / period, periods
// 1..32767) must be stored as a period that gives it back exactly.
TEST_F(SaveJgmTest, EveryReadableFrequencyRoundTripsThroughAPeriod)
{
    module = build_module(64, 1, 512, 1);
    NOTE_INFO *notes = module->pattern_info[0].notes;
    for (int period = 1; period <= 32767; period++)
        notes[period - 1].note = 3579546 / period;
    notes[32767].note = -2;
    save_and_reload();
    ASSERT_NE(reloaded, nullptr);
    int mismatches = 0;
    for (int cell = 0; cell < 32768; cell++) {
        int back = reloaded->pattern_info[0].notes[cell].note;
        if (back != notes[cell].note && mismatches++ < 5)
            ADD_FAILURE() << "frequency " << notes[cell].note << " came back as " << back;
    }
    EXPECT_EQ(mismatches, 0);
}

// The frequency 109 comes from periods 32542..32839 and only the smallest
// fits a positive note word; runs hold at most 127 cells and empty runs
// carry no values; an empty sample is only its length.
TEST_F(SaveJgmTest, PeriodRunAndEmptySampleLayouts)
{
    module = build_module(1, 1, 1, 0);
    set_cell(module, 0, 0, 0, 0, 109, 0, 0, 0);
    Bytes bytes = save_and_reload();
    EXPECT_EQ(Bytes(bytes.begin() + 72, bytes.end()), Bytes({0x81, 0x1E, 0x7F, 1, 1, 1, 1}));

    use(build_module(1, 1, 300, 0, XM_MODE));
    for (int row = 0; row < 130; row++)
        get_note(module, 0, row, 0)->volume = 16 + row % 64;
    bytes = save_and_reload();
    expect_modules_equal(module, reloaded);
    ASSERT_GT(bytes.size(), 78u + 134);
    // notes and samples: 127 + 127 + 46 empty cells; volumes: 127 values,
    // then 3, then 170 empty
    EXPECT_EQ(Bytes(bytes.begin() + 72, bytes.begin() + 79), Bytes({127, 127, 46, 127, 127, 46, 0xFF}));
    EXPECT_EQ(V({bytes[78 + 128], bytes[78 + 132], bytes[78 + 133]}), V({0x83, 127, 43}));

    use(build_module(1, 0, 0, 2));
    module->sample_info[0].length = module->samples[0].len = 0;
    module->sample_info[0].volume = 64;
    bytes = save_and_reload();
    ASSERT_EQ(bytes.size(), 68u + 1 + 4 + 23 + 64);
    EXPECT_EQ(Bytes(bytes.begin() + 69, bytes.begin() + 74), Bytes({0, 0, 0, 0, 64}));
}

// The MOD reader keeps the loop's length in SAMPLE_INFO and its end in the
// library sample: the stream keeps the library sample's loop, which is what
// the mixer plays.
TEST_F(SaveJgmTest, DifferingLoopPointsComeBackAsTheLibrarySamples)
{
    module = build_module(1, 0, 0, 1);
    module->sample_info[0].loop_start = module->samples[0].loop_start = 2;
    module->sample_info[0].loop_end = 30;
    module->sample_info[0].loop_type = LOOP_FORWARD;
    module->samples[0].loop_end = 32;
    save_and_reload();
    ASSERT_NE(reloaded, nullptr);
    const SAMPLE_INFO &si = reloaded->sample_info[0];
    EXPECT_EQ(V({si.loop_start, si.loop_end, (long)reloaded->samples[0].loop_start,
                 (long)reloaded->samples[0].loop_end}),
              V({2, 32, 2, 32}));
}

// Refusals write nothing. (Order table entries: see modtool's tests.)
TEST_F(SaveJgmTest, RefusesWhatTheFormatCannotHold)
{
    const char *const not_64_frames = "a sample whose data is not 64 mono frames";
    const struct {
        void (*apply)(JGMOD *j);
        const char *message;
    } cases[] = {
        {[](JGMOD *j) { j->channel_count = 65; }, "channel count 65 (allowed 1 to 64)"},
        {[](JGMOD *j) { j->order_count = 257; }, "order count 257 (allowed 0 to 256)"},
        {[](JGMOD *j) { j->tempo = 65536; }, "tempo 65536 (allowed 0 to 65535)"},
        {[](JGMOD *j) { j->channel_pan[1] = 256; }, "channel pan 256 (allowed 0 to 255)"},
        {[](JGMOD *j) { get_note(j, 0, 0, 0)->parameter = -1; }, "cell parameter -1 (allowed 0 to 65535)"},
        {[](JGMOD *j) { get_note(j, 0, 0, 0)->note = 200; }, "note number 200 (allowed -128 to 127)"},
        {[](JGMOD *j) { j->flags = 0, get_note(j, 0, 0, 0)->note = 108; },
         "note frequency 108: no Amiga period gives it"},
        {[](JGMOD *j) { j->flags = 0, get_note(j, 0, 0, 0)->note = 2000000; },
         "note frequency 2000000: no Amiga period gives it"},
        {[](JGMOD *j) { j->sample_info[0].transpose = 128; }, "transpose 128 (allowed -128 to 127)"},
        {[](JGMOD *j) { j->samples[0].bits = 24; }, "24-bit samples (8 or 16 only)"},
        {[](JGMOD *j) { j->samples[0].stereo = 1; }, not_64_frames},
        {[](JGMOD *j) { free(j->samples[0].data), j->samples[0].data = NULL; }, not_64_frames},
        {[](JGMOD *j) { j->samples[0].loop_start = 0x80000000ul; },
         "sample loop start 2147483648 (allowed 0 to 2147483647)"},
        {[](JGMOD *j) { j->sample_info[0].loop_type = LOOP_FORWARD, j->samples[0].loop_end = 65; },
         "a loop (0 to 65) outside its sample of 64 frames"},
        {[](JGMOD *j) { j->instrument_info[0].pan_env_sustain_end = 2; }, "a sustain range (0 to 2): one point only"},
        {[](JGMOD *j) { j->instrument_info[0].note_sample[95] = 256; },
         "instrument sample index 256 (allowed 0 to 255)"},
        {[](JGMOD *j) { j->pattern_info[0].row_count = 65536; }, "row count 65536 (allowed 0 to 65535)"},
        {[](JGMOD *j) { free(j->pattern_info[0].notes), j->pattern_info[0].notes = NULL; },
         "a pattern without its cells"},
        {[](JGMOD *j) { free(j->instrument_info), j->instrument_info = NULL; },
         "a module whose counts exceed its arrays"},
    };
    for (const auto &c : cases) {
        use(build_module(2, 1, 2, 1, XM_MODE, 1));
        c.apply(module);
        int result = 0;
        Bytes bytes = save_jgm_bytes(module, &result);
        EXPECT_EQ(result, -1) << c.message;
        EXPECT_EQ(jgmod_error, std::string("JGM cannot hold ") + c.message);
        EXPECT_TRUE(bytes.empty()) << c.message;
    }
}

TEST_F(SaveJgmTest, MissingArgumentsAndWriteFailuresAreReported)
{
    module = build_module(4, 2, 64, 2);
    EXPECT_EQ(save_jgm(NULL, module), -1);
    MemoryPackfile memory;
    PACKFILE *f = memory.open();
    EXPECT_EQ(save_jgm(f, NULL), -1);
    pack_fclose(f);
    EXPECT_STREQ(jgmod_error, "No module or no file to write the JGM stream to");
    for (long limit : {0L, 10L, 68L, 200L}) {
        MemoryPackfile full;
        full.put_limit = limit;
        f = full.open();
        strcpy(jgmod_error, "\n");
        EXPECT_EQ(save_jgm(f, module), -1);
        pack_fclose(f);
        EXPECT_STREQ(jgmod_error, "Unable to write the JGM stream") << limit;
        EXPECT_EQ((long)full.bytes().size(), limit);
    }
}

}  // namespace
