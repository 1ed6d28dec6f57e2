// The XM importer: order fix-up and the extra pattern, cells, instruments
// with and without samples, sample maps across instruments, delta-coded 8-
// and 16-bit data, loops, envelope fix-ups, limits, and damaged files.
#include <stdint.h>
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

class XmImport : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
    void TearDown() override { destroy_mod(module); }

    JGMOD *load(const XmFile &xm)
    {
        ScratchFile file(build_xm(xm));
        destroy_mod(module);
        module = load_xm(file.path(), 0);
        return module;
    }

    JGMOD *module = nullptr;
};

XmSample xm_sample(const Bytes &data)
{
    XmSample sample;
    sample.length = (long)data.size();
    sample.data = data;
    return sample;
}

XmInstrument instrument_with(std::vector<XmSample> samples)
{
    XmInstrument instrument;
    instrument.samples = samples;
    return instrument;
}

XmCell xm_cell(int note, int instrument, int volume = -1, int effect = -1, int parameter = -1)
{
    XmCell cell;
    cell.note = note;
    cell.instrument = instrument;
    cell.volume = volume;
    cell.effect = effect;
    cell.parameter = parameter;
    return cell;
}

TEST_F(XmImport, DetectsTheTextAtTheStart)
{
    XmFile xm;
    Bytes bytes = build_xm(xm);
    ScratchFile file(bytes);
    EXPECT_EQ(detect_xm(file.path()), 1);
    bytes[16] = '.';
    ScratchFile wrong(bytes);
    EXPECT_EQ(detect_xm(wrong.path()), -1);
    ScratchFile tiny(Bytes{'E', 'x', 't'});
    EXPECT_EQ(detect_xm(tiny.path()), -1);
    EXPECT_EQ(detect_xm("/nonexistent/file.xm"), 0);
}

TEST_F(XmImport, HeaderFields)
{
    XmFile xm;
    xm.title = "twenty characters ok";
    xm.song_length = 2;
    xm.restart = 1;
    xm.orders = {0, 0};
    xm.tempo = 3;
    xm.bpm = 140;
    ASSERT_NE(load(xm), nullptr);
    EXPECT_STREQ(module->name, "twenty characters ok");
    EXPECT_EQ(module->order_count, 2);
    EXPECT_EQ(module->restart_order, 1);
    EXPECT_EQ(module->channel_count, 4);
    EXPECT_EQ(module->tempo, 3);
    EXPECT_EQ(module->bpm, 140);
    EXPECT_EQ(module->global_volume, 64);
    EXPECT_EQ(module->flags, XM_MODE | LINEAR_MODE);
}

TEST_F(XmImport, TempoZeroBpmZeroAndTheFrequencyTable)
{
    XmFile xm;
    xm.tempo = 0;
    xm.bpm = 0;
    xm.flags = 0;
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->tempo, 6);
    EXPECT_EQ(module->bpm, 125);
    EXPECT_EQ(module->flags, 3);
    xm.flags = 1;
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->flags, 5);
}

TEST_F(XmImport, OrderNamingAMissingPatternGoesToAnExtraEmptyPattern)
{
    XmFile xm;
    xm.song_length = 3;
    xm.orders = {0, 9, 3};
    xm.patterns.assign(4, XmPattern());
    xm.patterns[3].rows = 16;
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->order_table[1], 4);
    EXPECT_EQ(module->order_table[2], 3);
    ASSERT_EQ(module->pattern_count, 5);
    EXPECT_EQ(module->pattern_info[3].row_count, 16);
    EXPECT_EQ(module->pattern_info[4].row_count, 64);
    for (int cell = 0; cell < 64 * 4; cell++)
        EXPECT_EQ(module->pattern_info[4].notes[cell].note, 0);
}

TEST_F(XmImport, NoExtraPatternWhenEveryOrderIsValid)
{
    XmFile xm;
    xm.song_length = 2;
    xm.orders = {1, 0, 7};  // the third entry lies past the song
    xm.patterns.assign(2, XmPattern());
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->pattern_count, 2);
    EXPECT_EQ(module->order_table[2], 7);
}

