// modtool play FILE...: the songs through the software mixer to a sound
// device, with a status line and keys on a terminal.
//
// Everything runs on one thread: the mixer calls the tick handler between
// blocks of frames, and keys are read between blocks, so the control calls
// never meet a running tick. The loop never spins: the device blocks while
// its queue is full, and a device that swallows frames at once (such as
// "null") is held to real time by waiting for keys.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "mixer.h"
#include "modtool.h"
#include "session.h"
#include "sound_out.h"
#include "terminal.h"

#define PLAY_BLOCK 1024          // frames per device write
#define AHEAD_SECONDS 0.2        // sound queued beyond the device's own queue
#define STATUS_INTERVAL 0.1      // seconds between status line updates
#define ORDER_BAR_WIDTH 16
#define VOLUME_STEP 16
#define SPEED_STEP 10            // percent
#define PITCH_STEP 5             // percent

static const char key_list[] =
    "keys: Space pause/resume, Left/Right previous/next order, Up/Down volume, -/+ speed, "
    "[/] pitch, l loop on/off, n/p next/previous file, q or Escape quit, h this list";

// SONG_FAILED: the file could not be played; SONG_BROKEN: the device failed.
enum SongEnd { SONG_NEXT, SONG_PREVIOUS, SONG_QUIT, SONG_FAILED, SONG_BROKEN };

struct PlaySession {
    ListenOptions options;
    SoundOut sound;
    bool keys;                 // standard input is a terminal we read keys from
    bool status;               // a status line is shown
    bool quit;                 // ended by a key or a signal
    bool loop;                 // `l` turns it on and off
    int speed, pitch;          // percent, kept from file to file
    double clock_start;        // wall time of the first frame sent
    long long frames_sent;
    double last_status;
};

struct PlayedSong {
    const char *file;
    JGMOD *j;
    char format[24];
    long long frames;          // played, pauses left out
    SongWatch watch;
    bool jumped;               // a key asked for another order: watch afresh
};

// Bytes a terminal could take for commands are shown as '?'.
static std::string printable(const char *text, size_t size)
{
    std::string shown;
    for (size_t i = 0; i < size && text[i] != '\0'; i++) {
        unsigned char c = (unsigned char)text[i];
        shown += (c < 0x20 || c >= 0x7F) ? '?' : (char)c;
    }
    return shown;
}

static void draw_status(PlaySession *session, const PlayedSong &song)
{
    const JGMOD *j = song.j;
    int orders = j->order_count > 0 ? j->order_count : 1;
    int filled = (mi.order + 1) * ORDER_BAR_WIDTH / orders;
    filled = filled < 0 ? 0 : filled > ORDER_BAR_WIDTH ? ORDER_BAR_WIDTH : filled;
    long seconds = (long)(song.frames / session->options.rate);
    const char *base = strrchr(song.file, '/');
    char line[512];
    snprintf(line, sizeof line,
             "%s | %s | %s | %d ch | order %d/%d pattern %d row %d | %02ld:%02ld | vol %d | "
             "speed %d%% | pitch %d%% | [%.*s%*s]%s%s",
             printable(base ? base + 1 : song.file, 200).c_str(), song.format,
             printable(j->name, sizeof j->name).c_str(), j->channel_count, mi.order + 1,
             j->order_count, mi.pattern, mi.row, seconds / 60, seconds % 60, get_mod_volume(),
             mi.speed_ratio, mi.pitch_ratio, filled, "################",
             ORDER_BAR_WIDTH - filled, "", is_mod_paused() ? " | paused" : "",
             session->loop ? " | loop" : "");
    int columns = terminal_columns() - 1;
    printf("\r%.*s\033[K", columns > 0 ? columns : 0, line);
    fflush(stdout);
    session->last_status = wall_seconds();
}

// The player clamps both; what it kept carries over to the next file.
static void change_speed(PlaySession *session, int step)
{
    set_mod_speed(session->speed + step);
    session->speed = mi.speed_ratio;
}

static void change_pitch(PlaySession *session, int step)
{
    set_mod_pitch(session->pitch + step);
    session->pitch = mi.pitch_ratio;
}

// Each key is one of the player's control calls, or moves between files.
static int act_on_key(PlaySession *session, PlayedSong *song, int key)
{
    switch (key) {
    case ' ': toggle_pause_mode(); break;
    case TERM_KEY_LEFT: prev_mod_track(); song->jumped = true; break;
    case TERM_KEY_RIGHT: next_mod_track(); song->jumped = true; break;
    case TERM_KEY_UP: set_mod_volume(get_mod_volume() + VOLUME_STEP); break;
    case TERM_KEY_DOWN: set_mod_volume(get_mod_volume() - VOLUME_STEP); break;
    case '-': change_speed(session, -SPEED_STEP); break;
    case '+': case '=': change_speed(session, SPEED_STEP); break;
    case '[': change_pitch(session, -PITCH_STEP); break;
    case ']': change_pitch(session, PITCH_STEP); break;
    case 'l':
        // No control call sets the loop flag of a playing song; between ticks
        // on this thread it can be written directly.
        session->loop = !session->loop;
        mi.loop = session->loop ? -1 : 0;
        watch_song(&song->watch);
        break;
    case 'h': printf("\r%s\033[K\n", key_list); break;
    case 'n': return SONG_NEXT;
    case 'p': return SONG_PREVIOUS;
    case 'q': case TERM_KEY_ESCAPE: return SONG_QUIT;
    default: return -1;
    }
    return -1;
}

