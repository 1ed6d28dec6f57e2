// The S3M importer: channel maps with and without fast loading, pans, order
// compaction, missing patterns, note, volume and effect conversion, sample
// data forms, and damaged files.
#include <string.h>

#include <gtest/gtest.h>

#include "import/import.h"
#include "support/module_checks.h"
#include "support/module_files.h"

namespace {

class S3mImport : public testing::Test {
protected:
    void SetUp() override { install_allegro_for_files(); }
    void TearDown() override
    {
        destroy_mod(module);
        fast_loading = -1;
    }

    JGMOD *load(const S3mFile &s3m)
    {
        ScratchFile file(build_s3m(s3m));
        destroy_mod(module);
        module = load_s3m(file.path(), 0);
        return module;
    }

    JGMOD *module = nullptr;
};

S3mCell cell_at(int row, int channel)
{
    S3mCell cell;
    cell.row = row;
    cell.channel = channel;
    return cell;
}

S3mSample sample_of(const Bytes &data)
{
    S3mSample sample;
    sample.length = (long)data.size();
    sample.data = data;
    return sample;
}

TEST_F(S3mImport, DetectsTheTagAtByte44)
{
    S3mFile s3m;
    ScratchFile file(build_s3m(s3m));
    EXPECT_EQ(detect_s3m(file.path()), 1);
    Bytes other = build_s3m(s3m);
    other[44] = 'X';
    ScratchFile wrong(other);
    EXPECT_EQ(detect_s3m(wrong.path()), -1);
    ScratchFile tiny(Bytes(30, 'S'));
    EXPECT_EQ(detect_s3m(tiny.path()), -1);
    EXPECT_EQ(detect_s3m("/nonexistent/file.s3m"), 0);
}

TEST_F(S3mImport, HeaderFields)
{
    S3mFile s3m;
    s3m.title = "A title of twenty-eight ch..";
    s3m.global_volume = 48;
    s3m.speed = 3;
    s3m.tempo = 150;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_STREQ(module->name, "A title of twenty-eight ch..");
    EXPECT_EQ(module->global_volume, 48);
    EXPECT_EQ(module->tempo, 3);
    EXPECT_EQ(module->bpm, 150);
    EXPECT_EQ(module->flags, 0);
    EXPECT_EQ(module->restart_order, 0);
    EXPECT_EQ(module->instrument_count, 0);
}

TEST_F(S3mImport, SpeedZeroAndTempoZeroBecomeSixAnd125)
{
    S3mFile s3m;
    s3m.speed = 0;
    s3m.tempo = 0;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->tempo, 6);
    EXPECT_EQ(module->bpm, 125);
}

TEST_F(S3mImport, EnabledChannelsAreNumberedInOrderWithLeftAndRightPans)
{
    S3mFile s3m;  // channels 0, 1, 2, 3 set to 0, 8, 1, 9
    for (int channel = 0; channel < 32; channel++)
        s3m.channel_settings[channel] = 255;
    s3m.channel_settings[0] = 0;
    s3m.channel_settings[1] = 1;
    s3m.channel_settings[8] = 8;
    s3m.channel_settings[9] = 9;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_count, 4);
    EXPECT_EQ(module->channel_pan[0], 64);
    EXPECT_EQ(module->channel_pan[1], 64);
    EXPECT_EQ(module->channel_pan[2], 192);
    EXPECT_EQ(module->channel_pan[3], 192);
    EXPECT_EQ(remap[0], 0);
    EXPECT_EQ(remap[1], 1);
    EXPECT_EQ(remap[2], -1);
    EXPECT_EQ(remap[8], 2);
    EXPECT_EQ(remap[9], 3);
}

TEST_F(S3mImport, OtherEnabledChannelsGetAChannelButNoPan)
{
    S3mFile s3m;
    s3m.channel_settings[4] = 16;  // an enabled channel that is not a sample channel
    s3m.channel_settings[5] = 128; // disabled
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_count, 5);
    EXPECT_EQ(remap[4], 4);
    EXPECT_EQ(remap[5], -1);
    EXPECT_EQ(module->channel_pan[4], 0);
}

