// modtool render FILE OUT.wav: the song through the software mixer into a
// WAV file, as fast as the machine goes.
#include <math.h>
#include <stdio.h>
#include <unistd.h>

#include "mixer.h"
#include "modtool.h"
#include "output.h"
#include "session.h"
#include "wav.h"

#define RENDER_BLOCK 4096   // frames per write
#define PROGRESS_WIDTH 40   // characters of the progress bar

struct Progress {
    bool shown;   // standard error is a terminal
    int filled;   // characters drawn last time
};

static void show_progress(Progress *progress, double fraction)
{
    int filled = (int)(fraction * PROGRESS_WIDTH);
    filled = filled < 0 ? 0 : filled > PROGRESS_WIDTH ? PROGRESS_WIDTH : filled;
    if (!progress->shown || filled == progress->filled)
        return;
    progress->filled = filled;
    fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
            PROGRESS_WIDTH - filled, "", filled * 100 / PROGRESS_WIDTH);
}

static void clear_progress(const Progress &progress)
{
    if (progress.shown)
        fputs("\r\033[K", stderr);
}

// Frames to render at most: --seconds, else the safety cap of a song
// without end; never more than a WAV file can hold.
static long long frame_limit(const ListenOptions &options, bool *too_long)
{
    long long fits = WAV_MAX_DATA_BYTES / (2ull * options.channels);
    double seconds = options.seconds > 0.0 ? options.seconds : MAX_SONG_SECONDS;
    double frames = floor(seconds * options.rate + 0.5);
    *too_long = frames > (double)fits;
    return *too_long ? fits : (long long)frames;
}

// Plays the song into the file; returns the frames written.
static long long render_song(JGMOD *j, const ListenOptions &options, long long limit, WavFile *wav)
{
    static short block[RENDER_BLOCK * 2];
    Progress progress = {isatty(STDERR_FILENO) != 0, -1};
    SongWatch watch;
    watch_song(&watch);
    long long written = 0;
    for (;;) {
        jgmod_mixer_run_ticks();
        if (!is_mod_playing() || written >= limit || (!options.loop && song_came_back(&watch, j)))
            break;
        long long want = limit - written < RENDER_BLOCK ? limit - written : RENDER_BLOCK;
        int frames = jgmod_mixer_mix(block, (int)want);
        wav_write(wav, block, frames);
        written += frames;
        double fraction = options.seconds > 0.0 ? (double)written / limit
                                                 : (double)mi.order / (j->order_count > 0 ? j->order_count : 1);
        show_progress(&progress, fraction);
    }
    clear_progress(progress);
    return written;
}

int modtool_render(int argc, char **argv)
{
    ListenOptions options;
    int status = parse_listen_options("render", argc, argv, LISTEN_RENDER_OPTIONS, &options);
    if (status >= 0)
        return status;
    if (options.files.size() != 2)
        return modtool_fail("render needs FILE and OUT.wav (try modtool --help)");
    if (options.loop && options.seconds <= 0.0)
        return modtool_fail("render: --loop needs --seconds");
    bool too_long = false;
    long long limit = frame_limit(options, &too_long);
    if (too_long && options.seconds > 0.0)
        return modtool_fail("render: --seconds is more than a WAV file can hold");

    const char *file = options.files[0].c_str(), *out = options.files[1].c_str();
    double started = wall_seconds();
    JGMOD *j = start_song(file, options, options.loop);
    if (j == NULL)
        return fail_with("render: %s", jgmod_error);
    WavFile wav;
    if (wav_create(&wav, out, options.channels, options.rate) != 0) {
        end_song(j);
        return 1;
    }
    long long frames = render_song(j, options, limit, &wav);
    end_song(j);
    if (wav_finish(&wav) != 0)
        return 1;
    double audio = (double)frames / options.rate, wall = wall_seconds() - started;
    printf("%s: %.3f s of audio in %.3f s (%.1fx real time)\n", out, audio, wall,
           audio / (wall > 1e-6 ? wall : 1e-6));
    return finish_stdout();
}
