// Effects as the tick engine runs them: the interactions between handlers,
// the rows and the voices that unit tests of one handler cannot show.
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/player_fixture.h"

namespace {

typedef std::vector<std::pair<int, int>> Positions;  // (order, row) at each row start

class EffectsTrace : public PlayerFixture {
protected:
    // Runs the song until it stops or `calls` ticks have passed and lists the
    // position of every row started.
    Positions rows_played(int calls)
    {
        Positions seen;
        for (int call = 0; call < calls && of != nullptr; call++) {
            mod_interrupt();
            if (of != nullptr && mi.tick == 0)
                seen.push_back({mi.order, mi.row});
        }
        return seen;
    }

    // A period module of `rows` rows per pattern, one tick per row.
    JGMOD *row_module(int patterns, int rows)
    {
        JGMOD *j = keep(build_module(4, patterns, rows, 1));
        j->tempo = 1;
        return j;
    }

    const RecordedVoice &voice_of(int channel) { return recorded_voice(voice_table[channel]); }

    // Voice volumes of one channel over `calls` ticks.
    std::vector<int> volumes(int channel, int calls)
    {
        std::vector<int> seen;
        for (int call = 0; call < calls; call++) {
            mod_interrupt();
            seen.push_back(voice_of(channel).volume);
        }
        return seen;
    }
};

Positions rows_of_order(int order, std::vector<int> rows)
{
    Positions positions;
    for (int row : rows)
        positions.push_back({order, row});
    return positions;
}

TEST_F(EffectsTrace, PatternLoopPlaysItsRowsCountPlusOneTimes)
{
    JGMOD *j = row_module(1, 5);
    set_command(j, 0, 1, 0, 0x0E, 0x60);
    set_command(j, 0, 2, 0, 0x0E, 0x62);
    play_mod(j, 0);
    EXPECT_EQ(rows_played(50), rows_of_order(0, {0, 1, 2, 1, 2, 1, 2, 3, 4}));
}

TEST_F(EffectsTrace, ASecondLoopEndOnTheSameChannelLoopsFromAfterTheFirst)
{
    JGMOD *j = row_module(1, 6);
    set_command(j, 0, 1, 0, 0x0E, 0x61);
    set_command(j, 0, 3, 0, 0x0E, 0x61);
    play_mod(j, 0);
    EXPECT_EQ(rows_played(50), rows_of_order(0, {0, 1, 0, 1, 2, 3, 2, 3, 4, 5}));
}

TEST_F(EffectsTrace, PatternLoopsArePerChannel)
{
    // Channel 1's loop nests inside channel 0's; each keeps its own start and count.
    JGMOD *j = row_module(1, 6);
    set_command(j, 0, 0, 0, 0x0E, 0x60);
    set_command(j, 0, 1, 1, 0x0E, 0x60);
    set_command(j, 0, 2, 1, 0x0E, 0x61);
    set_command(j, 0, 3, 0, 0x0E, 0x61);
    play_mod(j, 0);
    EXPECT_EQ(rows_played(50), rows_of_order(0, {0, 1, 2, 1, 2, 3, 0, 1, 2, 1, 2, 3, 4, 5}));
}

TEST_F(EffectsTrace, PatternLoopStateIsClearedOnTheNextOrder)
{
    JGMOD *j = row_module(2, 3);
    set_command(j, 0, 1, 0, 0x0E, 0x61);  // loop start 0, loops once
    set_command(j, 1, 2, 0, 0x0E, 0x61);  // loop start forgotten: row 0 of order 1
    play_mod(j, 0);
    Positions expected = {{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2},
                          {1, 0}, {1, 1}, {1, 2}, {1, 0}, {1, 1}, {1, 2}};
    EXPECT_EQ(rows_played(50), expected);
}

TEST_F(EffectsTrace, JumpAndBreakInOneRowGoToTheJumpsOrderAndTheBreaksRow)
{
    JGMOD *j = row_module(3, 20);
    set_command(j, 0, 0, 0, 0x0B, 2);
    set_command(j, 0, 0, 1, 0x0D, 0x16);
    play_mod(j, 0);
    Positions expected = {{0, 0}, {2, 16}, {2, 17}, {2, 18}, {2, 19}};
    EXPECT_EQ(rows_played(50), expected);
}

TEST_F(EffectsTrace, BreakBeforeJumpInOneRowEndsTheSameWay)
{
    JGMOD *j = row_module(3, 20);
    set_command(j, 0, 0, 0, 0x0D, 0x16);
    set_command(j, 0, 0, 3, 0x0B, 2);
    play_mod(j, 0);
    Positions expected = {{0, 0}, {2, 16}, {2, 17}, {2, 18}, {2, 19}};
    EXPECT_EQ(rows_played(50), expected);
}

TEST_F(EffectsTrace, JumpOnTheLastOrderIsIgnoredWhenSwitchedOff)
{
    JGMOD *j = row_module(2, 2);
    set_command(j, 1, 1, 0, 0x0B, 0);
    enable_lasttrk_loop = 0;
    play_mod(j, 0);
    Positions expected = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    EXPECT_EQ(rows_played(50), expected);
    EXPECT_EQ(is_mod_playing(), 0);
}

TEST_F(EffectsTrace, BreakFarBeyondTheNextPatternStartsItAtTheTop)
{
    JGMOD *j = row_module(2, 4);
    set_command(j, 0, 0, 0, 0x0D, 0x63);
    play_mod(j, 0);
    Positions expected = {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 3}};
    EXPECT_EQ(rows_played(50), expected);
}