TEST_F(S3mImport, WithoutFastLoadingOnlyUsedChannelsAreKeptWithoutGaps)
{
    S3mFile s3m;  // channels 0..3 enabled
    S3mCell first = cell_at(0, 0);
    first.volume = 10;
    S3mCell third = cell_at(5, 2);
    third.volume = 30;
    S3mCell disabled = cell_at(6, 7);  // not enabled: not counted
    disabled.volume = 40;
    s3m.patterns = {{first}, {third, disabled}};
    s3m.orders = {0, 1};
    fast_loading = 0;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_count, 2);
    EXPECT_EQ(remap[0], 0);
    EXPECT_EQ(remap[1], -1);
    EXPECT_EQ(remap[2], 1);
    EXPECT_EQ(remap[3], -1);
    EXPECT_EQ(module->channel_pan[0], 64);
    EXPECT_EQ(module->channel_pan[1], 64);
    EXPECT_EQ(get_note(module, 0, 0, 0)->volume, 26);
    EXPECT_EQ(get_note(module, 1, 5, 1)->volume, 46);

    fast_loading = -1;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_count, 4);
    EXPECT_EQ(get_note(module, 1, 5, 2)->volume, 46);
}

TEST_F(S3mImport, CellsOnChannelsWithoutAModuleChannelAreDropped)
{
    S3mFile s3m;
    S3mCell kept = cell_at(2, 3);
    kept.note = 0x40;
    kept.instrument = 0;
    S3mCell dropped = cell_at(2, 20);  // disabled channel
    dropped.note = 0x50;
    dropped.instrument = 0;
    dropped.command = 1;
    dropped.info = 9;
    s3m.patterns = {{kept, dropped}};
    ASSERT_NE(load(s3m), nullptr);
    ASSERT_EQ(module->channel_count, 4);
    EXPECT_EQ(get_note(module, 0, 2, 3)->note, 8363);
    for (int channel = 0; channel < 3; channel++) {
        const NOTE_INFO *cell = get_note(module, 0, 2, channel);
        EXPECT_EQ(cell->note, 0);
        EXPECT_EQ(cell->command, 0);
    }
}

TEST_F(S3mImport, PanTableOverridesChannelsWhoseByteHasBit5)
{
    S3mFile s3m;
    s3m.default_pan = 252;
    s3m.pan_table[0] = 0x23;  // 3 * 17
    s3m.pan_table[1] = 0x0F;  // bit 5 clear: the default stays
    s3m.pan_table[3] = 0x2F;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_pan[0], 51);
    EXPECT_EQ(module->channel_pan[1], 192);
    EXPECT_EQ(module->channel_pan[3], 255);

    s3m.default_pan = 0;  // no table: its bytes are not even in the file
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->channel_pan[0], 64);
}

TEST_F(S3mImport, OrderMarkersAreDroppedAndPatternsCountedFromWhatRemains)
{
    S3mFile s3m;
    s3m.orders = {0, 254, 1, 255, 2};
    s3m.patterns.resize(3);
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->order_count, 3);
    EXPECT_EQ(module->order_table[0], 0);
    EXPECT_EQ(module->order_table[1], 1);
    EXPECT_EQ(module->order_table[2], 2);
    EXPECT_EQ(module->pattern_count, 3);
}

TEST_F(S3mImport, OrdersNamingMissingPatternsGetEmptyOnes)
{
    S3mFile s3m;
    s3m.orders = {0, 5};
    S3mCell cell = cell_at(0, 0);
    cell.volume = 3;
    s3m.patterns = {{cell}, {cell}, {cell}};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->pattern_count, 6);
    for (int pattern = 0; pattern < 6; pattern++) {
        EXPECT_EQ(module->pattern_info[pattern].row_count, 64);
        EXPECT_EQ(get_note(module, pattern, 0, 0)->volume, pattern < 3 ? 19 : 0) << pattern;
    }
}

TEST_F(S3mImport, PatternsNoOrderReachesAreNotBuilt)
{
    S3mFile s3m;
    s3m.orders = {1};
    s3m.patterns.resize(4);
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->pattern_count, 2);
}

TEST_F(S3mImport, OrderCountAbove256KeepsTheFirst256)
{
    S3mFile s3m;
    s3m.orders.assign(300, 0);
    s3m.orders[255] = 1;
    s3m.orders[256] = 2;  // beyond what the table holds
    s3m.patterns.resize(3);
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->order_count, 256);
    EXPECT_EQ(module->order_table[255], 1);
    EXPECT_EQ(module->pattern_count, 2);
}

TEST_F(S3mImport, PatternWithParapointerZeroIsEmpty)
{
    S3mFile s3m;
    s3m.orders = {0, 1};
    S3mCell cell = cell_at(0, 0);
    cell.volume = 7;
    s3m.patterns = {{cell}, {cell}};
    s3m.empty_pointer = {true, false};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->volume, 0);
    EXPECT_EQ(get_note(module, 1, 0, 0)->volume, 23);
}

