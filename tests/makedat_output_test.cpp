// The builder's writers and palette: objects written through the library's
// chunk calls read back as the library's own records, the MIDI tracks are
// well formed, and the palette checker really refuses illegible colours.
//
// makedat is a program, not a library; the parts under test are compiled
// into this test directly.
#include "tools/makedat/datafile_writer.cpp"
#include "tools/makedat/midi_song.cpp"
#include "tools/makedat/palette.cpp"
#include "tools/makedat/sounds.cpp"
#include "tools/makedat/synth.cpp"

#include <unistd.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

namespace {

class Library : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        set_color_depth(8);
    }
};
::testing::Environment *const library = ::testing::AddGlobalTestEnvironment(new Library);

// A scratch file removed at the end of the test.
class ScratchFile {
public:
    ScratchFile()
    {
        char name[] = "/tmp/zq_makedat_XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        path_ = name;
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    const char *path() const { return path_.c_str(); }

private:
    std::string path_;
};

// --- The datafile layout ---------------------------------------------------------

TEST(DatafileWriter, ObjectsReadBackAsTheLibrarysRecords)
{
    ScratchFile file;
    PALETTE pal;
    build_palette(pal);
    BITMAP *bmp = create_bitmap_ex(8, 5, 3);
    ASSERT_NE(bmp, nullptr);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            putpixel(bmp, x, y, 10 * y + x + 1);
    Signal tone;
    tone.rate = 11025;
    tone.frames = {0.0, 0.5, -0.5, 1.0};

    DatWriter w;
    ASSERT_TRUE(dat_open(&w, file.path(), 4));
    dat_write_bitmap(&w, "PICTURE", bmp);
    dat_write_palette(&w, "COLOURS", pal);
    dat_write_data(&w, "NOTE", "hello");
    dat_write_sample(&w, "TONE", tone);
    ASSERT_TRUE(dat_close(&w));

    DATAFILE *d = load_datafile(file.path());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d[0].type, DAT_BITMAP);
    BITMAP *back = (BITMAP *)d[0].dat;
    ASSERT_EQ(back->w, 5);
    ASSERT_EQ(back->h, 3);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(getpixel(back, x, y), 10 * y + x + 1);
    EXPECT_STREQ(get_datafile_property(&d[0], DAT_NAME), "PICTURE");

    ASSERT_EQ(d[1].type, DAT_PALETTE);
    const RGB *colours = (const RGB *)d[1].dat;
    for (int i = 0; i < PAL_SIZE; i++) {
        EXPECT_EQ(colours[i].r, pal[i].r) << i;
        EXPECT_EQ(colours[i].g, pal[i].g) << i;
        EXPECT_EQ(colours[i].b, pal[i].b) << i;
    }

    ASSERT_EQ(d[2].type, DAT_DATA);
    EXPECT_EQ(d[2].size, 5);
    EXPECT_EQ(std::string((const char *)d[2].dat, 5), "hello");

    ASSERT_EQ(d[3].type, DAT_SAMPLE);
    SAMPLE *s = (SAMPLE *)d[3].dat;
    EXPECT_EQ(s->bits, 8);
    EXPECT_EQ(s->stereo, 0);
    EXPECT_EQ(s->freq, 11025);
    ASSERT_EQ(s->len, 4u);
    EXPECT_EQ(std::vector<unsigned char>((unsigned char *)s->data, (unsigned char *)s->data + 4),
              to_unsigned_8bit(tone));
    EXPECT_EQ(d[4].type, DAT_END);

    unload_datafile(d);
    destroy_bitmap(bmp);
}

TEST(DatafileWriter, HeaderIsTheLibrarysMagicAndCount)
{
    ScratchFile file;
    DatWriter w;
    ASSERT_TRUE(dat_open(&w, file.path(), 1));
    dat_write_data(&w, "X", "x");
    ASSERT_TRUE(dat_close(&w));
    PACKFILE *f = pack_fopen(file.path(), F_READ_PACKED);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(pack_mgetl(f), DAT_MAGIC);
    EXPECT_EQ(pack_mgetl(f), 1);
    EXPECT_EQ(pack_mgetl(f), DAT_PROPERTY);   // the object's name comes first
    EXPECT_EQ(pack_mgetl(f), DAT_NAME);
    pack_fclose(f);
}