TEST_F(EffectsTrace, NoteDelayStartsTheVoiceOnItsTick)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x0E, 0xD2);
    play_mod(j, 0);
    int voice = voice_table[0];
    std::vector<int> starts;
    for (int tick = 0; tick < 4; tick++) {
        mod_interrupt();
        starts.push_back(recorded_voice(voice).starts);
    }
    int before = starts[0];
    EXPECT_EQ(starts, (std::vector<int>{before, before, before + 1, before + 1}));
    EXPECT_EQ(recorded_voice(voice).sample, &j->samples[0]);
}

TEST_F(EffectsTrace, NoteCutSilencesOnItsTick)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x0E, 0xC3);
    play_mod(j, 0);
    EXPECT_EQ(volumes(0, 5), (std::vector<int>{255, 255, 255, 0, 0}));
}

TEST_F(EffectsTrace, RetriggerRestartsTheSampleOnEveryMultiple)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x0E, 0x92);
    play_mod(j, 0);
    mod_interrupt();
    int after_note = voice_of(0).starts;
    run_ticks(5);
    EXPECT_EQ(voice_of(0).starts, after_note + 2) << "ticks 2 and 4";
}

TEST_F(EffectsTrace, TonePortamentoReachesAndHoldsItsTargetAcrossRows)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);          // period 1712
    set_cell(j, 0, 1, 0, 0, 10000, 0, 0x03, 0x20);   // target 14318184 / 9999 = 1431
    set_cell(j, 0, 2, 0, 0, 0, 0, 0x03, 0);          // keeps target and speed
    play_mod(j, 0);
    run_ticks(6);
    std::vector<int> periods;
    for (int tick = 0; tick < 12; tick++) {
        mod_interrupt();
        periods.push_back(ci[0].period);
    }
    EXPECT_EQ(periods, (std::vector<int>{1712, 1584, 1456, 1431, 1431, 1431,  //
                                         1431, 1431, 1431, 1431, 1431, 1431}));
    EXPECT_EQ(voice_of(0).frequency, 14318184 / 1431);
}

TEST_F(EffectsTrace, PanSlideIsClampedAtTheVoiceUpdate)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    j->channel_pan[0] = 240;
    set_cell(j, 0, 0, 0, 0, 0, 0, 0x26, 0xF0);
    play_mod(j, 0);
    run_ticks(3);
    EXPECT_EQ(ci[0].pan, 255);
    EXPECT_EQ(voice_of(0).pan, 255);
    set_cell(j, 0, 1, 0, 0, 0, 0, 0x26, 0x0F);
    run_ticks(9);  // the rest of row 0, then five slides of row 1
    EXPECT_EQ(ci[0].pan, 180);
}

TEST_F(EffectsTrace, VolumeColumnSlideRunsOnLaterTicksAndIsClamped)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    set_cell(j, 0, 0, 0, 1, 49, 0x6F, 0, 0);
    play_mod(j, 0);
    std::vector<int> seen;
    for (int tick = 0; tick < 6; tick++) {
        mod_interrupt();
        seen.push_back(ci[0].volume);
    }
    EXPECT_EQ(seen, (std::vector<int>{64, 49, 34, 19, 4, 0}));
}