TEST_F(S3mImport, NotesInstrumentsAndVolumes)
{
    S3mFile s3m;
    s3m.samples.resize(3);
    std::vector<S3mCell> cells;
    int notes[5] = {0x40, 0x50, 254, 255, 0x4C};
    int instruments[5] = {3, 1, 0, 2, 4};
    for (int channel = 0; channel < 5; channel++) {
        S3mCell cell = cell_at(0, channel < 4 ? channel : 0);
        cell.row = channel < 4 ? 0 : 1;
        cell.note = notes[channel];
        cell.instrument = instruments[channel];
        cells.push_back(cell);
    }
    S3mCell loud = cell_at(2, 0);
    loud.volume = 64;
    S3mCell too_loud = cell_at(2, 1);
    too_loud.volume = 200;
    cells.push_back(loud);
    cells.push_back(too_loud);
    s3m.patterns = {cells};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(get_note(module, 0, 0, 0)->note, 8363);
    EXPECT_EQ(get_note(module, 0, 0, 0)->sample, 3);
    EXPECT_EQ(get_note(module, 0, 0, 1)->note, 16726);
    EXPECT_EQ(get_note(module, 0, 0, 2)->note, -1);
    EXPECT_EQ(get_note(module, 0, 0, 3)->note, 0);
    EXPECT_EQ(get_note(module, 0, 0, 3)->sample, 2);
    EXPECT_EQ(get_note(module, 0, 1, 0)->note, 0);    // semitone 12 does not exist
    EXPECT_EQ(get_note(module, 0, 1, 0)->sample, 0);  // instrument 4 of 3
    EXPECT_EQ(get_note(module, 0, 2, 0)->volume, 80);
    EXPECT_EQ(get_note(module, 0, 2, 1)->volume, 80);
}

TEST(S3mPitch, NoteBytesBecomeFrequencyValues)
{
    struct {
        int in, out;
    } cases[] = {
        {0x40, 8363}, {0x50, 16726}, {0x41, 3579546 / (6464 >> 4)}, {0x00, 3579546 / 6848},
        {0x9B, 3579546 / (3628 >> 9)}, {254, -1}, {255, 0}, {0x4C, 0}, {0x3F, 0}, {-1, 0}, {300, 0},
    };
    for (auto c : cases) {
        int note = c.in;
        convert_s3m_pitch(&note);
        EXPECT_EQ(note, c.out) << c.in;
    }
    int high = 0xF0;  // octave 15: the period shifts to nothing
    convert_s3m_pitch(&high);
    EXPECT_EQ(high, 0);
}

TEST(S3mEffects, LettersBecomeThePlayersCommands)
{
    struct {
        int command, parameter, out_command, out_parameter;
    } cases[] = {
        {1, 0x05, 0x10, 0x05},  {2, 0x03, 0x0B, 0x03},  {3, 0x10, 0x0D, 0x10},  {4, 0x0F, 0x11, 0x0F},
        {5, 0xF2, 0x12, 0xF2},  {6, 0xE1, 0x13, 0xE1},  {7, 0x20, 0x03, 0x20},  {8, 0x44, 0x04, 0x44},
        {9, 0x31, 0x14, 0x31},  {10, 0x37, 0x15, 0x37}, {11, 0x02, 0x16, 0x02}, {12, 0x20, 0x17, 0x20},
        {13, 0x20, 0, 0},       {14, 0x20, 0, 0},       {15, 0x80, 0x09, 0x80}, {16, 0x20, 0, 0},
        {17, 0x43, 0x18, 0x43}, {18, 0x44, 0x19, 0x44}, {20, 0x80, 0x1A, 0x80}, {21, 0x44, 0x1B, 0x44},
        {22, 0x30, 0x1C, 0x30}, {23, 0x30, 0, 0},       {24, 0x40, 0x1D, 0x40}, {25, 0x40, 0, 0},
        {26, 0x40, 0, 0},       {0, 0x40, 0, 0},        {27, 0x40, 0, 0},       {255, 0x40, 0, 0},
        {19, 0x11, 0x0E, 0x31}, {19, 0x23, 0x0E, 0x53}, {19, 0x32, 0x0E, 0x42}, {19, 0x41, 0x0E, 0x71},
        {19, 0x8C, 0x0E, 0x8C}, {19, 0xA5, 0x0E, 0x105}, {19, 0xB2, 0x0E, 0x62}, {19, 0xC3, 0x0E, 0xC3},
        {19, 0xD2, 0x0E, 0xD2}, {19, 0xE4, 0x0E, 0xE4}, {19, 0x91, 0, 0},       {19, 0x01, 0, 0},
        {19, 0x5F, 0, 0},       {19, 0x61, 0, 0},       {19, 0x71, 0, 0},       {19, 0xF0, 0, 0},
    };
    for (auto c : cases) {
        int command = c.command, parameter = c.parameter;
        convert_s3m_command(&command, &parameter);
        EXPECT_EQ(command, c.out_command) << c.command << "/" << c.parameter;
        EXPECT_EQ(parameter, c.out_parameter) << c.command << "/" << c.parameter;
    }
}

