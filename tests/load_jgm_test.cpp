// The JGM reader and writer: runs and note forms of a stream built byte by byte,
// refusals with their messages, the writer as the reader's exact inverse, modules
// the format cannot hold, failed writes.
#include <gtest/gtest.h>
#include <string.h>

#include "jgmod.h"
#include "support/jgm_stream.h"
#include "support/module_builder.h"
#include "support/module_checks.h"

namespace {

template <class T>
Bytes raw(const T *records, long count)
{
    const unsigned char *bytes = (const unsigned char *)records;
    return Bytes(bytes, bytes + sizeof(T) * (count > 0 ? count : 0));
}

typedef std::vector<long> V;

V sample_fields(const SAMPLE &s)
{
    return V({s.bits, s.stereo, s.freq, s.priority, (long)s.len, (long)s.loop_start,
              (long)s.loop_end});
}

// Only the used entries of the order table and pans count.
void expect_modules_equal(const JGMOD *e, const JGMOD *a)
{
    auto top = [](const JGMOD *j) {
        return V({j->flags, j->tempo, j->bpm, j->global_volume, j->restart_order, j->channel_count,
                  j->order_count, j->pattern_count, j->instrument_count, j->sample_count});
    };
    ASSERT_EQ(top(e), top(a));
    EXPECT_STREQ(e->name, a->name);
    EXPECT_EQ(raw(e->order_table, e->order_count), raw(a->order_table, e->order_count));
    EXPECT_EQ(raw(e->channel_pan, e->channel_count), raw(a->channel_pan, e->channel_count));
    EXPECT_EQ(raw(e->instrument_info, e->instrument_count),
              raw(a->instrument_info, e->instrument_count));
    EXPECT_EQ(raw(e->sample_info, e->sample_count), raw(a->sample_info, e->sample_count));
    for (int index = 0; index < e->sample_count; index++) {
        const SAMPLE &s = e->samples[index], &t = a->samples[index];
        EXPECT_EQ(sample_fields(s), sample_fields(t)) << index;
        EXPECT_EQ(raw((char *)s.data, s.len * s.bits / 8), raw((char *)t.data, t.len * t.bits / 8))
            << index;
    }
    for (int index = 0; index < e->pattern_count; index++) {
        const PATTERN_INFO &p = e->pattern_info[index], &q = a->pattern_info[index];
        long cells = p.row_count * e->channel_count;
        EXPECT_EQ(raw(p.notes, cells), raw(q.notes, q.row_count * e->channel_count)) << index;
    }
}

class JgmTest : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
    void TearDown() override
    {
        destroy_mod(j);
        destroy_mod(module);
    }
    JGMOD *load(const Bytes &bytes)
    {
        destroy_mod(j);
        return j = load_jgm_bytes(bytes);
    }
    void use(JGMOD *fresh)
    {
        destroy_mod(module);
        module = fresh;
    }
    Bytes save_and_reload()
    {
        int result = 0;
        Bytes bytes = save_jgm_bytes(module, &result);
        EXPECT_EQ(result, 1) << jgmod_error;
        EXPECT_NE(load(bytes), nullptr) << jgmod_error;
        return bytes;
    }
    JGMOD *j = nullptr, *module = nullptr;
};

