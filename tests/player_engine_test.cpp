// The tick engine: how ticks, rows and orders advance, how notes become
// voices, the period and volume rules, and what it does with modules that
// point outside themselves.
#include <gtest/gtest.h>

#include "support/player_fixture.h"

class Engine : public PlayerFixture {
protected:
    int voice(int channel) { return voice_table[channel]; }
    const RecordedVoice &on(int channel) { return recorded_voice(voice_table[channel]); }
};

/* ---- Ticks, rows and orders ---- */

TEST_F(Engine, FirstTickStartsRowZero)
{
    JGMOD *j = keep(build_module(4, 1, 8, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    EXPECT_EQ(mi.tick, -1);
    run_ticks(1);
    EXPECT_EQ(mi.tick, 0);
    EXPECT_EQ(mi.row, 0);
    EXPECT_EQ(on(0).starts, 2);  // once at install, once for the note
    EXPECT_EQ(on(0).sample, &j->samples[0]);
    EXPECT_EQ(on(0).frequency, 8363);
    EXPECT_EQ(on(0).volume, 255);
    EXPECT_EQ(on(0).pan, 128);
    // The voice is given its sample before its frequency, and started last.
    const std::vector<VoiceCall> &calls = recorded_calls();
    std::vector<std::string> order;
    for (const VoiceCall &call : calls) {
        if (call.voice == voice(0))
            order.push_back(call.name);
    }
    std::vector<std::string> expected = {"reallocate_voice", "voice_set_frequency",
                                         "voice_set_volume", "voice_set_pan", "voice_start"};
    EXPECT_EQ(order, expected);
}

TEST_F(Engine, RowsLastTempoTicksAndPatternsFollowTheOrderList)
{
    JGMOD *j = keep(build_module(2, 2, 3, 1));
    int orders[] = {1, 0, 1};
    set_orders(j, orders, 3);
    play_mod(j, 0);
    run_ticks(6);
    EXPECT_EQ(mi.row, 0);
    EXPECT_EQ(mi.tick, 5);
    run_ticks(1);
    EXPECT_EQ(mi.row, 1);
    EXPECT_EQ(mi.tick, 0);
    run_ticks(12);  // past row 2: next order
    EXPECT_EQ(mi.order, 1);
    EXPECT_EQ(mi.pattern, 0);
    EXPECT_EQ(mi.row, 0);
    run_ticks(18);
    EXPECT_EQ(mi.order, 2);
    EXPECT_EQ(mi.pattern, 1);
}

TEST_F(Engine, TempoCommandChangesRowLength)
{
    JGMOD *j = keep(build_module(2, 1, 4, 1));
    set_command(j, 0, 0, 1, 0x0F, 3);
    play_mod(j, 0);
    run_ticks(3);
    EXPECT_EQ(mi.tempo, 3);
    run_ticks(1);
    EXPECT_EQ(mi.row, 1);
}

TEST_F(Engine, PatternDelayHoldsEverythingForWholeRows)
{
    JGMOD *j = keep(build_module(2, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x0E, 0xE2);
    play_mod(j, 0);
    run_ticks(6);
    EXPECT_EQ(mi.pattern_delay, 12);
    voice_recorder_clear_log();
    for (int call = 0; call < 12; call++) {
        mod_interrupt();
        EXPECT_EQ(mi.row, 0) << "call " << call;
    }
    EXPECT_TRUE(recorded_calls().empty()) << "nothing at all happens while the row is held";
    run_ticks(1);
    EXPECT_EQ(mi.row, 1);
    EXPECT_EQ(mi.tick, 0);
}

TEST_F(Engine, SongWithoutLoopEndsSilentAndIdle)
{
    JGMOD *j = keep(build_module(4, 1, 2, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    play_mod(j, 0);
    run_ticks(12);
    EXPECT_EQ(of, j);
    voice_recorder_clear_log();
    run_ticks(1);
    EXPECT_EQ(of, nullptr);
    EXPECT_EQ(is_mod_playing(), 0);
    EXPECT_EQ(recorded_count("voice_stop"), 4);
    for (int channel = 0; channel < 4; channel++)
        EXPECT_EQ(on(channel).playing, 0);
    EXPECT_EQ(recorded_timer().installed, 1) << "the timer stays and idles";
}

TEST_F(Engine, LoopingSongRestartsAtItsRestartOrder)
{
    JGMOD *j = keep(build_module(2, 3, 1, 1));
    j->tempo = 1;
    j->restart_order = 1;
    play_mod(j, 1);
    run_ticks(3);  // orders 0, 1, 2
    EXPECT_EQ(mi.order, 2);
    run_ticks(1);  // the end: restarted, and a jump to order 1 requested
    EXPECT_EQ(of, j);
    EXPECT_EQ(mi.order, 0);
    EXPECT_EQ(mi.jump_order, 2);
    EXPECT_EQ(is_mod_playing(), -1);
    run_ticks(1);
    EXPECT_EQ(mi.order, 1);
    EXPECT_EQ(mi.row, 0);
    EXPECT_EQ(mi.tick, 0);
}

TEST_F(Engine, PatternBreakAndPositionJumpInAChannelWithoutVoice)
{
    JGMOD *j = keep(build_module(8, 3, 4, 1));
    set_command(j, 0, 0, 6, 0x0D, 0x02);  // channel 6 has no voice
    set_command(j, 1, 2, 7, 0x0B, 0);
    set_command(j, 0, 0, 5, 0x1C, 20);     // global volume
    set_cell(j, 0, 0, 5, 1, 8363, 0, 0x1C, 20);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(mi.global_volume, 20);
    EXPECT_EQ(ci[5].period, 0) << "a channel without voice starts no note";
    run_ticks(6);
    EXPECT_EQ(mi.order, 1);
    EXPECT_EQ(mi.row, 2);
    run_ticks(6);
    EXPECT_EQ(mi.order, 0);
    EXPECT_EQ(mi.row, 0);
}

/* ---- Notes and voices ---- */

TEST_F(Engine, StoredValue8363PlaysAt8363HzAndPitchRatioScalesIt)
{
    JGMOD *j = keep(build_module(1, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(ci[0].period, 1712);
    EXPECT_EQ(on(0).frequency, 8363);
    set_mod_pitch(200);
    run_ticks(1);
    EXPECT_EQ(on(0).frequency, 16726);
}

TEST_F(Engine, SampleWithoutNoteRestartsAtTheOldPitch)
{
    JGMOD *j = keep(build_module(1, 1, 4, 2));
    j->sample_info[1].volume = 20;
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    set_cell(j, 0, 1, 0, 2, 0, 0, 0, 0);
    set_cell(j, 0, 2, 0, 2, 0, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(7);
    EXPECT_EQ(on(0).sample, &j->samples[1]);
    EXPECT_EQ(on(0).frequency, 8363);
    EXPECT_EQ(on(0).volume, 20 * 255 / 64);
    int starts = on(0).starts;
    run_ticks(6);  // the same sample again: only its volume is taken
    EXPECT_EQ(on(0).starts, starts);
}

TEST_F(Engine, TonePortamentoWithSampleTakesOnlyItsVolume)
{
    JGMOD *j = keep(build_module(1, 1, 4, 2));
    j->sample_info[1].volume = 32;
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0, 0);
    set_cell(j, 0, 1, 0, 2, 0, 0, 0x03, 0);
    play_mod(j, 1);
    run_ticks(6);
    int starts = on(0).starts;
    run_ticks(1);
    EXPECT_EQ(ci[0].volume, 32);
    EXPECT_EQ(ci[0].sample, 0);
    EXPECT_EQ(on(0).starts, starts);
}

TEST_F(Engine, SampleOffsetIsRememberedForAZeroParameter)
{
    JGMOD *j = keep(build_module(1, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x09, 0x10);
    set_cell(j, 0, 1, 0, 1, 8363, 0, 0x09, 0x00);
    set_cell(j, 0, 2, 0, 0, 0, 0, 0x09, 0x20);  // no note, no sample: nothing
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(recorded_count("voice_set_position"), 1);
    EXPECT_EQ(on(0).position, 4096);
    voice_recorder_set_position(voice(0), 7);
    run_ticks(6);
    EXPECT_EQ(recorded_count("voice_set_position"), 2);
    EXPECT_EQ(on(0).position, 4096);
    run_ticks(6);
    EXPECT_EQ(recorded_count("voice_set_position"), 2);
}

TEST_F(Engine, SetPanAndSetVolumeReachTheVoice)
{
    JGMOD *j = keep(build_module(2, 1, 4, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x08, 0);
    set_cell(j, 0, 0, 1, 1, 8363, 0, 0x0C, 16);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(on(0).pan, 0);
    EXPECT_EQ(on(1).volume, 16 * 255 / 64);
}

TEST_F(Engine, LoopedSamplesGetTheirPlayMode)
{
    JGMOD *j = keep(build_module(3, 1, 4, 3));
    j->sample_info[1].loop_type = LOOP_FORWARD;
    j->sample_info[2].loop_type = LOOP_FORWARD | LOOP_PINGPONG;
    for (int channel = 0; channel < 3; channel++)
        set_cell(j, 0, 0, channel, channel + 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(recorded_count("voice_set_playmode", voice(0)), 0);
    EXPECT_EQ(on(1).playmode, PLAYMODE_LOOP);
    EXPECT_EQ(recorded_count("voice_set_playmode", voice(2)), 2);
    EXPECT_EQ(on(2).playmode, PLAYMODE_LOOP | PLAYMODE_BIDIR);
}

TEST_F(Engine, ChannelsBeyondTheVoicesNeverSound)
{
    JGMOD *j = keep(build_module(6, 1, 4, 1));
    for (int channel = 0; channel < 6; channel++)
        set_cell(j, 0, 0, channel, 1, 8363, 0, 0, 0);
    play_mod(j, 1);
    run_ticks(6);
    for (const VoiceCall &call : recorded_calls())
        EXPECT_LT(call.voice, 4) << call.name;
    EXPECT_EQ(ci[4].period, 0);
    EXPECT_EQ(ci[4].trigger, 0);
}

/* ---- Note-number modules ---- */

TEST_F(Engine, InstrumentMapChoosesTheSample)
{
    JGMOD *j = keep(build_module(1, 1, 4, 3, XM_MODE | LINEAR_MODE, 2));
    j->instrument_info[1].note_sample[48] = 2;
    j->sample_info[2].volume = 40;
    j->sample_info[2].pan = 200;
    set_cell(j, 0, 0, 0, 2, 49, 0, 0, 0);  // instrument 2, note 49 (index 48)
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(ci[0].instrument, 1);
    EXPECT_EQ(ci[0].note, 48);
    EXPECT_EQ(ci[0].sample, 2);
    EXPECT_EQ(ci[0].volume, 40);
    EXPECT_EQ(ci[0].pan, 200);
    EXPECT_EQ(ci[0].period, 7680 - 64 * 48 - 64 + 64);
    EXPECT_EQ(on(0).sample, &j->samples[2]);
    EXPECT_EQ(on(0).frequency, 8363);  // lintab[0] >> 6

    EXPECT_EQ(get_jgmod_sample_no(1, 48), 2);
    EXPECT_EQ(get_jgmod_sample_no(1, 47), 1);
    EXPECT_EQ(get_jgmod_sample_no(1, 96), 2) << "note out of range: the last sample";
    EXPECT_EQ(get_jgmod_sample_no(1, -1), 2);
    EXPECT_EQ(get_jgmod_sample_no(2, 0), 2) << "instrument out of range";
    EXPECT_EQ(get_jgmod_sample_no(-1, 0), 2);
    j->instrument_info[0].note_sample[5] = 3;
    EXPECT_EQ(get_jgmod_sample_no(0, 5), 2) << "map entry out of range";
}

TEST_F(Engine, PeriodModulesUseTheInstrumentNumberAsSample)
{
    JGMOD *j = keep(build_module(1, 1, 4, 3));
    play_mod(j, 1);
    EXPECT_EQ(get_jgmod_sample_no(7, 200), 7);
}

TEST_F(Engine, NewNoteResetsFadeAndEnvelopesFromTheInstrument)
{
    JGMOD *j = keep(build_module(1, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    INSTRUMENT_INFO &ii = j->instrument_info[0];
    ii.volume_env_flags = 1;
    ii.volume_env_points = 2;
    ii.volume_env_value[0] = 64;
    ii.volume_env_value[1] = 0;
    ii.volume_env_tick[1] = 10;
    ii.fadeout = 1000;
    set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
    set_cell(j, 0, 1, 0, 0, 0, 0, 0x24, 0);  // key off
    set_cell(j, 0, 2, 0, 0, 49, 0, 0, 0);    // a note again, no instrument
    play_mod(j, 1);
    run_ticks(1);
    EXPECT_EQ(ci[0].fade_rate, 1000);
    EXPECT_EQ(ci[0].volume_env.flags, 1);
    EXPECT_EQ(ci[0].volume_env.points, 2);
    EXPECT_EQ(ci[0].pan_env.flags, 0);
    EXPECT_EQ(ci[0].pan_env.output, 32);
    run_ticks(6);
    EXPECT_EQ(ci[0].key_off, -1);
    EXPECT_EQ(ci[0].volume, 64) << "with a volume envelope, key off keeps the volume";
    EXPECT_EQ(ci[0].fade_volume, 32768 - 1000);
    run_ticks(5);
    EXPECT_EQ(ci[0].fade_volume, 32768 - 6000);
    run_ticks(1);
    EXPECT_EQ(ci[0].key_off, 0);
    EXPECT_EQ(ci[0].fade_volume, 32768);
    EXPECT_EQ(ci[0].volume_env.position, 1) << "the envelope starts over";
}

TEST_F(Engine, KeyOffWithoutEnvelopeSilences)
{
    JGMOD *j = keep(build_module(1, 1, 4, 1, XM_MODE | LINEAR_MODE, 1));
    set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
    set_cell(j, 0, 1, 0, 0, 0, 0, 0x24, 0);
    play_mod(j, 1);
    run_ticks(7);
    EXPECT_EQ(ci[0].volume, 0);
    EXPECT_EQ(on(0).volume, 0);
}

/* ---- The rules ---- */

TEST_F(Engine, VolumeRuleAtItsExtremes)
{
    mi.global_volume = 64;
    ci[0].tick_volume = 64;
    ci[0].fade_volume = 32768;
    ci[0].volume_env.output = 64;
    mod_volume = 255;
    EXPECT_EQ(calc_volume(0), 255);
    mod_volume = 60;
    EXPECT_EQ(calc_volume(0), 60);
    mod_volume = 255;
    ci[0].fade_volume = 0;
    EXPECT_EQ(calc_volume(0), 0);
    ci[0].fade_volume = 16384;
    EXPECT_EQ(calc_volume(0), 127);
    ci[0].fade_volume = 32768;
    ci[0].volume_env.output = 0;
    EXPECT_EQ(calc_volume(0), 0);
    ci[0].volume_env.output = 64;
    mi.global_volume = 0;
    EXPECT_EQ(calc_volume(0), 0);
    // Values from a bad file stay within the voice's range.
    mi.global_volume = 1000;
    EXPECT_EQ(calc_volume(0), 255);
    ci[0].tick_volume = -64;
    EXPECT_EQ(calc_volume(0), 0);
}

TEST_F(Engine, PanRuleAtItsExtremes)
{
    ci[0].pan_env.output = 32;
    for (int pan : {0, 1, 127, 128, 255}) {
        ci[0].tick_pan = pan;
        EXPECT_EQ(calc_pan(0), pan) << "no envelope leaves pan " << pan;
    }
    ci[0].pan_env.output = 64;  // full right
    ci[0].tick_pan = 0;
    EXPECT_EQ(calc_pan(0), 0);
    ci[0].tick_pan = 64;
    EXPECT_EQ(calc_pan(0), 128);
    ci[0].tick_pan = 128;
    EXPECT_EQ(calc_pan(0), 255);  // 128 + 128, clamped
    ci[0].pan_env.output = 0;  // full left
    ci[0].tick_pan = 128;
    EXPECT_EQ(calc_pan(0), 0);
    ci[0].tick_pan = 255;
    EXPECT_EQ(calc_pan(0), 254);
    ci[0].pan_env.output = 48;
    ci[0].tick_pan = 100;
    EXPECT_EQ(calc_pan(0), 150);
    ci[0].pan_env.output = 17;  // e = -15: (-1500) / 32 truncates to -46
    EXPECT_EQ(calc_pan(0), 54);
}

TEST_F(Engine, PeriodModuleNoteRule)
{
    mi.flags = 0;
    EXPECT_EQ(note2period(8363, 8363), 1712);
    EXPECT_EQ(note2period(8363, 0), 14318184 / 4242);  // untuned 0 is 4242
    EXPECT_EQ(note2period(16726, 8363), 856);
    // (1 * 8000) / 8363 is 0: the lowest pitch instead of a division by zero.
    EXPECT_EQ(note2period(1, 8000), 14318184);
    EXPECT_EQ(note2period(3579546, 65535), 14318184 / (int)((3579546LL * 65535) / 8363));
    of = nullptr;
    EXPECT_EQ(period2pitch(1712), 8363);
    EXPECT_EQ(period2pitch(0), 14318184) << "no division by zero";
}

TEST_F(Engine, LinearNoteRule)
{
    mi.flags = XM_MODE | LINEAR_MODE;
    of = nullptr;
    EXPECT_EQ(note2period(0, 128), 7680);
    EXPECT_EQ(note2period(48, 128), 4608);
    EXPECT_EQ(note2period(-5, 128), 7680);
    EXPECT_EQ(note2period(500, 128), 7680 - 64 * 118);
    EXPECT_EQ(note2period(48, 0), 4672);
    EXPECT_EQ(period2pitch(4608), 8363);
    EXPECT_EQ(period2pitch(4608 - 768), 16726);
    EXPECT_EQ(period2pitch(384), (int)(378466u >> 0));
    EXPECT_EQ(period2pitch(-10), 535232) << "negative periods read no table entry before the start";
    EXPECT_EQ(period2pitch(768 * 40), 0);
}

TEST_F(Engine, AmigaTableNoteRule)
{
    mi.flags = XM_MODE | PERIOD_MODE;
    of = nullptr;
    // C of octave 4 without finetune: entry 8, f = 8 of the way to entry 9.
    EXPECT_EQ(note2period(48, 128), (27392 + 8 * (27200 - 27392) / 15) >> 4);
    EXPECT_EQ(note2period(0, 0), 29024);
    // B with the highest finetune: entry 103 and the one past the end, which
    // is taken as C an octave up (period 428).
    EXPECT_EQ(note2period(11, 255), 13792 + 15 * (13696 - 13792) / 15);
    EXPECT_EQ(note2period(11, 240), 13792 + 15 * (13696 - 13792) / 15);
    // Out-of-range finetunes read no entry outside the table.
    EXPECT_EQ(note2period(11, 4000), (13792 + 250 * (13696 - 13792) / 15));
    EXPECT_GT(note2period(0, -16), 0);
    EXPECT_EQ(period2pitch(1712), 14317456 / 1712);
}

/* ---- Modules that point outside themselves ---- */

TEST_F(Engine, PatternWithoutRowsPlaysAsOneSilentRow)
{
    JGMOD *j = keep(build_module(2, 2, 2, 1));
    resize_pattern(j, 0, 0);
    set_cell(j, 1, 0, 0, 1, 8363, 0, 0, 0);
    play_mod(j, 0);
    run_ticks(6);
    EXPECT_EQ(mi.order, 0);
    EXPECT_EQ(recorded_count("voice_start"), 0);
    run_ticks(1);
    EXPECT_EQ(mi.order, 1);
    EXPECT_EQ(mi.row, 0);
    EXPECT_EQ(on(0).frequency, 8363);
}

TEST_F(Engine, BreakPastThePatternEndStartsItAtTheTop)
{
    JGMOD *j = keep(build_module(2, 2, 4, 1));
    resize_pattern(j, 1, 2);
    set_command(j, 0, 0, 0, 0x0D, 0x63);  // row 63 of a 2-row pattern
    play_mod(j, 0);
    run_ticks(7);
    EXPECT_EQ(mi.order, 1);
    EXPECT_LT(mi.row, 2);
}

TEST_F(Engine, PatternNumbersOutsideTheModulePlaySilence)
{
    JGMOD *j = keep(build_module(2, 1, 2, 1));
    int orders[] = {0, 7, -1, 0};
    set_orders(j, orders, 4);
    play_mod(j, 0);
    run_ticks(13);
    EXPECT_EQ(mi.order, 1);
    EXPECT_EQ(mi.pattern, 7);
    run_ticks(6);
    EXPECT_EQ(mi.order, 2);
    run_ticks(6);
    EXPECT_EQ(mi.order, 3);
    EXPECT_EQ(of, j);
}

TEST_F(Engine, OrderCountBeyondTheOrderTableEndsThere)
{
    JGMOD *j = keep(build_module(1, 1, 1, 1));
    j->tempo = 1;
    j->order_count = 1000;
    play_mod(j, 0);
    run_ticks(MAX_ORDER);
    EXPECT_EQ(mi.order, MAX_ORDER - 1);
    run_ticks(1);
    EXPECT_EQ(of, nullptr);
}

TEST_F(Engine, SampleNumbersOutsideTheModuleAreIgnored)
{
    JGMOD *j = keep(build_module(2, 1, 4, 2));
    j->sample_info[1].volume = 10;
    set_cell(j, 0, 0, 0, 2, 8363, 0, 0, 0);
    set_cell(j, 0, 1, 0, 9, 16726, 0, 0, 0);  // no sample 9: the note plays on sample 2
    set_cell(j, 0, 0, 1, 9, 8363, 0, 0, 0);   // no sample ever: nothing starts
    play_mod(j, 1);
    run_ticks(7);
    EXPECT_EQ(ci[0].sample, 1);
    EXPECT_EQ(on(0).sample, &j->samples[1]);
    EXPECT_EQ(on(0).frequency, 16726);
    EXPECT_EQ(ci[1].sample, 0) << "channel keeps its first sample";
    EXPECT_EQ(on(1).frequency, 8363);
}

TEST_F(Engine, NoteNumberModuleWithoutSamplesStartsNothing)
{
    JGMOD *j = keep(build_module(1, 1, 4, 0, XM_MODE | LINEAR_MODE, 1));
    set_cell(j, 0, 0, 0, 1, 49, 0, 0, 0);
    set_cell(j, 0, 1, 0, 5, 49, 0, 0x03, 0);  // slide with an instrument the module lacks
    play_mod(j, 1);
    run_ticks(12);
    EXPECT_EQ(recorded_count("reallocate_voice"), 0);
    EXPECT_EQ(recorded_count("voice_start"), 0);
}

TEST_F(Engine, TooManyChannelsInAFileStayWithinTheChannelState)
{
    JGMOD *j = keep(build_module(70, 1, 2, 1));
    set_command(j, 0, 0, 69, 0x0F, 2);
    set_command(j, 0, 0, 68, 0x23, 0x10);
    set_command(j, 0, 0, 67, 0x0E, 0x61);
    play_mod(j, 0);
    run_ticks(1);
    EXPECT_EQ(mi.tempo, 2);
}

/* ---- Slides that run for a long time ---- */

TEST_F(Engine, ProPitchSlideWithHugeStoredParameterStopsAtThePeriodLimit)
{
    // A JGM parameter may be 0xFFFF: 4 x 65535 period units per tick would
    // overflow the period after a few minutes of one long slide.
    JGMOD *j = keep(build_module(1, 1, 256, 1));
    set_cell(j, 0, 0, 0, 1, 8363, 0, 0x02, 0xFFFF);
    for (int row = 1; row < 256; row++)
        set_command(j, 0, row, 0, 0x02, 0xFFFF);
    j->tempo = 31;  // 256 rows x 30 sliding ticks x 262140 passes 2^31
    play_mod(j, 0);
    run_ticks(256 * 31 - 1);
    EXPECT_EQ(ci[0].period, JGMOD_PERIOD_LIMIT);
    EXPECT_GE(on(0).frequency, 0);
}
