// The JGM reader and writer: refusals with their messages, saved modules dumped
// as reviewed, modules the format cannot hold, failed writes. The fuzz replay
// saves and reloads every stream it loads.
#include <string.h>

#include <memory>

#include <gtest/gtest.h>

#include "jgmod.h"
#include "support/golden.h"
#include "support/jgm_stream.h"
#include "support/module_checks.h"
#include "support/module_builder.h"

namespace {

struct Destroy {
    void operator()(JGMOD *j) const { destroy_mod(j); }
};
typedef std::unique_ptr<JGMOD, Destroy> Module;

// The module saved, and the stream loaded again.
Module reloaded(const Module &module)
{
    int result = 0;
    Bytes bytes = save_jgm_bytes(module.get(), &result);
    EXPECT_EQ(result, 1) << jgmod_error;
    return Module(load_jgm_bytes(bytes));
}

JgmStream with_header(int channels, int orders, int samples, int patterns)
{
    JgmHeader h;
    h.channels = channels;
    h.orders = orders;
    h.samples = samples;
    h.patterns = patterns;
    JgmStream s;
    s.header(h).repeat(128, channels > 64 ? 0 : channels);
    return s.repeat(0, orders > 256 ? 0 : orders);
}

TEST(Jgm, RefusesCountsAndSizesOutsideTheFormat)
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
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Module(load_jgm_bytes(c.stream)), nullptr) << c.message;
        EXPECT_STREQ(jgmod_error, c.message);
    }
}

// Every frequency the reader makes (3579546 / period 1..32767) is stored as a
// period that gives it back.
TEST(Jgm, EveryReadableFrequencyRoundTripsThroughAPeriod)
{
    Module module(build_module(64, 1, 512, 1));
    NOTE_INFO *notes = module->pattern_info[0].notes;
    for (int period = 1; period <= 32767; period++)
        notes[period - 1].note = 3579546 / period;
    notes[32767].note = -2;
    Module j = reloaded(module);
    ASSERT_NE(j, nullptr);
    for (int cell = 0; cell < 32768; cell++)
        ASSERT_EQ(j->pattern_info[0].notes[cell].note, notes[cell].note) << "period " << cell + 1;
}

// Refusals write nothing; failed writes are reported.
TEST(Jgm, RefusesWhatTheFormatCannotHoldAndReportsWriteFailures)
{
    const struct {
        void (*apply)(JGMOD *j);
        const char *message;
    } cases[] = {
        {[](JGMOD *j) { j->flags = 0, get_note(j, 0, 0, 0)->note = 2000000; },
         "note frequency 2000000: no Amiga period gives it"},
        {[](JGMOD *j) { j->instrument_info[0].pan_env_sustain_end = 2; },
         "a sustain range (0 to 2): one point only"},
    };
    for (const auto &c : cases) {
        Module module(build_module(2, 1, 2, 1, XM_MODE, 1));
        c.apply(module.get());
        int result = 0;
        EXPECT_EQ(save_jgm_bytes(module.get(), &result).size(), 0u) << c.message;
        EXPECT_EQ(result, -1) << c.message;
        EXPECT_EQ(jgmod_error, std::string("JGM cannot hold ") + c.message);
    }
    Module module(build_module(4, 2, 64, 2));
    for (long limit : {0L, 200L}) {
        MemoryPackfile full;
        full.put_limit = limit;
        PACKFILE *f = full.open();
        EXPECT_EQ(save_jgm(f, module.get()), -1);
        pack_fclose(f);
        EXPECT_STREQ(jgmod_error, "Unable to write the JGM stream") << limit;
        EXPECT_EQ((long)full.bytes().size(), limit);
    }
}

// The saved streams, loaded again and dumped, against reviewed dumps accepted while a
// field-by-field comparison with the built modules passed: the writer and the reader
// are each other's inverse.
TEST(Jgm, SavedModulesDumpAsReviewed)
{
    install_allegro_for_files();
    Module module(build_module(8, 3, 64, 4, XM_MODE | PERIOD_MODE, 2));
    JGMOD *m = module.get();
    strcpy(module->name, "built");
    module->channel_pan[7] = 255;
    module->global_volume = 100;  // read back clamped to 64
    INSTRUMENT_INFO *instrument = &module->instrument_info[1];
    instrument->volume_env_sustain_start = instrument->volume_env_sustain_end = 3;
    instrument->pan_env_value[11] = 65535;
    module->sample_info[2].vibrato_rate = 255;
    module->sample_info[3].transpose = -128;
    for (int row = 0; row < 64; row++)
        set_cell(m, row % 3, row, row % 8, 1 + row % 2, 1 + row, row + 16, row % 40, 4 * row);
    set_cell(m, 1, 63, 7, 255, -2, 255, 255, 65535);
    Module runs(build_module(1, 1, 300, 0, XM_MODE));  // runs hold at most 127 cells
    for (int row = 0; row < 130; row++)
        get_note(runs.get(), 0, row, 0)->volume = 16 + row % 64;
    const std::pair<const char *, JGMOD *> cases[] = {{"jgm_built.json", m},
                                                      {"jgm_runs.json", runs.get()}};
    for (auto c : cases) {
        int result = 0;
        Bytes stream = save_jgm_bytes(c.second, &result);
        EXPECT_EQ(result, 1) << jgmod_error;
        EXPECT_TRUE(
            matches_golden(ZQ_SOURCE_DIR "/tests/golden/" + std::string(c.first), dump_of(stream)));
    }
}

}  // namespace