// Runs cross rows; cut (-1) and key off (-2) stay; periods become 3579546 / period;
// note numbers are signed; a run past the last cell has its extra values read and dropped.
TEST_F(JgmTest, PlanesRunsAndNotes)
{
    JgmHeader h;
    h.patterns = 1, h.channels = 4;
    JgmStream s;
    s.header(h).repeat(128, 4).word(2);
    s.byte(0x02).byte(0x83).word(428).word(0).word(0xFFFF).byte(0x80).byte(0x83).word(0xFFFE)
        .word(1).word(0x7FFF);                         // notes
    s.byte(0x00).byte(0x85).repeat(9, 5).byte(0x03);   // samples: 0x00 covers nothing
    s.byte(0x08);                                      // volumes: all empty
    s.byte(0x07).byte(0x81).byte(0x0F);                // commands: only the last cell
    s.byte(0x81).word(0xFFFF).byte(0x07);              // parameters: only the first cell
    ASSERT_NE(load(s.data()), nullptr) << jgmod_error;
    const Cell expected[8] = {{9, 0, 0, 0, 65535}, {9, 0, 0, 0, 0}, {9, 8363, 0, 0, 0},
                              {9, 0, 0, 0, 0},     {9, -1, 0, 0, 0}, {0, -2, 0, 0, 0},
                              {0, 3579546, 0, 0, 0}, {0, 109, 0, 15, 0}};
    for (int cell = 0; cell < 8; cell++)
        EXPECT_EQ(cell_at(j, 0, cell / 4, cell % 4), expected[cell]) << "cell " << cell;

    h.channels = 2, h.flags = XM_MODE;
    JgmStream numbers;
    numbers.header(h).repeat(128, 2).word(1).byte(0x82).byte(0xFE).byte(96).repeat(0x02, 4);
    ASSERT_NE(load(numbers.data()), nullptr) << jgmod_error;
    EXPECT_EQ(get_note(j, 0, 0, 0)->note, -2);
    EXPECT_EQ(get_note(j, 0, 0, 1)->note, 96);
}

JgmStream with_header(int channels, int orders, int samples, int patterns)
{
    JgmHeader h;
    h.channels = channels, h.orders = orders, h.samples = samples, h.patterns = patterns;
    JgmStream s;
    s.header(h).repeat(128, channels > 64 ? 0 : channels);
    return s.repeat(0, orders > 256 ? 0 : orders);
}