TEST_F(EffectsTrace, SetVolumeCommandWinsOverTheVolumeColumn)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    set_cell(j, 0, 0, 0, 1, 49, 0x30, 0x0C, 40);
    play_mod(j, 0);
    mod_interrupt();
    EXPECT_EQ(ci[0].volume, 40);
}

TEST_F(EffectsTrace, GlobalVolumeSlidesOncePerCarryingChannel)
{
    JGMOD *j = row_module(1, 4);
    j->tempo = 4;
    set_command(j, 0, 0, 0, 0x23, 0x10);
    set_command(j, 0, 0, 1, 0x23, 0x10);
    play_mod(j, 0);
    run_ticks(1);
    EXPECT_EQ(mi.global_volume, 64);
    mi.global_volume = 10;
    run_ticks(3);
    EXPECT_EQ(mi.global_volume, 16);
    run_ticks(1);  // next row: no slide
    run_ticks(3);
    EXPECT_EQ(mi.global_volume, 16);
}

// Note-number module with one instrument whose volume envelope sustains.
class EnvelopeTrace : public EffectsTrace {
protected:
    JGMOD *j = nullptr;

    void SetUp() override
    {
        EffectsTrace::SetUp();
        j = keep(build_module(4, 1, 8, 1, XM_MODE | LINEAR_MODE, 1));
        set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
    }

    INSTRUMENT_INFO &instrument() { return j->instrument_info[0]; }

    void sustained_envelope()
    {
        INSTRUMENT_INFO &ii = instrument();
        ii.volume_env_points = 2;
        ii.volume_env_tick[1] = 10;
        ii.volume_env_value[0] = 64;
        ii.volume_env_value[1] = 64;
        ii.volume_env_flags = 1 | 2;
    }
};

TEST_F(EnvelopeTrace, KeyOffWithoutEnvelopeSilencesAtOnce)
{
    set_cell(j, 0, 1, 0, 0, NOTE_KEY_OFF, 0, 0, 0);
    play_mod(j, 0);
    EXPECT_EQ(volumes(0, 7), (std::vector<int>{255, 255, 255, 255, 255, 255, 0}));
    EXPECT_EQ(ci[0].key_off, -1);
}

TEST_F(EnvelopeTrace, KeyOffCommandWithoutEnvelopeSilencesAtOnce)
{
    set_command(j, 0, 1, 0, 0x24, 0);
    play_mod(j, 0);
    EXPECT_EQ(volumes(0, 7).back(), 0);
}

TEST_F(EnvelopeTrace, KeyOffWithEnvelopeFadesOutInEightTicksAtRate4096)
{
    sustained_envelope();
    instrument().fadeout = 4096;
    set_cell(j, 0, 1, 0, 0, NOTE_KEY_OFF, 0, 0, 0);
    play_mod(j, 0);
    run_ticks(6);
    std::vector<int> fade = volumes(0, 10);
    EXPECT_EQ(fade, (std::vector<int>{255, 223, 191, 159, 127, 95, 63, 31, 0, 0}));
    EXPECT_EQ(ci[0].fade_volume, 0);
}

TEST_F(EnvelopeTrace, WithoutKeyOffTheEnvelopeSustainsAndNothingFades)
{
    sustained_envelope();
    instrument().fadeout = 4096;
    play_mod(j, 0);
    std::vector<int> seen = volumes(0, 40);
    EXPECT_EQ(seen, std::vector<int>(40, 255));
}

TEST_F(EnvelopeTrace, SetEnvelopePositionJumpsAlongTheVolumeEnvelope)
{
    INSTRUMENT_INFO &ii = instrument();
    ii.volume_env_points = 2;
    ii.volume_env_tick[1] = 64;
    ii.volume_env_value[0] = 64;
    ii.volume_env_value[1] = 0;
    ii.volume_env_flags = 1;
    set_command(j, 0, 1, 0, 0x25, 32);
    play_mod(j, 0);
    run_ticks(6);
    mod_interrupt();
    EXPECT_EQ(ci[0].volume_env.output, 32);
    EXPECT_EQ(voice_of(0).volume, 127);
}