TEST_F(S3mImport, EffectsInCellsAreConverted)
{
    S3mFile s3m;
    S3mCell cell = cell_at(4, 1);
    cell.command = 19;
    cell.info = 0xB2;
    s3m.patterns = {{cell}};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(get_note(module, 0, 4, 1)->command, 0x0E);
    EXPECT_EQ(get_note(module, 0, 4, 1)->parameter, 0x62);
}

TEST_F(S3mImport, SampleHeaderAndUnsignedData)
{
    S3mFile s3m;
    S3mSample sample = sample_of({0x00, 0x80, 0xFF, 0x10});
    sample.volume = 33;
    sample.c2spd = 0x12345678;  // only the low 16 bits are kept
    sample.loop_start = 1;
    sample.loop_end = 3;
    sample.flags = 1;
    s3m.samples = {sample};
    ASSERT_NE(load(s3m), nullptr);
    const SAMPLE_INFO *info = &module->sample_info[0];
    const SAMPLE *s = &module->samples[0];
    EXPECT_EQ(info->length, 4);
    EXPECT_EQ(info->volume, 33);
    EXPECT_EQ(info->tuning, 0x5678);
    EXPECT_EQ(info->loop_type, 1);
    EXPECT_EQ(info->loop_start, 1);
    EXPECT_EQ(info->loop_end, 3);
    EXPECT_EQ(s->freq, 0x5678);
    EXPECT_EQ(s->bits, 8);
    EXPECT_EQ(s->len, 4u);
    EXPECT_EQ(s->loop_start, 1u);
    EXPECT_EQ(s->loop_end, 3u);
    EXPECT_EQ(s->priority, 192);
    EXPECT_EQ(memcmp(s->data, "\x00\x80\xFF\x10", 4), 0);
}

TEST_F(S3mImport, SignedDataHasItsTopBitFlipped)
{
    S3mFile s3m;
    s3m.sample_format = 1;
    s3m.samples = {sample_of({0x00, 0x80, 0xFF, 0x10})};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x80\x00\x7F\x90", 4), 0);
}

TEST_F(S3mImport, SixteenBitDataKeepsTheHighByteOfEachPoint)
{
    S3mFile s3m;
    S3mSample sample = sample_of({0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
    sample.length = 3;  // points
    sample.flags = 4;
    s3m.samples = {sample};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->samples[0].len, 3u);
    EXPECT_EQ(module->samples[0].bits, 8);
    EXPECT_EQ(memcmp(module->samples[0].data, "\x22\x44\x66", 3), 0);

    s3m.sample_format = 1;
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(memcmp(module->samples[0].data, "\xA2\xC4\xE6", 3), 0);
}

TEST_F(S3mImport, NonDigitalAndUntaggedSamplesHaveNothingToPlay)
{
    S3mFile s3m;
    S3mSample adlib = sample_of({1, 2, 3, 4});
    adlib.type = 2;
    S3mSample untagged = sample_of({1, 2, 3, 4});
    untagged.tag = "SCRI";
    untagged.loop_end = 4;
    untagged.flags = 1;
    s3m.samples = {adlib, untagged};
    ASSERT_NE(load(s3m), nullptr);
    for (int index = 0; index < 2; index++) {
        EXPECT_EQ(module->sample_info[index].length, 0) << index;
        EXPECT_EQ(module->sample_info[index].loop_type, 0) << index;
        EXPECT_EQ(module->samples[index].len, 0u) << index;
        EXPECT_EQ(module->samples[index].loop_end, 0u) << index;
        EXPECT_EQ(module->samples[index].bits, 0) << index;
        EXPECT_NE(module->samples[index].data, nullptr) << index;
    }
}

TEST_F(S3mImport, SampleLengthIsCutToTheDataTheFileHolds)
{
    S3mFile s3m;
    S3mSample longer = sample_of({9, 9, 9, 9});
    longer.length = 0x7FFFFFF0;
    longer.loop_start = 2;
    longer.loop_end = 0x7FFFFFF0;
    longer.flags = 1;
    S3mSample nowhere = sample_of({});
    nowhere.length = 1000;
    nowhere.no_data_pointer = true;
    s3m.samples = {nowhere, longer};  // the last data block ends the file
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->sample_info[1].length, 4);
    EXPECT_EQ(module->samples[1].len, 4u);
    EXPECT_EQ(module->samples[1].loop_start, 2u);
    EXPECT_EQ(module->samples[1].loop_end, 4u);
    EXPECT_EQ(module->sample_info[1].loop_type, 1);
    EXPECT_EQ(module->sample_info[0].length, 0);
    EXPECT_EQ(module->samples[0].len, 0u);
}

