// "Falling Lights", the in-game tune, in A minor at 125 bpm: an intro that
// plays once, then about a minute and a half before the loop: the theme
// (A A' B C), the theme over arpeggios, a bridge that lifts to C major and
// climbs, a breakdown, the theme again, B and C an octave up, and a
// turnaround that leads back to the theme.
//
// Every channel of a pattern is 64 rows of whitespace-separated tokens (bars
// of 16 rows are split by '|' for reading; the bars carry no meaning):
//   .        nothing new: the note rings on
//   -        silence the channel
//   A4 C#5   a note, scientific pitch (A4 = 440 Hz)
//   A3m F3M  chords channel: root, then m (minor) or M (major) triad
//   K S H O  drums channel: kick, snare, closed and open hi-hat
//   :NN      after a note, a drum or '.', its volume in hexadecimal (00..40)
//   !XPP     after any of them, an effect: command X, parameter PP, both in
//            hexadecimal: 0 arpeggio, 1 and 2 slide up and down, 3 glide to
//            the note, 4 vibrato, A volume slide (up x0, down 0y per tick),
//            D pattern break, E6x pattern loop. Most last one row only, so
//            a held effect is written on every row it holds.
#include "module.h"

const char tune_name[] = "Falling Lights";
const int tune_tempo = 6;
const int tune_bpm = 125;

// Drum bars shared by several patterns.
#define GROOVE "K . H:18 . S . H:18 . K . K . S . H:18 O:20 "
#define GROOVE_FILL "K . H:18 . S . H:18 . K . S:20 . S:28 S:30 S:38 S:40 "
#define INTRO_BEAT "K . H:18 . . . H:18 . K . H:18 . . . H:18 . "
#define STABS(c) c " . . . . - " c " . . . . - " c " . - . "
#define GROOVE_PUSH "K . H:18 . S . H:18 K:30 . K . . S . O:20 . "
#define HALF_TIME "K . H:14 . H:18 . H:14 . S . H:14 . H:18 . K:30 H:14 "
#define SNARE_ROLL "K . S:20 . S:24 . S:28 . S:2C S:30 S:34 S:38 S:3C S:40 S:40 S:40 "
#define RESTS ". . . . . . . . . . . . . . . . "
// A bass bar bouncing between a note and its octave.
#define OCTAVES(low, high) low " . " high " . " low " . " high " . " low " . " high " . " low " . " high " . "
// A whole-bar chord that swells in from quiet.
#define SWELL(c) c ":10 .!A20 .!A20 .!A20 .!A20 . . . . . . . . . . . "
// Half a bar of a note broken into a chord by the arpeggio effect.
#define ARP8(note, fx) note "!" fx " .!" fx " .!" fx " .!" fx " .!" fx " .!" fx " .!" fx " .!" fx " "
// Four rows of a note held with vibrato.
#define VIB4(note) note "!434 .!434 .!434 .!434 "
#define VIB_ON4 ".!434 .!434 .!434 .!434 "

