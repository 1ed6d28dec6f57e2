// "Falling Lights", the in-game tune, in A minor at 125 bpm: one intro
// pattern, then four patterns that loop.
//
// Every channel of a pattern is 64 rows of whitespace-separated tokens (bars
// of 16 rows are split by '|' for reading; the bars carry no meaning):
//   .        nothing new: the note rings on
//   -        silence the channel
//   A4 C#5   a note, scientific pitch (A4 = 440 Hz)
//   A3m F3M  chords channel: root, then m (minor) or M (major) triad
//   K S H O  drums channel: kick, snare, closed and open hi-hat
//   :NN      after any note or drum, its volume in hexadecimal (00..40)
#include "module.h"

const char tune_name[] = "Falling Lights";
const int tune_tempo = 6;
const int tune_bpm = 125;

// Drum bars shared by several patterns.
#define GROOVE "K . H:18 . S . H:18 . K . K . S . H:18 O:20 "
#define GROOVE_FILL "K . H:18 . S . H:18 . K . S:20 . S:28 S:30 S:38 S:40 "
#define INTRO_BEAT "K . H:18 . . . H:18 . K . H:18 . . . H:18 . "
#define STABS(c) c " . . . . - " c " . . . . - " c " . - . "

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
    {{  // pattern 3: Dm F G E, turning back to the top
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
};
const int tune_pattern_count = (int)(sizeof(tune_patterns) / sizeof(tune_patterns[0]));

const int tune_order[] = {4, 0, 1, 2, 3};
const int tune_order_count = (int)(sizeof(tune_order) / sizeof(tune_order[0]));
const int tune_restart_order = 1;   // the intro plays once
