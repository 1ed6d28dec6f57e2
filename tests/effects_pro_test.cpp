// The ProTracker effect family, handler by handler: set up a channel, call
// the parse_ handler as tick 0 would, then the do_ handler tick by tick.
#include <stdlib.h>

#include <gtest/gtest.h>

#include "support/effects_state.h"

namespace {

class ProEffects : public EffectsFixture {
protected:
    ProEffects() : EffectsFixture(3, 0) {}
};

// Period of the period-module table: note n, 12 per octave.
int table(int n)
{
    return noteperiod[n % 12] >> (n / 12);
}

TEST_F(ProEffects, ArpeggioCyclesBaseAndTwoOffsets)
{
    struct Case { int period, parameter, tick1, tick2; } cases[] = {
        {table(24), 0x47, table(28), table(31)},
        {1700, 0x30, table(28), 1700},  // between table notes: from the next one up
        {table(24), 0x04, table(24), table(28)},
        {0, 0x47, 0, 0},  // slid to or below 0: kept, no table read
        {-20, 0x47, -20, -20},
    };
    for (const Case &k : cases) {
        CHANNEL_STATE &c = channel(8);
        parse_pro_arpeggio(0, k.parameter);
        c.period = k.period;
        EXPECT_EQ(row(1, 4, do_arpeggio, &CHANNEL_STATE::tick_period),
                  (Ints{k.tick1, k.tick2, k.period}))
            << k.period;
    }
    CHANNEL_STATE &c = channel(3);  // far above the top of the table
    parse_pro_arpeggio(0, 0xFF);
    EXPECT_LT(row(1, 2, do_arpeggio, &CHANNEL_STATE::tick_period)[0], 3);
    channel(1712);
    parse_pro_arpeggio(0, 0);
    EXPECT_EQ(c.arpeggio_on, 0) << "a zero parameter: off";
    channel(0);
    parse_pro_arpeggio(0, 0x47);
    EXPECT_EQ(c.arpeggio_on, 0) << "no note: off";
}

TEST_F(ProEffects, TonePortamentoNeedsANoteAndATargetThenReachesIt)
{
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(ci[0].porta_speed, 0) << "period 0: nothing at all";
    CHANNEL_STATE &c = channel(1712);
    parse_slide2period(0, 0x10, 0);
    EXPECT_EQ(c.porta_on, 0) << "no target yet";
    c.tuning = 8363;
    parse_slide2period(0, 0x10, 8364);  // the note 1 above the stored value 8363
    EXPECT_EQ(c.porta_target, 1712);
    c.period = 1800;
    EXPECT_EQ(row(1, 4, do_slide2period, &CHANNEL_STATE::tick_period), (Ints{1736, 1712, 1712}));
}

// Vibrato (depth 15, shift 4, on period 1000) and tremolo (depth 8, shift 6,
// on volume 32) at known phases of the four waveforms.
TEST_F(ProEffects, VibratoAndTremoloWaveforms)
{
    struct Case { int wave, pos, period, volume; } cases[] = {
        {0, 64, 1239, 63}, {0, 32, 1168, 54}, {0, -64, 761, 1},   // sine
        {1, 32, 1060, 40}, {1, -128, 761, 1}, {1, -64, 881, 17},  // ramp
        {2, 4, 1239, 63},  {2, -4, 761, 1},   {6, -4, 761, 1},    // square; low two bits only
    };
    parse_vibrato(1, 0x48, 5);
    parse_tremolo(1, 0x08, 6);
    EXPECT_TRUE(ci[1].vibrato_on == 0 && ci[1].tremolo_on == -1) << "only vibrato needs a note";
    CHANNEL_STATE &c = channel(1000);
    parse_vibrato(0, 0x0F, 4);
    parse_tremolo(0, 0x08, 6);
    for (const Case &k : cases) {
        c.vibrato_wave = c.tremolo_wave = k.wave;
        c.vibrato_pos = c.tremolo_pos = (signed char)k.pos;
        do_vibrato(0);
        do_tremolo(0);
        EXPECT_EQ(c.tick_period, k.period) << "wave " << k.wave << " pos " << k.pos;
        EXPECT_EQ(c.tick_volume, k.volume) << "wave " << k.wave << " pos " << k.pos;
    }
    EXPECT_EQ(c.volume, 32);
    c.vibrato_wave = 3;  // random: from the C library
    c.vibrato_pos = 8;
    srand(1234);
    int drawn = rand() % 255;
    srand(1234);
    do_vibrato(0);
    EXPECT_EQ(c.tick_period, 1000 + (drawn * 15 >> 4));
}

TEST_F(ProEffects, FineSlidesNeedANoteAndShareAMemoryThatRepeatsInOneDirection)
{
    for (int parameter : {0x13, 0x23, 0x113, 0x123})
        parse_extended_command(0, parameter);
    EXPECT_EQ(ci[0].period, 0);
    CHANNEL_STATE &c = channel(1712);
    // Down 3; zero up after a down: nothing; up 3; zero up after an up:
    // again; zero down after an up: nothing; down 1 and again.
    int steps[][2] = {{0x23, 1724}, {0x10, 1724}, {0x13, 1712}, {0x10, 1700},
                      {0x20, 1700}, {0x21, 1704}, {0x20, 1708}};
    for (auto &s : steps) {
        parse_extended_command(0, s[0]);
        EXPECT_EQ(c.period, s[1]) << std::hex << s[0];
    }
    EXPECT_EQ(c.tick_period, 1712) << "fine slides change only the lasting period";
}

// Codes handled elsewhere or unknown leave the channel alone; a fine volume
// slide is clamped only at the voice update.
TEST_F(ProEffects, ExtendedCodesInTheChannelPass)
{
    CHANNEL_STATE &c = channel(1712, 60);
    CHANNEL_STATE before = c;
    for (int code : {0x00, 0x05, 0x50, 0x62, 0x6F, 0xE3, 0xF1, 0x150, 0x16F, -5})
        parse_extended_command(0, code);
    EXPECT_EQ(memcmp(&before, &c, sizeof c), 0);
    parse_extended_command(0, 0xAF);
    EXPECT_EQ(c.volume, 75);
    parse_pro_volume_slide(1, 0x12);
    EXPECT_EQ(ci[1].volume_slide, 1) << "a volume slide up wins over down";
}

// break_order and break_row hold order + 1 and row + 1; 0 means none.
TEST_F(ProEffects, PositionJumpAndPatternBreak)
{
    struct Case {
        const char *what;
        int loop, lasttrk, order, row_set, jump, brk, rows1, want_order, want_row;
    } cases[] = {
        {"jump", -1, -1, 0, 0, 2, -1, 64, 3, 1},
        {"jump past the end wraps", -1, -1, 0, 0, 3, -1, 64, 1, 1},
        {"jump past the end ends", 0, -1, 0, 0, 3, -1, 64, 4, 1},
        {"never past one beyond", 0, -1, 0, 0, 255, -1, 64, 4, 1},
        {"a row already chosen stays", -1, -1, 0, 17, 1, -1, 64, 2, 17},
        {"last order, switched off", -1, 0, 2, 0, 0, -1, 64, 0, 0},
        {"not last order", -1, 0, 1, 0, 0, -1, 64, 1, 1},
        {"negative", -1, -1, 0, 0, -1, -1, 64, 0, 0},
        {"two decimal digits", -1, -1, 0, 0, -1, 0x12, 64, 2, 13},
        {"jump then break", -1, -1, 0, 0, 1, 0x16, 20, 2, 17},
        {"break on the last order", -1, -1, 2, 0, -1, 0x05, 64, 1, 6},
        {"one past the target", -1, -1, 0, 0, -1, 0x32, 32, 2, 32},
        {"far past the target", -1, -1, 0, 0, -1, 0x99, 32, 2, 1},
        {"empty target", -1, -1, 0, 0, -1, 0x00, 0, 2, 1},
        {"past the song's end", 0, -1, 2, 0, -1, 0x99, 64, 4, 100},
    };
    for (const Case &k : cases) {
        play_mod(j, 1);
        resize_pattern(j, 1, k.rows1);
        mi.loop = k.loop;
        mi.order = k.order;
        mi.break_row = k.row_set;
        enable_lasttrk_loop = k.lasttrk;
        if (k.jump != -1)
            do_position_jump(k.jump);
        if (k.brk != -1)
            do_pattern_break(k.brk);
        EXPECT_EQ(mi.break_order, k.want_order) << k.what;
        EXPECT_EQ(mi.break_row, k.want_row) << k.what;
    }
}

TEST_F(ProEffects, SpeedUpToThirtyTwoIsTicksPerRowAboveIsBpm)
{
    int installs = recorded_timer().install_calls;
    do_pro_tempo_bpm(0);  // 0: the module's own
    do_pro_tempo_bpm(32);
    do_pro_tempo_bpm(33);
    EXPECT_EQ(mi.tempo, 32);
    EXPECT_EQ(mi.bpm, 33);
    EXPECT_EQ(recorded_timer().install_calls, installs + 1);
    EXPECT_EQ(recorded_timer().period, 71590860L / (33 * 24));
}

}  // namespace