const TunePattern tune_patterns[] = {
    {{  // pattern 0: Am F C G
        "A4 . . . E5 . . . D5 . C5 . B4 . C5 . | A4 . . . . . . . F4 . A4 . C5 . . . |"
        "E5 . . . G5 . . . F5 . E5 . D5 . E5 . | D5 . . . . . B4 . G4 . . . - . . .",
        "A2 . A3 . A2 . A3 . A2 . A3 . A2 . A3 . | F2 . F3 . F2 . F3 . F2 . F3 . F2 . F3 . |"
        "C3 . C4 . C3 . C4 . C3 . C4 . C3 . C4 . | G2 . G3 . G2 . G3 . G2 . G3 . G2 . B2 .",
        STABS("A3m") "|" STABS("F3M") "|" STABS("C4M") "|" STABS("G3M"),
        GROOVE "|" GROOVE "|" GROOVE "|" GROOVE_FILL,
    }},
    {{  // pattern 1: Am F C E
        "A4 . . . E5 . . . D5 . C5 . B4 . C5 . | A4 . . . . . C5 . F5 . . . E5 . C5 . |"
        "G4 . . . C5 . E5 . G5 . . . F5 . E5 . | G#4 . . . . . B4 . E5 . . . D5 . B4 .",
        "A2 . A3 . A2 . A3 . A2 . A3 . A2 . A3 . | F2 . F3 . F2 . F3 . F2 . F3 . F2 . F3 . |"
        "C3 . C4 . C3 . C4 . C3 . C4 . C3 . C4 . | E2 . E3 . E2 . E3 . E2 . E3 . G#2 . B2 .",
        STABS("A3m") "|" STABS("F3M") "|" STABS("C4M") "|" STABS("E3M"),
        GROOVE "|" GROOVE "|" GROOVE "|" GROOVE_FILL,
    }},
    {{  // pattern 2: F G Em Am
        "C5 . . . A4 . C5 . F5 . . . E5 . D5 . | D5 . . . B4 . D5 . G5 . . . F5 . E5 . |"
        "E5 . . . B4 . E5 . G5 . . . D5 . E5 . | C5 . . . . . A4 . . . . . - . . .",
        "F2 . F3 . F2 . F3 . F2 . F3 . F2 . F3 . | G2 . G3 . G2 . G3 . G2 . G3 . G2 . G3 . |"
        "E2 . E3 . E2 . E3 . E2 . E3 . E2 . E3 . | A2 . A3 . A2 . A3 . A2 . A3 . A2 . G2 .",
        STABS("F3M") "|" STABS("G3M") "|" STABS("E3m") "|" STABS("A3m"),
        GROOVE "|" GROOVE "|" GROOVE "|" GROOVE_FILL,
    }},
    {{  // pattern 3: Dm F G E, turning to the theme over arpeggios
        "D5 . . . F5 . A5 . G5 . F5 . E5 . D5 . | C5 . . . A4 . C5 . F5 . . . A5 . . . |"
        "G5 . . . F5 . E5 . D5 . . . B4 . D5 . | E5 . . . . . . . G#4 . . . B4 . . .",
        "D2 . D3 . D2 . D3 . D2 . D3 . D2 . D3 . | F2 . F3 . F2 . F3 . F2 . F3 . F2 . F3 . |"
        "G2 . G3 . G2 . G3 . G2 . G3 . G2 . G3 . | E2 . E3 . E2 . E3 . E2 . E3 . E2 . B2 .",
        STABS("D4m") "|" STABS("F3M") "|" STABS("G3M") "|" STABS("E3M"),
        GROOVE "|" GROOVE "|" GROOVE "|" GROOVE_FILL,
    }},
    {{  // pattern 4: the intro, Am Am F E, with a pick-up into the melody
        ". . . . . . . . . . . . . . . . | . . . . . . . . . . . . . . . . |"
        ". . . . . . . . . . . . . . . . | . . . . . . . . E4 . G#4 . B4 . D5 .",
        "A2 . A3 . A2 . A3 . A2 . A3 . A2 . A3 . | A2 . A3 . A2 . A3 . A2 . A3 . A2 . A3 . |"
        "F2 . F3 . F2 . F3 . F2 . F3 . F2 . F3 . | E2 . E3 . E2 . E3 . E2 . E3 . E2 . E3 .",
        "A3m:18 . . . . - A3m:18 . . . . - A3m:18 . - . | A3m:20 . . . . - A3m:20 . . . . - A3m:20 . - . |"
        "F3M:24 . . . . - F3M:24 . . . . - F3M:24 . - . | E3M:28 . . . . - E3M:28 . . . . - E3M:28 . - .",
        INTRO_BEAT "|" INTRO_BEAT "|" INTRO_BEAT "|" GROOVE_FILL,
    }},
    {{  // pattern 5: the theme broken into arpeggios, Am F C G
        ARP8("A4", "037") VIB4("E5") "D5 . C5 . |" ARP8("F4", "047") "A4 . C5 . F5 . E5 . |"
        ARP8("C5", "047") VIB4("G5") "E5 . G5 . |" ARP8("G4", "047") "B4 . D5 . G5 . - .",
        OCTAVES("A2", "A3") "|" OCTAVES("F2", "F3") "|" OCTAVES("C3", "C4") "|"
        "G2 . G3 . G2 . G3 . G2 . G3 . G2 . B2 .",
        STABS("A3m") "|" STABS("F3M") "|" STABS("C4M") "|" STABS("G3M"),
        GROOVE "|" GROOVE_PUSH "|" GROOVE "|" GROOVE_FILL,
    }},
    {{  // pattern 6: the bridge lifts to C major, F G C Am, gliding up to each high note
        "C5 . . . . . A4 . C5 . F5!306 . . . E5 . | D5 . . . . . B4 . D5 . G5!306 . . . F5 . |"
        "E5 . . . G5 . . . C6!306 .!434 .!434 .!434 B5 . G5 . |" VIB4("A5") VIB_ON4 "G5 . E5 . C5 . B4 .",
        "F2 . . . F2 . C3 . F2 . . . F3 . C3 . | G2 . . . G2 . D3 . G2 . . . G3 . D3 . |"
        "C3 . . . C3 . G2 . C3 . . . C4 . G2 . | A2 . . . A2 . E2 . A2 . . . A3 . G2 .",
        SWELL("F3M") "|" SWELL("G3M") "|" SWELL("C4M") "|" SWELL("A3m"),
        HALF_TIME "|" HALF_TIME "|" HALF_TIME "|" GROOVE_FILL,
    }},
    {{  // pattern 7: the bridge climbs, Dm Em F G, and fades out on the top note
        "F5 . . . E5 . D5 . A4 . . . D5 . F5 . | G5 . . . F#5 . E5 . B4 . . . E5 . G5 . |"
        "A5 . . . G5 . F5 . C5 . . . F5 . A5 . |" VIB4("B5") VIB_ON4 VIB4("D6") ".!A04 .!A04 .!A04 -",
        OCTAVES("D2", "D3") "|" OCTAVES("E2", "E3") "|" OCTAVES("F2", "F3") "|" OCTAVES("G2", "G3"),
        STABS("D4m") "|" STABS("E3m") "|" STABS("F3M") "|" STABS("G3M"),
        GROOVE "|" GROOVE "|" GROOVE_PUSH "|" SNARE_ROLL,
    }},
    {{  // pattern 8: the breakdown, Am Am Am E: drums and bass alone for a bar,
        // played twice by the pattern loop, then arpeggios over quiet chords;
        // the pattern break after the third bar makes the fourth unplayed
        RESTS "|" ARP8("A4:28", "037") ARP8("E4:28", "058") "|"
        ARP8("E4:28", "047") "B4!058 .!058 .!058 .!058 G#4 . B4 . |" RESTS,
        "A2 . . . . . . . A2 . . . C3 . E3 . |" OCTAVES("A2", "A3") "|"
        "E2 . E3 . E2 . E3 . E2 . E3 . G#2 . B2 . |" RESTS,
        RESTS "| A3m:18 . . . . . . . . . . . . . . . | E3M:1C . . . . . . . . . . . . . . . |" RESTS,
        "K!E60 . H:14 . . . H:14 . K . H:14 . . . H:14 .!E61 |" INTRO_BEAT "|"
        "K . H:18 . S . H:18 . K . S:20 . S:28 S:30 S:38 S:40!D00 |" RESTS,
    }},
    {{  // pattern 9: B an octave up with vibrato, F G Em Am, the bass walking
        VIB4("A5") "F5 . A5 . C6 . . . A5 . G5 . |" VIB4("B5") "G5 . B5 . D6 . . . B5 . A5 . |"
        VIB4("G5") "E5 . G5 . B5 . . . A5 . G5 . |" VIB4("A5") VIB_ON4 "E5 . . . C5 . B4 .",
        "F2 . F3 . F2 . F3 . F2 . F3 . A2 . C3 . | G2 . G3 . G2 . G3 . G2 . G3 . B2 . D3 . |"
        "E2 . E3 . E2 . E3 . E2 . E3 . G2 . B2 . | A2 . A3 . A2 . A3 . A2 . A3 . C3 . E3 .",
        STABS("F3M") "|" STABS("G3M") "|" STABS("E3m") "|" STABS("A3m"),
        GROOVE "|" GROOVE_PUSH "|" GROOVE "|" GROOVE_FILL,
    }},
    {{  // pattern 10: C at its peak, Dm F G E, gliding from E up to G#
        "D5 . . . F5 . A5 . " VIB4("D6") "C6 . A5 . | C6 . . . A5 . F5 . C5 . . . F5 . A5 . |"
        "B5 . . . A5 . G5 . D5 . . . G5 . B5 . |" VIB4("E5") VIB_ON4 "G#5!304 .!300 .!300 .!300 B5 . D6 .",
        OCTAVES("D2", "D3") "|" OCTAVES("F2", "F3") "|" OCTAVES("G2", "G3") "|"
        "E2 . E3 . E2 . E3 . G#2 . G#3 . B2 . B3 .",
        STABS("D4m") "|" STABS("F3M") "|" STABS("G3M") "|" STABS("E3M"),
        GROOVE "|" GROOVE_PUSH "|" GROOVE "|" SNARE_ROLL,
    }},
    {{  // pattern 11: the turnaround, Am F C E, long notes and the intro's pick-up
        "E5 . . . . . . . A5 . . . G5 . E5 . | F5 . . . . . . . C5 . . . A4 . C5 . |"
        "E5 . . . . . . . G5 . . . E5 . C5 . |" VIB4("B4") ".!434 .!434 .!A03 .!A03 E4 . G#4 . B4 . D5 .",
        OCTAVES("A2", "A3") "|" OCTAVES("F2", "F3") "|" OCTAVES("C3", "C4") "|"
        "E2 . E3 . E2 . E3 . E2 . E3 . G#2 . B2 .",
        STABS("A3m") "|" STABS("F3M") "|" STABS("C4M") "|" STABS("E3M"),
        GROOVE_PUSH "|" GROOVE "|" GROOVE_PUSH "|" GROOVE_FILL,
    }},
};
const int tune_pattern_count = (int)(sizeof(tune_patterns) / sizeof(tune_patterns[0]));

const int tune_order[] = {4, 0, 1, 2, 3, 5, 6, 7, 8, 0, 9, 10, 11};
const int tune_order_count = (int)(sizeof(tune_order) / sizeof(tune_order[0]));
const int tune_restart_order = 1;   // the intro plays once
