// What render and play share: their options, a song started on the software
// mixer, and the watch that tells when a song without end has come round.
#ifndef MODTOOL_SESSION_H
#define MODTOOL_SESSION_H

#include <string>
#include <vector>

#include "jgmod.h"

// A song without a natural end (a jump back to an earlier order) is cut
// after this long unless --seconds or --loop says otherwise.
#define MAX_SONG_SECONDS 3600

struct ListenOptions {
    std::vector<std::string> files;
    double seconds;       // 0: the song's own length
    bool loop;
    int rate;             // frames per second
    int channels;         // 1 or 2
    int interpolation;    // JGMOD_INTERPOLATION
    std::string device;   // ALSA device name (play)
};

// Which options a verb takes besides --seconds and --loop.
enum { LISTEN_RENDER_OPTIONS = 1, LISTEN_DEVICE_OPTION = 2 };

// Parses the verb's arguments; returns -1 when they are good, else the exit
// status (the message printed).
int parse_listen_options(const char *verb, int argc, char **argv, int accepted,
                         ListenOptions *options);

// Loads a module and plays it on the mixer with one voice per channel.
// Returns the module, or none with the reason in jgmod_error.
JGMOD *start_song(const char *file, const ListenOptions &options, bool loop);

// Stops the player and frees the module.
void end_song(JGMOD *j);

// Notices the tick at which a song jumps back to a position it has already
// played, other than through a pattern loop.
struct SongWatch {
    unsigned char seen[MAX_ORDER];  // order positions entered
    int order, pattern, row;        // where the last tick was
};
void watch_song(SongWatch *watch);  // from where the song is now
bool song_came_back(SongWatch *watch, JGMOD *j);

// Reads a whole decimal int in [low, high]; false otherwise.
bool read_int(const char *text, int low, int high, int *value);

// modtool_fail with a printf-style message around one string.
int fail_with(const char *format, const char *detail);

double wall_seconds(void);  // a monotonic clock

#endif