TEST_F(XmImport, PackedAndUnpackedCells)
{
    XmFile xm;
    XmPattern pattern;
    pattern.rows = 2;
    ByteWriter out(&pattern.raw);
    out.u8(0x83).u8(49).u8(2);                // note and instrument only
    out.u8(97).u8(0).u8(0).u8(0).u8(0);       // unpacked key off
    out.u8(0x9F).u8(98).u8(1).u8(0x40).u8(0xE).u8(0x13);  // a note above 97
    out.u8(0x9C).u8(0x20).u8(0xF).u8(0x06);   // volume, effect, parameter
    out.u8(24).u8(1).u8(0x10).u8(0).u8(0x37); // unpacked: arpeggio stays
    out.fill(0x80, 3);
    xm.patterns = {pattern};
    xm.instruments = {instrument_with({}), instrument_with({})};
    ASSERT_NE(load(xm), nullptr);
    const NOTE_INFO *cell = get_note(module, 0, 0, 0);
    EXPECT_EQ(cell->note, 49);
    EXPECT_EQ(cell->sample, 2);
    EXPECT_EQ(cell->volume, 0);
    EXPECT_EQ(cell->command, 0);
    EXPECT_EQ(cell->parameter, 0);
    EXPECT_EQ(get_note(module, 0, 0, 1)->note, -2);
    cell = get_note(module, 0, 0, 2);
    EXPECT_EQ(cell->note, 0);
    EXPECT_EQ(cell->sample, 0);
    EXPECT_EQ(cell->volume, 0x40);
    EXPECT_EQ(cell->command, 0x0E);
    EXPECT_EQ(cell->parameter, 0x113);
    cell = get_note(module, 0, 0, 3);
    EXPECT_EQ(cell->volume, 0x20);
    EXPECT_EQ(cell->command, 0x0F);
    EXPECT_EQ(cell->parameter, 6);
    cell = get_note(module, 0, 1, 0);
    EXPECT_EQ(cell->note, 24);
    EXPECT_EQ(cell->sample, 1);
    EXPECT_EQ(cell->volume, 0x10);
    EXPECT_EQ(cell->command, 0);
    EXPECT_EQ(cell->parameter, 0x37);
}

TEST_F(XmImport, InstrumentAboveTheCountClearsNoteAndInstrument)
{
    XmFile xm;
    xm.patterns[0].cells = {xm_cell(30, 2, 0x30), xm_cell(30, 1)};
    xm.instruments = {instrument_with({})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->note, 0);
    EXPECT_EQ(get_note(module, 0, 0, 0)->sample, 0);
    EXPECT_EQ(get_note(module, 0, 0, 0)->volume, 0x30);
    EXPECT_EQ(get_note(module, 0, 0, 1)->note, 30);
    EXPECT_EQ(get_note(module, 0, 0, 1)->sample, 1);
}

TEST(XmEffects, EffectsBecomeThePlayersCommands)
{
    struct {
        int command, parameter, out_command, out_parameter;
    } cases[] = {
        {0, 0x37, 0x00, 0x37},  {0, 0x00, 0, 0},        {1, 0x05, 0x1E, 0x05},  {2, 0x05, 0x1F, 0x05},
        {3, 0x20, 0x03, 0x20},  {4, 0x44, 0x04, 0x44},  {5, 0x02, 0x20, 0x02},  {6, 0x20, 0x21, 0x20},
        {7, 0x44, 0x07, 0x44},  {8, 0x80, 0x08, 0x80},  {9, 0x10, 0x09, 0x10},  {10, 0x0F, 0x22, 0x0F},
        {11, 0x02, 0x0B, 0x02}, {12, 0x40, 0x0C, 0x40}, {13, 0x16, 0x0D, 0x16}, {15, 0x7D, 0x0F, 0x7D},
        {16, 0x20, 0x1C, 0x20}, {17, 0x0F, 0x23, 0x0F}, {20, 0x03, 0x24, 0x03}, {21, 0x10, 0x25, 0x10},
        {25, 0x0F, 0x26, 0x0F}, {27, 0x43, 0x18, 0x43}, {29, 0x31, 0x14, 0x31}, {33, 0x15, 0x27, 0x15},
        {18, 0x11, 0, 0},       {19, 0x11, 0, 0},       {22, 0x11, 0, 0},       {26, 0x11, 0, 0},
        {35, 0x11, 0, 0},       {36, 0x11, 0, 0},       {255, 0x11, 0, 0},      {-1, 0x11, 0, 0},
        {14, 0x13, 0x0E, 0x113}, {14, 0x2F, 0x0E, 0x12F}, {14, 0xA1, 0x0E, 0x131}, {14, 0xB2, 0x0E, 0x142},
        {14, 0x54, 0, 0},       {14, 0x01, 0, 0},       {14, 0x8F, 0, 0},       {14, 0xF1, 0, 0},
        {14, 0x31, 0x0E, 0x31}, {14, 0x42, 0x0E, 0x42}, {14, 0x63, 0x0E, 0x63}, {14, 0x74, 0x0E, 0x74},
        {14, 0x95, 0x0E, 0x95}, {14, 0xC6, 0x0E, 0xC6}, {14, 0xD7, 0x0E, 0xD7}, {14, 0xE8, 0x0E, 0xE8},
    };
    for (auto c : cases) {
        int command = c.command, parameter = c.parameter;
        convert_xm_command(&command, &parameter);
        EXPECT_EQ(command, c.out_command) << c.command << "/" << c.parameter;
        EXPECT_EQ(parameter, c.out_parameter) << c.command << "/" << c.parameter;
    }
}