TEST_F(EnvelopeTrace, ANewNoteRestoresTheFadeAndClearsKeyOff)
{
    sustained_envelope();
    instrument().fadeout = 8192;
    set_cell(j, 0, 1, 0, 0, NOTE_KEY_OFF, 0, 0, 0);
    set_cell(j, 0, 2, 0, 1, 49, 0, 0, 0);
    play_mod(j, 0);
    run_ticks(12);
    EXPECT_EQ(ci[0].fade_volume, 0);
    mod_interrupt();
    EXPECT_EQ(ci[0].key_off, 0);
    EXPECT_EQ(voice_of(0).volume, 255);
}

TEST_F(EffectsTrace, ExtraFineMemoriesSurviveANewSong)
{
    JGMOD *j = keep(build_module(4, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    set_cell(j, 0, 0, 0, 1, 49, 0, 0x27, 0x13);
    set_cell(j, 0, 0, 1, 1, 49, 0, 0x27, 0x25);
    play_mod(j, 0);
    mod_interrupt();
    int period = note2period(48, 128);
    EXPECT_EQ(ci[0].period, period - 3);
    EXPECT_EQ(ci[1].period, period + 5);

    JGMOD *next = keep(build_module(4, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    set_cell(next, 0, 0, 0, 1, 49, 0, 0x27, 0x10);
    set_cell(next, 0, 0, 1, 1, 49, 0, 0x27, 0x20);
    play_mod(next, 0);
    EXPECT_EQ(ci[0].xm_extra_fine_up_memory, -3);
    EXPECT_EQ(ci[1].xm_extra_fine_down_memory, 5);
    EXPECT_EQ(ci[0].xm_fine_up_memory, 0) << "the other memories do start afresh";
    mod_interrupt();
    EXPECT_EQ(ci[0].period, period - 3);
    EXPECT_EQ(ci[1].period, period + 5);
}

// Every effect that repeats its last parameter, given 0 before it ever had
// one, leaves the note as it started.
void expect_zero_parameters_change_nothing(int flags, int note)
{
    const int commands[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0A, 0x11,
                            0x12, 0x13, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1B, 0x1E, 0x1F,
                            0x20, 0x21, 0x22, 0x23, 0x26, 0x27};
    for (int command : commands) {
        remove_mod();
        reset_player_globals();
        ASSERT_EQ(install_mod(4), 1);
        JGMOD *j = build_module(4, 1, 2, 1, flags, flags & XM_MODE ? 1 : 0);
        set_cell(j, 0, 0, 0, 1, note, 0, 0, 0);
        set_cell(j, 0, 1, 0, 0, 0, 0, command, 0);
        play_mod(j, 0);
        for (int tick = 0; tick < 6; tick++)
            mod_interrupt();
        int period = ci[0].period;
        for (int tick = 0; tick < 6; tick++) {
            mod_interrupt();
            EXPECT_EQ(ci[0].period, period) << std::hex << command;
            EXPECT_EQ(ci[0].tick_period, period) << std::hex << command;
            EXPECT_EQ(ci[0].tick_volume, 64) << std::hex << command;
            EXPECT_EQ(ci[0].tick_pan, 128) << std::hex << command;
            EXPECT_EQ(mi.global_volume, 64) << std::hex << command;
            EXPECT_EQ(ci[0].trigger, 0) << std::hex << command;
        }
        destroy_mod(j);
    }
}

TEST_F(EffectsTrace, ZeroParametersWithNoMemoryYetChangeNothingInAPeriodModule)
{
    expect_zero_parameters_change_nothing(0, 8363);
}

TEST_F(EffectsTrace, ZeroParametersWithNoMemoryYetChangeNothingInANoteNumberModule)
{
    expect_zero_parameters_change_nothing(XM_MODE | LINEAR_MODE, 49);
    expect_zero_parameters_change_nothing(XM_MODE | PERIOD_MODE, 49);
}

TEST_F(EffectsTrace, BpmSlideDownToTheFloorKeepsTheTimerSane)
{
    JGMOD *j = row_module(1, 64);
    j->bpm = 40;
    for (int row = 0; row < 64; row++)
        set_command(j, 0, row, 0, 0x1A, 0x1F);
    play_mod(j, 1);
    run_ticks(64);
    EXPECT_EQ(mi.bpm, 32);
    EXPECT_EQ(recorded_timer().period, 71590860L / (32 * 24));
}

}  // namespace
