// The builder's tune: how the text score becomes pattern cells, and what
// the synthesised instruments promise (seamless loops, drums that die away).
//
// makedat is a program, not a library; its pure parts are compiled into
// this test directly, so their file-local helpers can be tested as they are.
#include "tools/makedat/datafile_writer.cpp"
#include "tools/makedat/instruments.cpp"
#include "tools/makedat/module_builder.cpp"
#include "tools/makedat/synth.cpp"
#include "tools/makedat/tune.cpp"

#include <gtest/gtest.h>

namespace {

const int lead = CH_LEAD, bass = CH_BASS, chords = CH_CHORDS, drums = CH_DRUMS;

NOTE_INFO cell_of(int channel, const char *token)
{
    CellResult r = parse_cell(channel, token);
    EXPECT_EQ(r.error, "") << token;
    return r.cell;
}

std::string error_of(int channel, const char *token)
{
    return parse_cell(channel, token).error;
}

// --- Notes -------------------------------------------------------------------

// The lead's reference octave is 4: A4 plays at the Amiga period 254 (the
// middle octave's A), stored as 3579546 / 254.
TEST(TuneCells, LeadNoteIsTheFrequencyValueOfItsAmigaPeriod)
{
    NOTE_INFO a4 = cell_of(lead, "A4");
    EXPECT_EQ(a4.note, 3579546 / 254);
    EXPECT_EQ(a4.sample, INS_LEAD);
    EXPECT_EQ(a4.command, 0);
    EXPECT_EQ(cell_of(lead, "C4").note, 3579546 / 428);
    EXPECT_EQ(cell_of(lead, "C5").note, 3579546 / 214);
    EXPECT_EQ(cell_of(lead, "B4").note, 3579546 / 226);
}

TEST(TuneCells, SharpsAndFlatsMoveBySemitonesAcrossOctaves)
{
    EXPECT_EQ(cell_of(lead, "C#4").note, cell_of(lead, "Db4").note);
    EXPECT_EQ(cell_of(lead, "G#4").note, 3579546 / 269);   // Ab of the middle octave
    EXPECT_EQ(cell_of(lead, "B#4").note, cell_of(lead, "C5").note);
    EXPECT_EQ(cell_of(lead, "Cb5").note, cell_of(lead, "B4").note);
}

// The bass sounds an octave lower than the lead for the same period.
TEST(TuneCells, BassReferenceIsAnOctaveBelowTheLead)
{
    EXPECT_EQ(cell_of(bass, "A3").note, cell_of(lead, "A4").note);
    EXPECT_EQ(cell_of(bass, "A3").sample, INS_BASS);
}

TEST(TuneCells, ChordsNameTheirTriadSample)
{
    NOTE_INFO minor = cell_of(chords, "A3m");
    NOTE_INFO major = cell_of(chords, "A3M");
    EXPECT_EQ(minor.sample, INS_MINOR);
    EXPECT_EQ(major.sample, INS_MAJOR);
    EXPECT_EQ(minor.note, major.note);
    EXPECT_EQ(minor.note, cell_of(lead, "A3").note);
}

TEST(TuneCells, DrumsPlayAtTheirRenderedPitch)
{
    static const struct {
        const char *token;
        int sample;
    } kit[] = {{"K", INS_KICK}, {"S", INS_SNARE}, {"H", INS_HAT}, {"O", INS_OPEN_HAT}};
    for (const auto &d : kit) {
        NOTE_INFO cell = cell_of(drums, d.token);
        EXPECT_EQ(cell.sample, d.sample) << d.token;
        EXPECT_EQ(cell.note, 3579546 / 428) << d.token;   // the reference C
    }
}

TEST(TuneCells, VolumeSuffixBecomesASetVolumeCommand)
{
    NOTE_INFO hat = cell_of(drums, "H:18");
    EXPECT_EQ(hat.command, 0x0C);
    EXPECT_EQ(hat.parameter, 0x18);
    NOTE_INFO loud = cell_of(lead, "E5:40");
    EXPECT_EQ(loud.command, 0x0C);
    EXPECT_EQ(loud.parameter, 64);
    EXPECT_EQ(cell_of(chords, "F3M:00").parameter, 0);
}

TEST(TuneCells, RestAndSilence)
{
    NOTE_INFO rest = cell_of(lead, ".");
    EXPECT_EQ(rest.note, 0);
    EXPECT_EQ(rest.sample, 0);
    EXPECT_EQ(rest.command, 0);
    NOTE_INFO off = cell_of(lead, "-");
    EXPECT_EQ(off.note, 0);
    EXPECT_EQ(off.sample, 0);
    EXPECT_EQ(off.command, 0x0C);
    EXPECT_EQ(off.parameter, 0);
}

// --- Mistakes in the score ------------------------------------------------------

TEST(TuneCells, MistakesAreReportedNotGuessed)
{
    EXPECT_NE(error_of(lead, "H4"), "");      // no such note
    EXPECT_NE(error_of(lead, "A"), "");       // no octave
    EXPECT_NE(error_of(lead, "a4"), "");      // lower case
    EXPECT_NE(error_of(chords, "A3"), "");    // a chord needs its quality
    EXPECT_NE(error_of(chords, "A3x"), "");
    EXPECT_NE(error_of(drums, "X"), "");      // no such drum
    EXPECT_NE(error_of(drums, "A4"), "");
    EXPECT_NE(error_of(lead, "A4:41"), "");   // volume above 64
    EXPECT_NE(error_of(lead, "A4:"), "");
    EXPECT_NE(error_of(lead, "A4:zz"), "");
    EXPECT_NE(error_of(lead, "A4x"), "");     // trailing rubbish
    EXPECT_NE(error_of(drums, "K:1g"), "");
}

TEST(TuneCells, NotesOutsideThePeriodTableAreRefused)
{
    EXPECT_NE(error_of(lead, "C1"), "");
    EXPECT_NE(error_of(lead, "C9"), "");
    EXPECT_EQ(error_of(lead, "C2"), "");   // two octaves below the reference
    EXPECT_EQ(error_of(lead, "B6"), "");   // two above
}

std::string rows(int count, const char *token)
{
    std::string text;
    for (int i = 0; i < count; i++)
        text += std::string(token) + (i % 16 == 15 ? " | " : " ");
    return text;
}

TEST(TuneChannels, ExactlySixtyFourRowsAndBarLinesAreIgnored)
{
    std::vector<NOTE_INFO> notes(TUNE_ROWS * TUNE_CHANNELS);
    std::string error;
    EXPECT_TRUE(parse_channel(rows(64, "K").c_str(), drums, notes.data(), &error)) << error;
    EXPECT_EQ(notes[0 * TUNE_CHANNELS + drums].sample, INS_KICK);
    EXPECT_EQ(notes[63 * TUNE_CHANNELS + drums].sample, INS_KICK);
    EXPECT_EQ(notes[63 * TUNE_CHANNELS + lead].sample, 0) << "another channel was written";
    EXPECT_FALSE(parse_channel(rows(63, "K").c_str(), drums, notes.data(), &error));
    EXPECT_FALSE(parse_channel(rows(65, "K").c_str(), drums, notes.data(), &error));
    // A bar line glued to a token still separates it.
    std::string glued = rows(63, ".") + "|K";
    EXPECT_TRUE(parse_channel(glued.c_str(), drums, notes.data(), &error)) << error;
    EXPECT_EQ(notes[63 * TUNE_CHANNELS + drums].sample, INS_KICK);
}

TEST(TuneChannels, AnErrorNamesTheToken)
{
    std::vector<NOTE_INFO> notes(TUNE_ROWS * TUNE_CHANNELS);
    std::string error;
    std::string text = rows(10, ".") + "Q7 " + rows(53, ".");
    EXPECT_FALSE(parse_channel(text.c_str(), lead, notes.data(), &error));
    EXPECT_NE(error.find("Q7"), std::string::npos) << error;
}

// --- The whole tune --------------------------------------------------------------

TEST(TuneModule, BuildsWithEveryPatternAndTheScoresOrder)
{
    std::string error;
    JGMOD *j = build_module(&error);
    ASSERT_NE(j, nullptr) << error;
    EXPECT_STREQ(j->name, tune_name);
    EXPECT_EQ(j->pattern_count, tune_pattern_count);
    EXPECT_EQ(j->order_count, tune_order_count);
    for (int i = 0; i < tune_order_count; i++)
        EXPECT_EQ(j->order_table[i], tune_order[i]);
    EXPECT_EQ(j->restart_order, tune_restart_order);
    EXPECT_EQ(j->tempo, tune_tempo);
    EXPECT_EQ(j->bpm, tune_bpm);
    EXPECT_EQ(j->sample_count, MODULE_SAMPLE_COUNT);
    EXPECT_NE(j->instrument_info, nullptr);   // empty, but there
    for (int s = 0; s < j->sample_count; s++) {
        EXPECT_EQ(j->sample_info[s].tuning, INSTRUMENT_RATE) << s;
        EXPECT_EQ((int)j->samples[s].len, j->sample_info[s].length) << s;
        EXPECT_EQ((int)j->samples[s].loop_end, j->sample_info[s].loop_end) << s;
        EXPECT_EQ(j->samples[s].param, (unsigned long)-1) << s;
    }
    destroy_mod(j);
}

// --- Instruments --------------------------------------------------------------------

struct Cycle {
    int number;
    int frames;   // one full repetition of the waveform
};
const Cycle pitched[] = {{INS_LEAD, 64}, {INS_BASS, 128}, {INS_MAJOR, 256}, {INS_MINOR, 640}};

// A held note loops from loop_start to the end: for that to be seamless the
// waveform must repeat exactly across the loop, and the loop must span whole
// repetitions.
TEST(TuneInstruments, HeldNotesLoopWithoutAClick)
{
    for (const Cycle &c : pitched) {
        SCOPED_TRACE("instrument " + std::to_string(c.number));
        Instrument ins = make_instrument(c.number);
        std::vector<unsigned char> pcm = to_unsigned_8bit(ins.signal);
        ASSERT_TRUE(ins.looped);
        int length = (int)pcm.size();
        EXPECT_EQ((length - ins.loop_start) % c.frames, 0);
        for (int i = ins.loop_start; i + c.frames < length; i++)
            ASSERT_EQ(pcm[i], pcm[i + c.frames]) << "frame " << i;
        // Continuing past the end gives the frame at loop_start.
        EXPECT_EQ(pcm[ins.loop_start], pcm[length - c.frames]);
    }
}

TEST(TuneInstruments, DrumsDieAwayAndDoNotLoop)
{
    for (int number : {INS_KICK, INS_SNARE, INS_HAT, INS_OPEN_HAT}) {
        SCOPED_TRACE("drum " + std::to_string(number));
        Instrument ins = make_instrument(number);
        std::vector<unsigned char> pcm = to_unsigned_8bit(ins.signal);
        EXPECT_FALSE(ins.looped);
        ASSERT_GT(pcm.size(), 100u);
        int loudest = 0;
        for (unsigned char v : pcm)
            loudest = std::max(loudest, std::abs(v - 128));
        EXPECT_GE(loudest, 100);
        EXPECT_EQ(pcm.back(), 128) << "a one-shot sound ends in silence";
    }
}

TEST(TuneInstruments, AreTheSameOnEveryCall)
{
    for (int number = 1; number <= MODULE_SAMPLE_COUNT; number++)
        EXPECT_EQ(to_unsigned_8bit(make_instrument(number).signal),
                  to_unsigned_8bit(make_instrument(number).signal))
            << number;
}

// --- Conversion to PCM ----------------------------------------------------------------

TEST(Synth, EightBitPcmIsOffsetBinaryAndClamped)
{
    Signal s;
    s.frames = {0.0, 1.0, -1.0, 0.5, 2.0, -2.0};
    std::vector<unsigned char> pcm = to_unsigned_8bit(s);
    std::vector<unsigned char> expected = {128, 255, 1, 192, 255, 0};
    EXPECT_EQ(pcm, expected);
}

TEST(Synth, NormaliseScalesTheLoudestFrameToThePeak)
{
    Signal s;
    s.frames = {0.1, -0.4, 0.2};
    normalise(&s, 0.8);
    EXPECT_DOUBLE_EQ(s.frames[1], -0.8);
    EXPECT_DOUBLE_EQ(s.frames[0], 0.2);
    Signal quiet;
    quiet.frames = {0.0, 0.0};
    normalise(&quiet, 0.9);   // silence stays silence, no division by zero
    EXPECT_EQ(quiet.frames[0], 0.0);
}

}  // namespace