TEST_F(S3mImport, LoopThatStartsAtOrAfterItsEndIsSwitchedOff)
{
    S3mFile s3m;
    S3mSample sample = sample_of(Bytes(16, 0x80));
    sample.loop_start = 16;
    sample.loop_end = 40;
    sample.flags = 1;
    s3m.samples = {sample};
    ASSERT_NE(load(s3m), nullptr);
    EXPECT_EQ(module->sample_info[0].loop_type, 0);
}

TEST_F(S3mImport, InfoAtOffsetsAndMissingFile)
{
    S3mFile s3m;
    s3m.title = "twenty-eight characters, yes";
    Bytes bytes = build_s3m(s3m);
    ScratchFile plain(bytes);
    MODULE_INFO info;
    memset(&info, 0, sizeof info);
    EXPECT_EQ(get_s3m_info(plain.path(), 0, &info), 1);
    EXPECT_EQ(info.type, 3);
    EXPECT_STREQ(info.type_name, "S3M");
    EXPECT_STREQ(info.name, "twenty-eight characters, yes");

    ScratchFile package(build_unreal_package(bytes, 96));
    memset(&info, 0, sizeof info);
    EXPECT_EQ(get_s3m_info(package.path(), 96, &info), 1);
    EXPECT_EQ(info.type, 7);
    EXPECT_STREQ(info.type_name, "Unreal S3M (UMX)");
    EXPECT_STREQ(info.name, "twenty-eight characters, yes");

    EXPECT_EQ(get_s3m_info("/nonexistent/x.s3m", 0, &info), -1);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/x.s3m");
    EXPECT_EQ(load_s3m("/nonexistent/x.s3m", 0), nullptr);
    EXPECT_STREQ(jgmod_error, "Unable to open /nonexistent/x.s3m");
}

S3mFile rich_s3m()
{
    S3mFile s3m;
    s3m.orders = {0, 1, 254, 0, 255};
    s3m.default_pan = 252;
    s3m.pan_table[2] = 0x25;
    S3mSample sixteen = sample_of(Bytes(40, 0x33));
    sixteen.length = 20;
    sixteen.flags = 5;
    sixteen.loop_start = 4;
    sixteen.loop_end = 18;
    s3m.samples = {sample_of(Bytes(24, 0x41)), sixteen};
    std::vector<S3mCell> cells;
    for (int row = 0; row < 64; row += 3) {
        S3mCell cell = cell_at(row, row % 4);
        cell.note = 0x30 + row % 12;
        cell.instrument = 1 + row % 2;
        cell.volume = row;
        cell.command = 1 + row % 24;
        cell.info = row * 3;
        cells.push_back(cell);
    }
    s3m.patterns = {cells, cells};
    return s3m;
}

// Every prefix of a file, with or without fast loading, loads into a module
// the player can use, or fails with a message.
TEST_F(S3mImport, EveryTruncationOfAFileLoadsSafely)
{
    Bytes whole = build_s3m(rich_s3m());
    for (int fast : {-1, 0}) {
        fast_loading = fast;
        for (size_t length = 0; length <= whole.size(); length += 5) {
            ScratchFile file(Bytes(whole.begin(), whole.begin() + length));
            JGMOD *j = load_s3m(file.path(), 0);
            std::string what = "prefix " + std::to_string(length);
            expect_module_sane(j, what.c_str());
            destroy_mod(j);
        }
    }
}

TEST_F(S3mImport, DamagedBytesNeverLeadOutsideTheModule)
{
    Bytes whole = build_s3m(rich_s3m());
    unsigned int seed = 12345;
    for (int round = 0; round < 300; round++) {
        Bytes damaged = whole;
        for (int hit = 0; hit < 6; hit++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 8) % damaged.size();
            seed = seed * 1103515245u + 12345u;
            damaged[at] = (unsigned char)(seed >> 16);
        }
        fast_loading = round % 2 ? 0 : -1;
        ScratchFile file(damaged);
        JGMOD *j = load_s3m(file.path(), 0);
        std::string what = "round " + std::to_string(round);
        expect_module_sane(j, what.c_str());
        destroy_mod(j);
    }
}

}  // namespace
