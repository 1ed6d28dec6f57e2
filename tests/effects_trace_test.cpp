// Effects as the tick engine runs them: the interactions between handlers,
// the rows and the voices that unit tests of one handler cannot show.
#include <vector>

#include <gtest/gtest.h>

#include "support/player_fixture.h"

namespace {

typedef std::vector<int> Ints;

class EffectsTrace : public PlayerFixture {
protected:
    const RecordedVoice &voice_of(int channel) { return recorded_voice(voice_table[channel]); }

    // A note-number module of one pattern with a note on channel 0, row 0.
    JGMOD *xm_module(int rows, int instruments = 1)
    {
        JGMOD *j = keep(build_module(4, 1, rows, 1, XM_MODE | LINEAR_MODE, instruments));
        set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
        return j;
    }
};

struct Command { int pattern, row, channel, command, parameter; };

// Rows started, as order * 100 + row, for loops, jumps and breaks in a period
// module of one tick per row.
TEST_F(EffectsTrace, LoopsJumpsAndBreaksChooseTheRowsPlayed)
{
    struct Case {
        const char *what;
        int patterns, rows;
        std::vector<Command> commands;
        Ints played;
    } cases[] = {
        {"loop plays its rows count + 1 times", 1, 5,
         {{0, 1, 0, 0x0E, 0x60}, {0, 2, 0, 0x0E, 0x62}}, {0, 1, 2, 1, 2, 1, 2, 3, 4}},
        {"a second loop end loops from after the first", 1, 6,
         {{0, 1, 0, 0x0E, 0x61}, {0, 3, 0, 0x0E, 0x61}}, {0, 1, 0, 1, 2, 3, 2, 3, 4, 5}},
        {"loops are per channel, nested", 1, 6,
         {{0, 0, 0, 0x0E, 0x60}, {0, 1, 1, 0x0E, 0x60}, {0, 2, 1, 0x0E, 0x61},
          {0, 3, 0, 0x0E, 0x61}},
         {0, 1, 2, 1, 2, 3, 0, 1, 2, 1, 2, 3, 4, 5}},
        {"the loop start is forgotten on the next order", 2, 3,
         {{0, 1, 0, 0x0E, 0x61}, {1, 2, 0, 0x0E, 0x61}},
         {0, 1, 0, 1, 2, 100, 101, 102, 100, 101, 102}},
        {"jump and break in one row", 3, 20, {{0, 0, 0, 0x0B, 2}, {0, 0, 1, 0x0D, 0x16}},
         {0, 216, 217, 218, 219}},
        {"break before jump in one row", 3, 20, {{0, 0, 0, 0x0D, 0x16}, {0, 0, 3, 0x0B, 2}},
         {0, 216, 217, 218, 219}},
    };
    for (const Case &k : cases) {
        JGMOD *j = keep(build_module(4, k.patterns, k.rows, 1));
        j->tempo = 1;
        for (const Command &c : k.commands)
            set_command(j, c.pattern, c.row, c.channel, c.command, c.parameter);
        play_mod(j, 0);
        Ints seen;
        for (int call = 0; call < 50 && of != nullptr; call++) {
            mod_interrupt();
            if (of != nullptr && mi.tick == 0)
                seen.push_back(mi.order * 100 + mi.row);
        }
        EXPECT_EQ(seen, k.played) << k.what;
        EXPECT_EQ(is_mod_playing(), 0) << k.what;
    }
}

TEST_F(EffectsTrace, PanAndVolumeColumnSlidesAreClamped)
{
    JGMOD *j = xm_module(4);
    set_cell(j, 0, 0, 0, 1, 49, 0x6F, 0, 0);
    set_cell(j, 0, 0, 1, 0, 0, 0, 0x26, 0xF0);
    j->channel_pan[1] = 240;
    play_mod(j, 0);
    Ints volumes;
    for (int tick = 0; tick < 6; tick++) {
        mod_interrupt();
        volumes.push_back(ci[0].volume);
    }
    EXPECT_EQ(volumes, (Ints{64, 49, 34, 19, 4, 0}));
    EXPECT_EQ(ci[1].pan, 255);
    EXPECT_EQ(voice_of(1).pan, 255);
    set_cell(j, 0, 1, 1, 0, 0, 0, 0x26, 0x0F);
    run_ticks(6);  // five slides of row 1
    EXPECT_EQ(ci[1].pan, 180);
}

TEST_F(EffectsTrace, KeyOffSilencesAtOnceWithoutEnvelopeAndFadesOutWithOne)
{
    JGMOD *j = xm_module(24, 2);
    INSTRUMENT_INFO &ii = j->instrument_info[0];  // sustains at 64; instrument 2 has none
    ii.volume_env_points = 2;
    ii.volume_env_tick[1] = 10;
    ii.volume_env_value[0] = ii.volume_env_value[1] = 64;
    ii.volume_env_flags = 1 | 2;
    ii.fadeout = 4096;
    set_cell(j, 0, 1, 0, 0, NOTE_KEY_OFF, 0, 0, 0);
    set_cell(j, 0, 3, 0, 1, 49, 0, 0, 0);
    set_cell(j, 0, 0, 1, 2, 49, 0, 0, 0);
    set_cell(j, 0, 1, 1, 0, NOTE_KEY_OFF, 0, 0, 0);
    set_cell(j, 0, 0, 2, 2, 49, 0, 0, 0);
    set_command(j, 0, 1, 2, 0x24, 0);  // the key-off command
    play_mod(j, 0);
    run_ticks(6);
    Ints fade;
    for (int tick = 0; tick < 12; tick++) {
        mod_interrupt();
        fade.push_back(voice_of(0).volume);
        EXPECT_EQ(voice_of(1).volume + voice_of(2).volume, 0) << "tick " << tick;
    }
    EXPECT_EQ(fade, (Ints{255, 223, 191, 159, 127, 95, 63, 31, 0, 0, 0, 0}));
    EXPECT_EQ(ci[1].key_off, -1);
    mod_interrupt();
    EXPECT_EQ(voice_of(0).volume, 255) << "a new note restores the fade";
    EXPECT_EQ(ci[0].key_off, 0);
}

TEST_F(EffectsTrace, ExtraFineMemoriesSurviveANewSong)
{
    int period = 0;
    for (int memory : {0, 1}) {  // the second song's 0 parameters use the first's
        JGMOD *j = xm_module(4);
        set_cell(j, 0, 0, 0, 1, 49, 0, 0x27, memory ? 0x10 : 0x13);
        set_cell(j, 0, 0, 1, 1, 49, 0, 0x27, memory ? 0x20 : 0x25);
        play_mod(j, 0);
        period = period ? period : note2period(48, 128);
        mod_interrupt();
        EXPECT_EQ(ci[0].period, period - 3);
        EXPECT_EQ(ci[1].period, period + 5);
    }
    EXPECT_EQ(ci[0].xm_fine_up_memory, 0) << "the other memories do start afresh";
}

// Every effect that repeats its last parameter, given 0 before it ever had
// one, leaves the note as it started.
TEST_F(EffectsTrace, ZeroParametersWithNoMemoryYetChangeNothing)
{
    const int commands[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0A, 0x11,
                            0x12, 0x13, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B, 0x1E, 0x1F,
                            0x20, 0x21, 0x22, 0x23, 0x26, 0x27};
    for (int flags : {0, XM_MODE | LINEAR_MODE, XM_MODE | PERIOD_MODE}) {
        for (int command : commands) {
            JGMOD *j = keep(build_module(4, 1, 2, 1, flags, flags & XM_MODE ? 1 : 0));
            set_cell(j, 0, 0, 0, 1, flags ? 49 : 8363, 0, 0, 0);
            set_cell(j, 0, 1, 0, 0, 0, 0, command, 0);
            play_mod(j, 0);
            run_ticks(6);
            int period = ci[0].period;
            for (int tick = 0; tick < 6; tick++) {
                mod_interrupt();
                CHANNEL_STATE &c = ci[0];
                EXPECT_TRUE(c.period == period && c.tick_period == period && c.tick_volume == 64 &&
                            c.tick_pan == 128 && mi.global_volume == 64 && c.trigger == 0)
                    << std::hex << "flags " << flags << " command " << command << " tick " << tick;
            }
        }
    }
}

}  // namespace