// Handles keys, and waits while the sound sent runs ahead of the clock.
// Returns how the song ends, or -1 to play on.
static int wait_for_clock(PlaySession *session, PlayedSong *song)
{
    for (;;) {
        if (stop_signal)
            return SONG_QUIT;
        double ahead = (double)session->frames_sent / session->options.rate -
                       (wall_seconds() - session->clock_start) - AHEAD_SECONDS;
        int wait_ms = ahead > 0.0 ? (int)(ahead * 1000.0) + 1 : 0;
        int key = terminal_read_key(wait_ms);
        if (key != 0) {
            int end = act_on_key(session, song, key);
            if (end >= 0)
                return end;
            if (session->status)
                draw_status(session, *song);
            continue;
        }
        if (wait_ms == 0)
            return -1;
    }
}

// After each tick: the end of the song, its coming round, or --seconds.
static bool song_over(PlaySession *session, PlayedSong *song, int ticks)
{
    if (!is_mod_playing())
        return true;
    if (song->jumped && ticks > 0) {
        song->jumped = false;
        watch_song(&song->watch);
    } else if (!session->loop && song_came_back(&song->watch, song->j)) {
        return true;
    }
    return session->options.seconds > 0.0 &&
           song->frames >= (long long)(session->options.seconds * session->options.rate);
}

static int play_song(PlaySession *session, PlayedSong *song)
{
    static short block[PLAY_BLOCK * 2];
    for (;;) {
        if (song_over(session, song, jgmod_mixer_run_ticks()))
            return SONG_NEXT;
        int frames = jgmod_mixer_mix(block, PLAY_BLOCK);
        if (session->frames_sent == 0)
            session->clock_start = wall_seconds();
        if (sound_write(&session->sound, block, frames) != 0)
            return SONG_BROKEN;
        session->frames_sent += frames;
        if (!is_mod_paused())
            song->frames += frames;
        int end = wait_for_clock(session, song);
        if (end >= 0)
            return end;
        if (session->status && wall_seconds() - session->last_status >= STATUS_INTERVAL)
            draw_status(session, *song);
    }
}

static int play_file(PlaySession *session, const char *file)
{
    PlayedSong song = {file, NULL, "", 0, {}, false};
    song.j = start_song(file, session->options, session->loop);
    if (song.j == NULL) {
        std::string message = std::string("play: ") + file + ": " + jgmod_error;
        modtool_fail(message.c_str());
        return SONG_FAILED;
    }
    set_mod_speed(session->speed);
    set_mod_pitch(session->pitch);
    MODULE_INFO info;
    if (get_mod_info(file, &info) >= 0)
        snprintf(song.format, sizeof song.format, "%s",
                 printable(info.type_name, sizeof info.type_name).c_str());
    watch_song(&song.watch);
    int end = play_song(session, &song);
    end_song(song.j);
    return end;
}

// Plays the files in turn; `n` and `p` move through the list.
static int play_files(PlaySession *session)
{
    int status = 0;
    size_t index = 0;
    while (index < session->options.files.size()) {
        int end = play_file(session, session->options.files[index].c_str());
        if (end == SONG_QUIT || end == SONG_BROKEN) {
            session->quit = true;
            return end == SONG_BROKEN ? 1 : status;
        }
        if (end == SONG_FAILED)
            status = 1;
        if (end == SONG_PREVIOUS)
            index = index > 0 ? index - 1 : 0;
        else
            index++;
    }
    return status;
}

int modtool_play(int argc, char **argv)
{
    PlaySession session = {};
    int status = parse_listen_options("play", argc, argv, LISTEN_DEVICE_OPTION, &session.options);
    if (status >= 0)
        return status;
    if (session.options.files.empty())
        return modtool_fail("play needs at least one FILE (try modtool --help)");
    if (sound_open(&session.sound, session.options.device.c_str(), session.options.rate,
                   session.options.channels) != 0)
        return 1;
    session.loop = session.options.loop;
    session.speed = session.pitch = 100;
    catch_stop_signals();
    session.keys = isatty(STDOUT_FILENO) && terminal_keys_on();
    session.status = session.keys;
    status = play_files(&session);
    sound_close(&session.sound, !session.quit);
    if (session.status)
        printf("\r\033[K");
    terminal_restore();
    return stop_signal ? 128 + stop_signal : status;
}
