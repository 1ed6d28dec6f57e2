// "Quiet Stars", the credits song: thirty bars in C major at 96 bpm for
// electric piano, a pad, bass and soft drums, all instruments that the
// freepats set on Debian has: the theme and its answer, a lighter bridge
// that leans on A minor, the theme's return and a held close.
#include "midi_song.h"

#include <stdio.h>

#include <algorithm>

enum { QUARTER = 96, BAR = 4 * QUARTER, MIDI_TRACK_SLOTS = 32 };

struct Event {
    long tick;
    int order;   // at equal ticks: meta events, note-offs, then the rest
    std::vector<unsigned char> bytes;
};

struct Track {
    std::vector<Event> events;
    void add(long tick, int order, std::vector<unsigned char> bytes)
    {
        events.push_back(Event{tick, order, std::move(bytes)});
    }
    void note(int channel, long start, long length, int key, int velocity)
    {
        add(start, 2, {(unsigned char)(0x90 | channel), (unsigned char)key, (unsigned char)velocity});
        add(start + length, 1, {(unsigned char)(0x80 | channel), (unsigned char)key, 0});
    }
    void program(int channel, int number)
    {
        add(0, 0, {(unsigned char)(0xC0 | channel), (unsigned char)number});
    }
};

static void put_variable_length(std::vector<unsigned char> *out, unsigned long value)
{
    unsigned char bytes[5];
    int count = 0;
    do {
        bytes[count++] = (unsigned char)(value & 0x7F);
        value >>= 7;
    } while (value);
    while (count--)
        out->push_back((unsigned char)(bytes[count] | (count ? 0x80 : 0)));
}