TEST_F(XmImport, InstrumentWithoutSamplesMapsEveryNoteToTheBlankSample)
{
    XmFile xm;
    XmInstrument empty;
    empty.map.assign(96, 0);
    XmInstrument short_header = instrument_with({xm_sample({1, 2})});
    short_header.header_size = 29;
    short_header.samples.clear();
    short_header.sample_count = 1;  // said, but a 29-byte header has no room for samples
    xm.instruments = {instrument_with({xm_sample({1, 2, 3})}), empty, short_header};
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 2);  // one sample and the blank one
    for (int note = 0; note < 96; note++) {
        EXPECT_EQ(module->instrument_info[0].note_sample[note], 0);
        EXPECT_EQ(module->instrument_info[1].note_sample[note], 1);
        EXPECT_EQ(module->instrument_info[2].note_sample[note], 1);
    }
}

TEST_F(XmImport, SampleMapsCountFromTheInstrumentsFirstSample)
{
    XmFile xm;
    XmInstrument first = instrument_with({xm_sample({1}), xm_sample({2})});
    first.map.assign(96, 1);
    XmInstrument second = instrument_with({xm_sample({3}), xm_sample({4}), xm_sample({5})});
    second.map.assign(96, 0);
    second.map[10] = 1;
    second.map[11] = 2;
    second.map[12] = 3;  // names no sample of this instrument
    second.map[13] = 200;
    xm.instruments = {first, second};
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 6);
    EXPECT_EQ(module->instrument_info[0].note_sample[0], 1);
    EXPECT_EQ(module->instrument_info[1].note_sample[0], 2);
    EXPECT_EQ(module->instrument_info[1].note_sample[10], 3);
    EXPECT_EQ(module->instrument_info[1].note_sample[11], 4);
    EXPECT_EQ(module->instrument_info[1].note_sample[12], 5);
    EXPECT_EQ(module->instrument_info[1].note_sample[13], 5);
    // Each sample's data was found after its own instrument's headers.
    for (int index = 0; index < 5; index++)
        EXPECT_EQ(((const unsigned char *)module->samples[index].data)[0], (index + 1) ^ 0x80) << index;
}

TEST_F(XmImport, EightBitDataIsDeltaDecoded)
{
    XmFile xm;
    xm.instruments = {instrument_with({xm_sample({0x10, 0x10, 0xF0})})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->samples[0].len, 3u);
    EXPECT_EQ(module->samples[0].bits, 8);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x90\xA0\x90", 3), 0);
}

TEST_F(XmImport, SixteenBitDataBecomesEightBitPointsWithHalvedLoop)
{
    Bytes data;
    ByteWriter out(&data);
    out.le16(0x1234).le16(0x1000).le16(0xF000);  // points 0x1234, 0x2234, 0x1234
    XmSample sample = xm_sample(data);
    sample.length = 1000;
    sample.loop_start = 200;
    sample.loop_length = 400;
    sample.type = 0x11;
    XmFile xm;
    xm.instruments = {instrument_with({sample})};
    ASSERT_NE(load(xm), nullptr);
    const SAMPLE *s = &module->samples[0];
    EXPECT_EQ(s->bits, 8);
    EXPECT_EQ(s->len, 500u);
    EXPECT_EQ(s->loop_start, 100u);
    EXPECT_EQ(s->loop_end, 300u);
    EXPECT_EQ(module->sample_info[0].length, 1000);
    EXPECT_EQ(module->sample_info[0].loop_start, 200);
    EXPECT_EQ(module->sample_info[0].loop_end, 600);
    EXPECT_EQ(module->sample_info[0].loop_type, 1);
    EXPECT_EQ(memcmp(s->data, "\x92\xA2\x92\x92", 4), 0);
}