TEST_F(JgmTest, RefusesCountsAndSizesOutsideTheFormat)
{
    Bytes header_cut = with_header(1, 0, 0, 0).data();
    header_cut.resize(67);
    const struct {
        Bytes stream;
        const char *message;
    } cases[] = {
        {header_cut, "JGM stream ends inside its header"},
        {with_header(65, 0, 0, 0).data(), "Bad JGM stream: channel count 65 (allowed 1 to 64)"},
        {with_header(4, 257, 0, 0).data(), "Bad JGM stream: order count 257 (allowed 0 to 256)"},
        {with_header(1, 0, 1, 0).dword(0x08000001L).data(),
         "Bad JGM stream: sample length 134217729 (allowed 0 to 134217728)"},
        {with_header(1, 0, 1, 0).sample(2, 0, 0, 64, 128, 0, 8363, 12, 0, Bytes(3, 0)).data(),
         "Bad JGM stream: 12 bits per sample point (8 or 16)"},
        {with_header(1, 0, 2, 0).dword(0).data(), "JGM stream ends before its sample length"},
        {with_header(2, 0, 0, 2).word(1).repeat(2, 5).data(),
         "JGM stream ends before its row count"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(load(c.stream), nullptr) << c.message;
        EXPECT_STREQ(jgmod_error, c.message);
    }
}

// The information name is the 28 name bytes and the next, unterminated.
TEST_F(JgmTest, Information)
{
    JgmHeader h;
    h.name = std::string(28, 'a');
    h.unused[0] = '!', h.unused[1] = '?';
    ScratchFile file(JgmStream().header(h).byte(128).data());
    MODULE_INFO info;
    memset(&info, 0x55, sizeof info);
    PACKFILE *f = jgmod_fopen(file.path(), "rb");
    EXPECT_EQ(get_jgm_info(f, &info), 1);
    jgmod_fclose(f);
    EXPECT_EQ(info.type, JGM_TYPE);
    EXPECT_EQ(std::string(info.name, 30), std::string(28, 'a') + "!\x55");
}

TEST_F(JgmTest, BuiltModulesComeBackFieldByFieldInShortRuns)
{
    use(build_module(8, 3, 64, 4, XM_MODE | PERIOD_MODE, 2));
    strcpy(module->name, "built");
    module->channel_pan[7] = 255;
    INSTRUMENT_INFO *instrument = &module->instrument_info[1];
    instrument->volume_env_sustain_start = instrument->volume_env_sustain_end = 3;
    instrument->pan_env_value[11] = 65535;
    module->sample_info[2].vibrato_rate = 255;
    module->sample_info[3].transpose = -128;
    for (int row = 0; row < 64; row++)
        set_cell(module, row % 3, row, row % 8, 1 + row % 2, 1 + row, row + 16, row % 40, row * 4);
    set_cell(module, 1, 63, 7, 255, -2, 255, 255, 65535);
    save_and_reload();
    expect_modules_equal(module, j);

    // runs hold at most 127 cells; empty runs carry no values
    use(build_module(1, 1, 300, 0, XM_MODE));
    for (int row = 0; row < 130; row++)
        get_note(module, 0, row, 0)->volume = 16 + row % 64;
    Bytes bytes = save_and_reload();
    expect_modules_equal(module, j);
    ASSERT_GT(bytes.size(), 78u + 134);
    // notes, samples: 127 + 127 + 46 empty; volumes: 127 values, 3, 170 empty
    Bytes runs(bytes.begin() + 72, bytes.begin() + 79);
    EXPECT_EQ(runs, Bytes({127, 127, 46, 127, 127, 46, 0xFF}));
    EXPECT_EQ(Bytes({bytes[78 + 128], bytes[78 + 132], bytes[78 + 133]}), Bytes({0x83, 127, 43}));
}

// Every frequency the reader makes (3579546 / period 1..32767) is stored as a
// period that gives it back.
TEST_F(JgmTest, EveryReadableFrequencyRoundTripsThroughAPeriod)
{
    use(build_module(64, 1, 512, 1));
    NOTE_INFO *notes = module->pattern_info[0].notes;
    for (int period = 1; period <= 32767; period++)
        notes[period - 1].note = 3579546 / period;
    notes[32767].note = -2;
    save_and_reload();
    ASSERT_NE(j, nullptr);
    for (int cell = 0; cell < 32768; cell++)
        ASSERT_EQ(j->pattern_info[0].notes[cell].note, notes[cell].note) << "period " << cell + 1;
}

// Refusals write nothing; failed writes are reported.
TEST_F(JgmTest, RefusesWhatTheFormatCannotHoldAndReportsWriteFailures)
{
    const struct {
        void (*apply)(JGMOD *j);
        const char *message;
    } cases[] = {
        {[](JGMOD *j) { get_note(j, 0, 0, 0)->note = 200; },
         "note number 200 (allowed -128 to 127)"},
        {[](JGMOD *j) { j->flags = 0, get_note(j, 0, 0, 0)->note = 2000000; },
         "note frequency 2000000: no Amiga period gives it"},
        {[](JGMOD *j) { j->samples[0].bits = 24; }, "24-bit samples (8 or 16 only)"},
        {[](JGMOD *j) { j->sample_info[0].loop_type = LOOP_FORWARD, j->samples[0].loop_end = 65; },
         "a loop (0 to 65) outside its sample of 64 frames"},
        {[](JGMOD *j) { j->instrument_info[0].pan_env_sustain_end = 2; },
         "a sustain range (0 to 2): one point only"},
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
        EXPECT_EQ(bytes.size(), 0u) << c.message;
    }
    use(build_module(4, 2, 64, 2));
    for (long limit : {0L, 68L, 200L}) {
        MemoryPackfile full;
        full.put_limit = limit;
        PACKFILE *f = full.open();
        EXPECT_EQ(save_jgm(f, module), -1);
        pack_fclose(f);
        EXPECT_STREQ(jgmod_error, "Unable to write the JGM stream") << limit;
        EXPECT_EQ((long)full.bytes().size(), limit);
    }
}

}  // namespace