static std::vector<unsigned char> encode(Track track)
{
    std::stable_sort(track.events.begin(), track.events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<unsigned char> out;
    long now = 0;
    for (const Event &e : track.events) {
        put_variable_length(&out, (unsigned long)(e.tick - now));
        now = e.tick;
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    }
    const unsigned char end_of_track[] = {0x00, 0xFF, 0x2F, 0x00};
    out.insert(out.end(), end_of_track, end_of_track + 4);
    return out;
}

// Note numbers: middle C (C4) is 60.
enum { C3 = 48, D3 = 50, E3 = 52, F3 = 53, G3 = 55, A3 = 57, B3 = 59, C4 = 60, D4 = 62, E4 = 64,
       F4 = 65, G4 = 67, A4 = 69, B4 = 71, C5 = 72, D5 = 74, E5 = 76, F5 = 77, G5 = 79, A5 = 81,
       B5 = 83, C6 = 84, D6 = 86, A2 = 45, E2 = 40, F2 = 41, G2 = 43 };
enum { REST = 0 };

// The melody as (note, length in eighths) pairs, bar by bar.
static const int melody[][2] = {
    {E5, 2}, {D5, 1}, {E5, 1}, {G5, 4},             // C
    {A5, 2}, {G5, 2}, {E5, 4},                      // Am
    {F5, 2}, {E5, 1}, {D5, 1}, {C5, 2}, {A4, 2},    // F
    {B4, 2}, {C5, 2}, {D5, 4},                      // G
    {E5, 2}, {D5, 1}, {E5, 1}, {G5, 2}, {C6, 2},    // C
    {B5, 2}, {A5, 2}, {E5, 4},                      // Am
    {F5, 2}, {E5, 2}, {D5, 2}, {A4, 2},             // Dm
    {B4, 4}, {D5, 2}, {G5, 2},                      // G
    {A5, 3}, {G5, 1}, {F5, 2}, {C5, 2},             // F
    {D5, 3}, {E5, 1}, {F5, 2}, {D5, 2},             // G
    {E5, 2}, {G5, 2}, {B5, 4},                      // Em
    {A5, 2}, {E5, 2}, {C5, 4},                      // Am
    {F5, 2}, {A5, 2}, {C6, 2}, {A5, 2},             // F
    {G5, 2}, {F5, 2}, {D5, 2}, {B4, 2},             // G
    // The bridge, lighter and lower at first.
    {C5, 3}, {B4, 1}, {A4, 2}, {E5, 2},             // Am
    {G5, 3}, {E5, 1}, {D5, 2}, {B4, 2},             // Em
    {A4, 2}, {C5, 2}, {F5, 2}, {A5, 2},             // F
    {G5, 4}, {E5, 2}, {C5, 2},                      // C
    {D5, 3}, {E5, 1}, {F5, 2}, {A5, 2},             // Dm
    {C6, 3}, {B5, 1}, {A5, 2}, {E5, 2},             // Am
    {F5, 2}, {G5, 2}, {A5, 2}, {C6, 2},             // F
    {B5, 4}, {G5, 2}, {D6, 2},                      // G
    // The theme returns and closes.
    {E5, 2}, {D5, 1}, {E5, 1}, {G5, 2}, {C6, 2},    // C
    {B5, 2}, {A5, 2}, {E5, 4},                      // Am
    {F5, 2}, {E5, 1}, {D5, 1}, {C5, 2}, {A4, 2},    // F
    {B4, 2}, {C5, 2}, {D5, 2}, {G5, 2},             // G
    {A5, 3}, {G5, 1}, {F5, 2}, {D5, 2},             // F
    {D5, 3}, {E5, 1}, {F5, 2}, {B4, 2},             // G
    {C5, 8},                                        // C
    {REST, 8},                                      // C, the pad rings out
};

struct Chord {
    int bass;
    int notes[3];
};
enum { BARS = 30, BRIDGE_FIRST = 14, RETURN_FIRST = 22 };
static const Chord C_MAJOR = {C3, {C4, E4, G4}}, A_MINOR = {A2, {A3, C4, E4}}, F_MAJOR = {F2, {F3, A3, C4}},
                   G_MAJOR = {G2, {G3, B3, D4}}, D_MINOR = {D3, {A3, D4, F4}}, E_MINOR = {E2, {G3, B3, E4}};
static const Chord chords[BARS] = {
    C_MAJOR, A_MINOR, F_MAJOR, G_MAJOR, C_MAJOR, A_MINOR, D_MINOR, G_MAJOR,   // the theme
    F_MAJOR, G_MAJOR, E_MINOR, A_MINOR, F_MAJOR, G_MAJOR,                     // its answer
    A_MINOR, E_MINOR, F_MAJOR, C_MAJOR, D_MINOR, A_MINOR, F_MAJOR, G_MAJOR,   // the bridge
    C_MAJOR, A_MINOR, F_MAJOR, G_MAJOR, F_MAJOR, G_MAJOR, C_MAJOR, C_MAJOR,   // the return and close
};

enum { MIDI_MELODY = 0, MIDI_PAD = 1, MIDI_BASS = 2, MIDI_DRUMS = 9 };
enum { KICK = 36, SIDE_STICK = 37, CLOSED_HAT = 42, PEDAL_HAT = 44, CRASH = 49 };

static Track conductor(void)
{
    Track t;
    const long microseconds_per_quarter = 60000000L / 96;
    t.add(0, 0, {0xFF, 0x58, 0x04, 4, 2, 24, 8});   // 4/4
    t.add(0, 0, {0xFF, 0x51, 0x03, (unsigned char)(microseconds_per_quarter >> 16),
                 (unsigned char)(microseconds_per_quarter >> 8), (unsigned char)microseconds_per_quarter});
    return t;
}

static Track melody_track(void)
{
    Track t;
    t.program(MIDI_MELODY, 4);   // electric piano: freepats, which Debian ships, has no vibraphone
    long tick = 0;
    for (const auto &n : melody) {
        long length = n[1] * QUARTER / 2;
        if (n[0] != REST)
            t.note(MIDI_MELODY, tick, length - 4, n[0], 84);
        tick += length;
    }
    return t;
}

static Track pad_track(void)
{
    Track t;
    t.program(MIDI_PAD, 94);   // a soft pad: the patch set's string ensemble is a short marcato
    for (int bar = 0; bar < BARS; bar++)
        for (int note : chords[bar].notes)
            t.note(MIDI_PAD, bar * BAR, bar == BARS - 1 ? 2 * BAR : BAR - 2, note, 44);
    return t;
}

static Track bass_track(void)
{
    Track t;
    t.program(MIDI_BASS, 33);   // fingered bass
    for (int bar = 0; bar < BARS - 1; bar++) {
        t.note(MIDI_BASS, bar * BAR, 2 * QUARTER - 8, chords[bar].bass, 80);
        t.note(MIDI_BASS, bar * BAR + 2 * QUARTER, 2 * QUARTER - 8, chords[bar].bass + 12, 72);
    }
    t.note(MIDI_BASS, (BARS - 1) * BAR, BAR, chords[BARS - 1].bass, 80);
    return t;
}

// Eighths on the closed hat, kick on one and three, side stick on two and
// four; the bridge thins to a pedal hat on the beats, and a crash marks the
// theme's return.
static Track drum_track(void)
{
    Track t;
    for (int bar = 0; bar < BARS - 1; bar++) {
        long start = bar * BAR;
        bool bridge = bar >= BRIDGE_FIRST && bar < RETURN_FIRST;
        for (int eighth = 0; eighth < 8; eighth++) {
            if (!bridge)
                t.note(MIDI_DRUMS, start + eighth * QUARTER / 2, QUARTER / 4, CLOSED_HAT, eighth % 2 ? 50 : 64);
            else if (eighth % 2 == 0)
                t.note(MIDI_DRUMS, start + eighth * QUARTER / 2, QUARTER / 4, PEDAL_HAT, 48);
        }
        t.note(MIDI_DRUMS, start, QUARTER / 2, KICK, 70);
        if (!bridge)
            t.note(MIDI_DRUMS, start + 2 * QUARTER, QUARTER / 2, KICK, 62);
        t.note(MIDI_DRUMS, start + QUARTER, QUARTER / 2, SIDE_STICK, 50);
        t.note(MIDI_DRUMS, start + 3 * QUARTER, QUARTER / 2, SIDE_STICK, 50);
        if (bar == RETURN_FIRST)
            t.note(MIDI_DRUMS, start, QUARTER, CRASH, 56);
    }
    return t;
}

MidiSong make_credits_song(void)
{
    MidiSong song;
    song.divisions = QUARTER;
    song.tracks.push_back(encode(conductor()));
    song.tracks.push_back(encode(melody_track()));
    song.tracks.push_back(encode(pad_track()));
    song.tracks.push_back(encode(bass_track()));
    song.tracks.push_back(encode(drum_track()));
    return song;
}

void dat_write_midi(DatWriter *w, const char *name, const MidiSong &song)
{
    dat_begin_object(w, DAT_MIDI, name);
    if (!w->in_object)
        return;
    dat_put_word(w, song.divisions);
    for (int i = 0; i < MIDI_TRACK_SLOTS; i++) {
        if (i < (int)song.tracks.size()) {
            dat_put_long(w, (long)song.tracks[i].size());
            dat_put_bytes(w, song.tracks[i].data(), (long)song.tracks[i].size());
        } else {
            dat_put_long(w, 0);
        }
    }
    dat_end_object(w);
}

static void put_big_endian(FILE *f, unsigned long value, int bytes)
{
    while (bytes--)
        fputc((int)((value >> (8 * bytes)) & 0xFF), f);
}

bool save_midi_file(const char *path, const MidiSong &song)
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return false;
    fputs("MThd", f);
    put_big_endian(f, 6, 4);
    put_big_endian(f, 1, 2);   // format 1: tracks played together
    put_big_endian(f, song.tracks.size(), 2);
    put_big_endian(f, (unsigned long)song.divisions, 2);
    for (const auto &track : song.tracks) {
        fputs("MTrk", f);
        put_big_endian(f, track.size(), 4);
        fwrite(track.data(), 1, track.size(), f);
    }
    bool ok = !ferror(f);
    return fclose(f) == 0 && ok;
}