TEST_F(XmImport, SampleHeaderFields)
{
    XmSample sample = xm_sample(Bytes(10, 0));
    sample.volume = 50;
    sample.finetune = -16;
    sample.relative_note = -12;
    sample.pan = 200;
    sample.type = 2;
    sample.loop_start = 2;
    sample.loop_length = 6;
    XmInstrument instrument = instrument_with({sample});
    instrument.vibrato[0] = 1;
    instrument.vibrato[1] = 2;
    instrument.vibrato[2] = 3;
    instrument.vibrato[3] = 4;
    XmFile xm;
    xm.instruments = {instrument};
    ASSERT_NE(load(xm), nullptr);
    const SAMPLE_INFO *info = &module->sample_info[0];
    EXPECT_EQ(info->volume, 50);
    EXPECT_EQ(info->tuning, 112);
    EXPECT_EQ(info->transpose, -12);
    EXPECT_EQ(info->pan, 200);
    EXPECT_EQ(info->loop_type, LOOP_PINGPONG);
    EXPECT_EQ(info->loop_start, 2);
    EXPECT_EQ(info->loop_end, 8);
    EXPECT_EQ(info->vibrato_type, 1);
    EXPECT_EQ(info->vibrato_sweep, 2);
    EXPECT_EQ(info->vibrato_depth, 3);
    EXPECT_EQ(info->vibrato_rate, 4);
    EXPECT_EQ(module->samples[0].loop_start, 2u);
    EXPECT_EQ(module->samples[0].loop_end, 8u);
}

TEST_F(XmImport, LoopsAreKeptInsideTheData)
{
    XmSample past_end = xm_sample(Bytes(10, 0));
    past_end.type = 1;
    past_end.loop_start = 4;
    past_end.loop_length = 100;
    XmSample after_end = past_end;
    after_end.loop_start = 20;
    XmSample empty_loop = past_end;
    empty_loop.loop_length = 0;
    XmFile xm;
    xm.instruments = {instrument_with({past_end, after_end, empty_loop})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->samples[0].loop_start, 4u);
    EXPECT_EQ(module->samples[0].loop_end, 10u);
    EXPECT_EQ(module->sample_info[0].loop_type, 1);
    EXPECT_EQ(module->samples[1].loop_start, 0u);
    EXPECT_EQ(module->samples[1].loop_end, 10u);
    EXPECT_EQ(module->sample_info[1].loop_type, 0);
    EXPECT_EQ(module->sample_info[2].loop_type, 0);  // a loop of no length is no loop
}

TEST_F(XmImport, TheBlankSampleComesLast)
{
    XmFile xm;
    xm.instruments = {instrument_with({xm_sample({5, 5})})};
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 2);
    const SAMPLE *blank = &module->samples[1];
    EXPECT_EQ(blank->bits, 8);
    EXPECT_EQ(blank->len, 0u);
    EXPECT_EQ(blank->freq, 1000);
    EXPECT_EQ(blank->priority, 192);
    EXPECT_NE(blank->data, nullptr);
    EXPECT_EQ(module->sample_info[1].length, 0);
    EXPECT_EQ(module->sample_info[1].tuning, 0);
}