TEST(DatafileWriter, AShortCountIsAFailure)
{
    ScratchFile file;
    DatWriter w;
    ASSERT_TRUE(dat_open(&w, file.path(), 3));
    dat_write_data(&w, "ONLY", "1");
    EXPECT_FALSE(dat_close(&w));
}

TEST(DatafileWriter, AnObjectLeftOpenIsAFailure)
{
    ScratchFile file;
    DatWriter w;
    ASSERT_TRUE(dat_open(&w, file.path(), 1));
    dat_begin_object(&w, DAT_DATA, "OPEN");
    dat_begin_object(&w, DAT_DATA, "NESTED");   // refused: one object at a time
    EXPECT_TRUE(w.failed);
    EXPECT_FALSE(dat_close(&w));
}

TEST(DatafileWriter, AnUncreatableFileIsReported)
{
    DatWriter w;
    EXPECT_FALSE(dat_open(&w, "/nonexistent-directory/zorvane.dat", 1));
    EXPECT_TRUE(w.failed);
    EXPECT_FALSE(dat_close(&w));
}

// --- MIDI ------------------------------------------------------------------------

std::vector<unsigned char> variable_length(unsigned long value)
{
    std::vector<unsigned char> out;
    put_variable_length(&out, value);
    return out;
}

TEST(MidiTracks, DeltaTimesUseTheStandardVariableLength)
{
    EXPECT_EQ(variable_length(0), (std::vector<unsigned char>{0x00}));
    EXPECT_EQ(variable_length(0x7F), (std::vector<unsigned char>{0x7F}));
    EXPECT_EQ(variable_length(0x80), (std::vector<unsigned char>{0x81, 0x00}));
    EXPECT_EQ(variable_length(0x3FFF), (std::vector<unsigned char>{0xFF, 0x7F}));
    EXPECT_EQ(variable_length(0x200000), (std::vector<unsigned char>{0x81, 0x80, 0x80, 0x00}));
}

TEST(MidiTracks, EventsAreSortedAndNoteOffsComeFirst)
{
    Track t;
    t.note(0, 96, 96, 60, 100);   // 60 on at 96, off at 192
    t.note(0, 192, 96, 62, 100);  // 62 on at 192: after the off of 60
    t.note(0, 0, 96, 64, 100);    // added last, plays first
    std::vector<unsigned char> bytes = encode(t);
    std::vector<unsigned char> expected = {
        0x00, 0x90, 64, 100,      // 64 on at 0
        0x60, 0x80, 64, 0,        // at 96 the off of 64 comes before...
        0x00, 0x90, 60, 100,      // ...the on of 60
        0x60, 0x80, 60, 0,        // at 192 the off of 60 before...
        0x00, 0x90, 62, 100,      // ...the on of 62
        0x60, 0x80, 62, 0,        // 62 off at 288
        0x00, 0xFF, 0x2F, 0x00,   // end of track
    };
    EXPECT_EQ(bytes, expected);
}

