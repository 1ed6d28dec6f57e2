// The XM importer where the peer comparison cannot see: defaults, cells the
// builders do not write, effects, sample maps, envelopes, and reads bounded by
// what the file holds. The older layouts are in the peer comparison's set.
#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

JGMOD *load_plain(const char *path)
{
    return load_xm(path, 0);
}

struct XmImport : ImportTest {
    JGMOD *load(const XmFile &xm) { return load_bytes(build_xm(xm), load_plain); }
};

XmInstrument instrument_with(int samples, int map_all = 0)
{
    XmInstrument instrument;
    for (int index = 0; index < samples; index++)
        instrument.samples.push_back({1, 0, 0, 64, 0, 0, 128, 0, {(unsigned char)(index + 1)}});
    instrument.map.assign(96, map_all);
    return instrument;
}

// Speeds of 0; a restart past the song; the order table keeps 256 entries; the
// versions it does not know are refused.
TEST_F(XmImport, DefaultsAndVersions)
{
    XmFile xm;
    std::tie(xm.song_length, xm.restart, xm.tempo, xm.bpm) = std::make_tuple(300, 280, 0, 0);
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->tempo, 6);
    EXPECT_EQ(module->bpm, 125);
    EXPECT_EQ(module->restart_order, 0);
    EXPECT_EQ(module->order_count, 256);
    xm.version = 0x0105;
    EXPECT_EQ(load(xm), nullptr);
    EXPECT_STREQ(jgmod_error, "Unsupported XM version 0105");
}

// Each branch of the translation: a code of the player's own, none for an effect
// it lacks or an empty arpeggio, E x y kept, dropped or given a code above 0xFF.
TEST(XmEffects, EffectsBecomeThePlayersCommands)
{
    const int cases[][4] = {  // effect, parameter; command, parameter
        {1, 0x05, 0x1E, 0x05}, {10, 0x0F, 0x22, 0x0F}, {33, 0x15, 0x27, 0x15},
        {0, 0x37, 0x00, 0x37}, {0, 0x00, 0, 0}, {18, 0x11, 0, 0},
        {36, 0x11, 0, 0}, {-1, 0x11, 0, 0}, {14, 0x13, 0x0E, 0x113},
        {14, 0xB2, 0x0E, 0x142}, {14, 0x54, 0, 0}, {14, 0xE8, 0x0E, 0xE8},
    };
    for (auto c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << "/" << c[1]);
        int command = c[0], parameter = c[1];
        convert_xm_command(&command, &parameter);
        EXPECT_EQ(command, c[2]);
        EXPECT_EQ(parameter, c[3]);
    }
}

TEST_F(XmImport, EnvelopesAndTheirFixUps)
{
    XmInstrument in = instrument_with(1);
    in.volume_envelope = {{5, 64}, {10, 32}};
    in.pan_envelope = {{3, 32}, {6, 200}};
    in.volume_sustain = 1;
    std::tie(in.pan_points, in.pan_sustain, in.fadeout) = std::make_tuple(14, 30, 1024);
    XmInstrument on_without_points = instrument_with(1);
    on_without_points.volume_flags = 1;
    XmFile xm;
    xm.instruments = {in, on_without_points};
    ASSERT_NE(load(xm), nullptr);
    const INSTRUMENT_INFO *i = &module->instrument_info[0];
    EXPECT_EQ(i->volume_env_points, 2);
    EXPECT_EQ(i->volume_env_tick[0], 0);  // the first point always starts at tick 0
    EXPECT_EQ(i->volume_env_value[1], 32);
    EXPECT_EQ(i->volume_env_sustain_end, 1);  // the file's one sustain point
    EXPECT_EQ(i->fadeout, 1024);
    EXPECT_EQ(i->pan_env_points, 12);  // points stop at 12, values at 64
    EXPECT_EQ(i->pan_env_value[1], 64);
    EXPECT_EQ(i->pan_env_sustain_start, 11);  // indices past the points are pulled back
    EXPECT_EQ(module->instrument_info[1].volume_env_points, 1);  // switched on without points
}

// Cells stop at the pattern's packed data, not at the next pattern's header.
TEST_F(XmImport, CellsStopAtThePatternsPackedData)
{
    XmFile xm;
    xm.patterns.assign(2, XmPattern());
    xm.patterns[0].raw = {0x81, 5};  // one cell of 256
    xm.patterns[1].raw = {0x81, 7};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(cell_at(module, 0, 0, 1), Cell(0, 0, 0, 0, 0));
    EXPECT_EQ(get_note(module, 1, 0, 0)->note, 7);
}

}  // namespace