TEST_F(XmImport, EnvelopesAndTheirFixUps)
{
    XmInstrument instrument = instrument_with({xm_sample({1})});
    instrument.volume_envelope = {{5, 64}, {10, 32}, {20, 0}};
    instrument.volume_sustain = 1;
    instrument.volume_loop_start = 0;
    instrument.volume_loop_end = 2;
    instrument.volume_flags = 7;
    instrument.pan_envelope = {{3, 32}, {6, 200}};
    instrument.pan_points = 14;
    instrument.pan_sustain = 30;
    instrument.pan_flags = 1;
    instrument.fadeout = 0x0400;
    XmInstrument switched_on_without_points = instrument_with({});
    switched_on_without_points.volume_flags = 1;
    switched_on_without_points.samples = {xm_sample({1})};
    XmFile xm;
    xm.instruments = {instrument, switched_on_without_points};
    ASSERT_NE(load(xm), nullptr);
    const INSTRUMENT_INFO *i = &module->instrument_info[0];
    EXPECT_EQ(i->volume_env_points, 3);
    EXPECT_EQ(i->volume_env_tick[0], 0);  // the first point always starts at tick 0
    EXPECT_EQ(i->volume_env_tick[1], 10);
    EXPECT_EQ(i->volume_env_value[0], 64);
    EXPECT_EQ(i->volume_env_value[2], 0);
    EXPECT_EQ(i->volume_env_sustain_start, 1);
    EXPECT_EQ(i->volume_env_sustain_end, 1);
    EXPECT_EQ(i->volume_env_loop_end, 2);
    EXPECT_EQ(i->volume_env_flags, 7);
    EXPECT_EQ(i->pan_env_points, 12);
    EXPECT_EQ(i->pan_env_tick[0], 0);
    EXPECT_EQ(i->pan_env_value[1], 64);   // values stop at 64
    EXPECT_EQ(i->pan_env_sustain_start, 11);  // a point index past the points is pulled back
    EXPECT_EQ(i->fadeout, 0x0400);
    const INSTRUMENT_INFO *j = &module->instrument_info[1];
    EXPECT_EQ(j->volume_env_points, 1);
    EXPECT_EQ(j->volume_env_tick[0], 0);
    EXPECT_EQ(j->volume_env_value[0], 0);
}

TEST_F(XmImport, ShortInstrumentHeaderEndsWhereItSays)
{
    XmInstrument cut = instrument_with({xm_sample({7, 1})});
    cut.header_size = 200;  // the envelope settings and vibrato are not in it
    cut.map.assign(96, 0);
    XmFile xm;
    xm.instruments = {cut, instrument_with({xm_sample({9})})};
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 3);
    EXPECT_EQ(module->samples[0].len, 2u);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x87\x88", 2), 0);
    EXPECT_EQ(((const unsigned char *)module->samples[1].data)[0], 0x89);
}

TEST_F(XmImport, MoreThan256SamplesAreAllKept)
{
    XmFile xm;
    for (int index = 0; index < 20; index++) {
        std::vector<XmSample> samples;
        for (int sample = 0; sample < 16; sample++)
            samples.push_back(xm_sample({(unsigned char)(index * 16 + sample)}));
        XmInstrument instrument = instrument_with(samples);
        instrument.map.assign(96, 15);
        xm.instruments.push_back(instrument);
    }
    ASSERT_NE(load(xm), nullptr);
    ASSERT_EQ(module->sample_count, 321);
    EXPECT_EQ(module->instrument_info[19].note_sample[0], 319);
    EXPECT_EQ(((const unsigned char *)module->samples[319].data)[0], (unsigned char)(319 & 0xFF) ^ 0x80);
}

TEST_F(XmImport, MoreThan64ChannelsKeepTheFirst64)
{
    XmFile xm;
    xm.channels = 70;
    XmPattern pattern;
    pattern.rows = 2;
    pattern.cells.resize(2 * 70);
    pattern.cells[63].volume = 0x21;
    pattern.cells[64].volume = 0x22;   // dropped
    pattern.cells[70].volume = 0x23;   // row 1, channel 0
    xm.patterns = {pattern};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->channel_count, 64);
    EXPECT_EQ(get_note(module, 0, 0, 63)->volume, 0x21);
    EXPECT_EQ(get_note(module, 0, 1, 0)->volume, 0x23);
}

TEST_F(XmImport, PatternsPast256AreSteppedOverToReachTheInstruments)
{
    XmFile xm;
    xm.patterns.assign(258, XmPattern());
    for (XmPattern &pattern : xm.patterns) {
        pattern.rows = 1;
        pattern.cells = {xm_cell(5, 1)};
    }
    xm.orders = {255};
    xm.instruments = {instrument_with({xm_sample({0x21, 0x01})})};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->pattern_count, 256);
    EXPECT_EQ(get_note(module, 0, 255 * 0, 0)->note, 5);
    EXPECT_EQ(module->pattern_info[255].row_count, 1);
    ASSERT_EQ(module->sample_count, 2);
    EXPECT_EQ(memcmp(module->samples[0].data, "\xA1\xA2", 2), 0);
}