// Per track: note-ons and note-offs pair up, so no note hangs.
std::map<int, int> open_notes(const std::vector<unsigned char> &track)
{
    std::map<int, int> open;
    size_t at = 0;
    while (at < track.size()) {
        while (track[at] & 0x80)
            at++;
        at++;   // last byte of the delta time
        int status = track[at];
        if (status == 0xFF) {
            at += 3 + track[at + 2];
            continue;
        }
        int key = (status & 0x0F) * 128 + track[at + 1];
        int kind = status & 0xF0;
        if (kind == 0x90 && track[at + 2] > 0)
            open[key]++;
        else if (kind == 0x80 || kind == 0x90)
            open[key]--;
        at += (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    return open;
}

TEST(CreditsSong, EveryNoteEndsAndEveryTrackIsClosed)
{
    MidiSong song = make_credits_song();
    ASSERT_GE(song.tracks.size(), 2u);
    for (size_t t = 0; t < song.tracks.size(); t++) {
        SCOPED_TRACE("track " + std::to_string(t));
        const std::vector<unsigned char> &track = song.tracks[t];
        ASSERT_GE(track.size(), 4u);
        EXPECT_EQ(std::vector<unsigned char>(track.end() - 3, track.end()),
                  (std::vector<unsigned char>{0xFF, 0x2F, 0x00}));
        for (const auto &entry : open_notes(track))
            EXPECT_EQ(entry.second, 0) << "note " << entry.first % 128 << " on channel " << entry.first / 128;
    }
}

TEST(CreditsSong, SetsItsTempoAtTheStart)
{
    MidiSong song = make_credits_song();
    const std::vector<unsigned char> &conductor = song.tracks[0];
    const unsigned char tempo[] = {0xFF, 0x51, 0x03};
    auto found = std::search(conductor.begin(), conductor.end(), tempo, tempo + 3);
    ASSERT_NE(found, conductor.end());
    long microseconds = (found[3] << 16) | (found[4] << 8) | found[5];
    EXPECT_EQ(microseconds, 60000000L / 96);
}

TEST(CreditsSong, StandardMidiFileHasItsHeaderAndTracks)
{
    ScratchFile file;
    MidiSong song = make_credits_song();
    ASSERT_TRUE(save_midi_file(file.path(), song));
    FILE *f = fopen(file.path(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> bytes;
    for (int c; (c = fgetc(f)) != EOF;)
        bytes.push_back((unsigned char)c);
    fclose(f);
    const unsigned char header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    ASSERT_GE(bytes.size(), 14u);
    EXPECT_TRUE(std::equal(header, header + 10, bytes.begin()));
    EXPECT_EQ(bytes[10] * 256 + bytes[11], (int)song.tracks.size());
    EXPECT_EQ(bytes[12] * 256 + bytes[13], song.divisions);
    size_t expected = 14;
    for (const auto &track : song.tracks)
        expected += 8 + track.size();
    EXPECT_EQ(bytes.size(), expected);
}

TEST(CreditsSong, ReadsBackFromTheDatafileAsTheLibrarysMidi)
{
    ScratchFile file;
    MidiSong song = make_credits_song();
    DatWriter w;
    ASSERT_TRUE(dat_open(&w, file.path(), 1));
    dat_write_midi(&w, "SONG", song);
    ASSERT_TRUE(dat_close(&w));
    DATAFILE *d = load_datafile(file.path());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d[0].type, DAT_MIDI);
    MIDI *midi = (MIDI *)d[0].dat;
    EXPECT_EQ(midi->divisions, song.divisions);
    for (int t = 0; t < MIDI_TRACKS; t++) {
        size_t length = t < (int)song.tracks.size() ? song.tracks[t].size() : 0;
        ASSERT_EQ((size_t)midi->track[t].len, length) << "track " << t;
        if (length) {
            EXPECT_TRUE(std::equal(song.tracks[t].begin(), song.tracks[t].end(), midi->track[t].data));
        }
    }
    unload_datafile(d);
}

// --- Palette ---------------------------------------------------------------------

TEST(Palette, ContrastRatioRunsFromOneToTwentyOne)
{
    PALETTE pal;
    build_palette(pal);
    EXPECT_NEAR(palette_contrast(pal, COL_BLACK, COL_WHITE), 21.0, 1e-9);
    EXPECT_NEAR(palette_contrast(pal, COL_WHITE, COL_BLACK), 21.0, 1e-9);
    EXPECT_NEAR(palette_contrast(pal, COL_GOLD, COL_GOLD), 1.0, 1e-9);
}

TEST(Palette, BlacksAndWhiteWhereThePointerLooksForThem)
{
    PALETTE pal;
    build_palette(pal);
    for (int index : {COL_BLACK, COL_POINTER_BLACK})
        EXPECT_EQ(pal[index].r + pal[index].g + pal[index].b, 0) << index;
    EXPECT_EQ(pal[COL_WHITE].r, 63);
    EXPECT_EQ(pal[COL_WHITE].g, 63);
    EXPECT_EQ(pal[COL_WHITE].b, 63);
}

TEST(Palette, CheckerRefusesAnIllegibleTextColour)
{
    PALETTE pal;
    build_palette(pal);
    EXPECT_TRUE(palette_pairs_legible(pal));
    pal[COL_PAUSE] = pal[COL_BUTTON_FACE];   // pause text as dark as a button
    EXPECT_FALSE(palette_pairs_legible(pal));
    build_palette(pal);
    pal[RAMP_NIGHT + RAMP_NIGHT_COUNT - 1] = pal[COL_TEXT];   // a pattern shade as light as text
    EXPECT_FALSE(palette_pairs_legible(pal));
}

// The ramps fill whole ranges of the palette: none may cover an index the
// screens use by number.
TEST(Palette, RampsLeaveTheNamedColoursAlone)
{
    const int roles[] = {COL_BLACK, COL_BUTTON_FACE, COL_GOLD, COL_YELLOW, COL_TEXT,
                         COL_POINTER_BLACK, COL_BUTTON_LIGHT, COL_ORANGE, COL_LEGEND_ACTION,
                         COL_COUNTER_LABEL, COL_PAUSE, COL_HELP_TEXT, COL_LEGEND_KEY, COL_OUTLINE,
                         COL_HELP_OUTLINE, COL_RULE, COL_LOGO_OUTLINE, COL_WHITE};
    const int ramps[][2] = {{RAMP_NIGHT, RAMP_NIGHT_COUNT}, {RAMP_SKY, RAMP_SKY_COUNT},
                            {RAMP_METAL, RAMP_METAL_COUNT}, {RAMP_CELLS, RAMP_CELLS_COUNT},
                            {RAMP_LOGO, RAMP_LOGO_COUNT},   {RAMP_GLOW, RAMP_GLOW_COUNT},
                            {RAMP_GREY, RAMP_GREY_COUNT},   {RAMP_EMBER, RAMP_EMBER_COUNT}};
    std::vector<int> owner(PAL_SIZE, -1);
    for (size_t r = 0; r < sizeof ramps / sizeof ramps[0]; r++)
        for (int i = ramps[r][0]; i < ramps[r][0] + ramps[r][1]; i++) {
            ASSERT_LT(i, PAL_SIZE);
            EXPECT_EQ(owner[i], -1) << "ramps " << owner[i] << " and " << r << " share index " << i;
            owner[i] = (int)r;
        }
    for (int role : roles)
        EXPECT_EQ(owner[role], -1) << "index " << role << " is both a named colour and in ramp " << owner[role];
    EXPECT_EQ(RAMP_CELLS_COUNT, CELL_COLOURS * CELL_SHADES);
}

TEST(Palette, BackgroundRampsGetLighterStepByStep)
{
    PALETTE pal;
    build_palette(pal);
    for (int first : {(int)RAMP_NIGHT, (int)RAMP_METAL}) {
        int count = first == RAMP_NIGHT ? RAMP_NIGHT_COUNT : RAMP_METAL_COUNT;
        for (int i = first; i + 1 < first + count; i++)
            EXPECT_LE(luminance(pal[i]), luminance(pal[i + 1])) << "index " << i;
    }
}

TEST(Palette, CellShadesRunFromOutlineToHighlight)
{
    PALETTE pal;
    build_palette(pal);
    std::set<int> faces;
    for (int cell = 0; cell < CELL_COLOURS; cell++) {
        for (int shade = SHADE_OUTLINE; shade < SHADE_HIGHLIGHT; shade++)
            EXPECT_LT(luminance(pal[cell_colour(cell, shade)]), luminance(pal[cell_colour(cell, shade + 1)]))
                << "cell " << cell << " shade " << shade;
        const RGB &face = pal[cell_colour(cell, SHADE_FACE)];
        faces.insert(face.r * 4096 + face.g * 64 + face.b);
    }
    EXPECT_EQ(faces.size(), (size_t)CELL_COLOURS) << "two cells share a face colour";
}

TEST(Palette, RampColourSpreadsLevelsOverTheWholeRamp)
{
    EXPECT_EQ(ramp_colour(100, 10, 0, 4), 100);
    EXPECT_EQ(ramp_colour(100, 10, 3, 4), 109);
    EXPECT_EQ(ramp_colour(100, 10, -5, 4), 100);   // clamped
    EXPECT_EQ(ramp_colour(100, 10, 9, 4), 109);
    EXPECT_EQ(ramp_colour(100, 10, 2, 1), 100);    // a single level is the first shade
}

}  // namespace