TEST_F(XmImport, SongLengthAbove256AndRestartPastTheSong)
{
    XmFile xm;
    xm.song_length = 300;
    xm.restart = 280;
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->order_count, 256);
    EXPECT_EQ(module->restart_order, 0);
}

TEST_F(XmImport, PatternOfPackedSizeZeroIsEmptyAndRowsStopAt256)
{
    XmFile xm;
    xm.patterns.assign(2, XmPattern());
    xm.patterns[0].empty = true;
    xm.patterns[0].rows = 32;
    xm.patterns[1].rows = 300;
    xm.patterns[1].cells.assign(300 * 4, xm_cell(1, -1));
    xm.song_length = 2;
    xm.orders = {0, 1};
    ASSERT_NE(load(xm), nullptr);
    EXPECT_EQ(module->pattern_info[0].row_count, 32);
    EXPECT_EQ(module->pattern_info[1].row_count, 256);
    EXPECT_EQ(get_note(module, 1, 255, 3)->note, 1);
}

TEST_F(XmImport, InfoAndMissingFile)
{
    XmFile xm;
    xm.title = "name of twenty chars";
    Bytes bytes = build_xm(xm);
    ScratchFile plain(bytes);
    MODULE_INFO info;
    memset(&info, 0, sizeof info);
    EXPECT_EQ(get_xm_info(plain.path(), 0, &info), 1);
    EXPECT_EQ(info.type, 4);
    EXPECT_STREQ(info.type_name, "XM");
    EXPECT_STREQ(info.name, "name of twenty chars");
    ScratchFile package(build_unreal_package(bytes, 60));
    memset(&info, 0, sizeof info);
    EXPECT_EQ(get_xm_info(package.path(), 60, &info), 1);
    EXPECT_EQ(info.type, 8);
    EXPECT_STREQ(info.type_name, "Unreal XM (UMX)");
    EXPECT_STREQ(info.name, "name of twenty chars");
    EXPECT_EQ(get_xm_info("/nonexistent/y.xm", 0, &info), -1);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/y.xm");
    EXPECT_EQ(load_xm("/nonexistent/y.xm", 0), nullptr);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/y.xm");
}

XmFile rich_xm()
{
    XmFile xm;
    xm.song_length = 3;
    xm.orders = {0, 1, 5};
    xm.patterns.assign(2, XmPattern());
    xm.patterns[1].rows = 8;
    for (int index = 0; index < 64 * 4; index += 3)
        xm.patterns[0].cells.push_back(xm_cell(1 + index % 97, index % 3, 0x10 + index % 64, index % 36, index & 0xFF));
    XmInstrument first = instrument_with({xm_sample(Bytes(20, 3)), xm_sample(Bytes(8, 1))});
    first.map.assign(96, 1);
    first.volume_envelope = {{0, 64}, {4, 20}};
    first.volume_flags = 3;
    first.samples[0].type = 0x11;
    first.samples[0].loop_length = 10;
    XmInstrument second = instrument_with({xm_sample(Bytes(12, 7))});
    second.samples[0].type = 1;
    second.samples[0].loop_start = 2;
    second.samples[0].loop_length = 6;
    xm.instruments = {first, instrument_with({}), second};
    return xm;
}

// Every prefix of a file loads into a module the player can use, or fails
// with a message.
TEST_F(XmImport, EveryTruncationOfAFileLoadsSafely)
{
    Bytes whole = build_xm(rich_xm());
    for (size_t length = 0; length <= whole.size(); length += 3) {
        ScratchFile file(Bytes(whole.begin(), whole.begin() + length));
        JGMOD *j = load_xm(file.path(), 0);
        std::string what = "prefix " + std::to_string(length);
        expect_module_sane(j, what.c_str());
        destroy_mod(j);
    }
}

TEST_F(XmImport, DamagedBytesNeverLeadOutsideTheModule)
{
    Bytes whole = build_xm(rich_xm());
    uint32_t seed = 777;
    for (int round = 0; round < 400; round++) {
        Bytes damaged = whole;
        for (int hit = 0; hit < 4; hit++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 8) % damaged.size();
            seed = seed * 1103515245u + 12345u;
            damaged[at] = (unsigned char)(seed >> 16);
        }
        ScratchFile file(damaged);
        JGMOD *j = load_xm(file.path(), 0);
        std::string what = "round " + std::to_string(round);
        if (j != nullptr)
            expect_module_sane(j, what.c_str());
        destroy_mod(j);
    }
}

}  // namespace
