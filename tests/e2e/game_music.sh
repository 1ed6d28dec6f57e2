#!/usr/bin/env bash
# The in-game module is heard through the sound device: silence on the title,
# music in every second of a game while nothing else sounds, still music as
# the well fills, silence once the game-over text is up (the module is
# stopped), music again in the next game, and music running on into the menu
# when that game is left by key.
#
# Times in the recording are its own: byte offsets become seconds through the
# WAV header. The null device takes data as fast as the library's mixer
# writes it, so a recorded second need not last a second on the clock; the
# spans below ask for both where that matters.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
export PYTHONPATH="$ZQ_SOURCE_DIR/tests/support"
music_tool="$ZQ_SOURCE_DIR/tests/support/zq_music.py"

recorded() {
    stat -c %s "$ZQ_SOUND" 2>/dev/null || echo 0
}

# Microseconds on the clock.
clock() {
    echo "${EPOCHREALTIME/./}"
}

# wait_recorded BYTES [MILLISECONDS]: until the recording holds BYTES and,
# when given, MILLISECONDS have passed on the clock since the call.
wait_recorded() {
    local target=$1 wall=$((${2:-0} * 1000)) start
    start=$(clock)
    while (($(recorded) < target || $(clock) - start < wall)); do
        (($(clock) - start < 30000000)) || zq_fail "the recording stopped growing"
        sleep 0.05
    done
}

max() {
    echo $(($1 > $2 ? $1 : $2))
}

zq_start_game
zq_wait_file "$ZQ_SOUND"
tries=0
until layout=$(python3 "$music_tool" layout "$ZQ_SOUND" 2>/dev/null); do
    ((++tries < 100)) || zq_fail "the recording has no usable WAV header"
    sleep 0.05
done
read -r _ per_second _ <<<"$layout"

# The title plays nothing: the recording's own noise floor.
title_from=$(recorded)
wait_recorded $((title_from + per_second))
title_to=$(recorded)

# Two button clicks (35 ms each) come before the game; the music is measured
# from a quarter second after the second.
zq_open_menu
click_at=$(recorded)
zq_start_play
play_from=$(max "$(recorded)" $((click_at + per_second / 4)))
# Nothing is pressed: the first element falls, and no sample plays.
wait_recorded $((play_from + 5 * per_second)) 4000
play_to=$(recorded)

# The palette for the game-over text, then Space until the well is full.
zq_key F3
zq_wait_file "$ZQ_RUN/zorvane.pcx"
read -r last_playing over_at < <(python3 "$music_tool" drop "$ZQ_WINDOW" "$ZQ_RUN/zorvane.pcx" \
    "$ZQ_SHOTS/ending.png" "$ZQ_SOUND")
[[ -n "${over_at:-}" ]] || zq_fail "the game did not come to its end"
wait_recorded $((over_at + 2 * per_second)) 1200
over_to=$(recorded)

# The next game: the name entry, the table, the menu, and a new game.
zq_hold Return
zq_wait_until entry zq_is_name_entry entry
zq_type "music"
zq_hold Return
zq_wait_until table zq_is_high_scores table
zq_wait_stable table
zq_click 200 435
zq_wait_menu
click_at=$(recorded)
zq_start_play
again_from=$(max "$(recorded)" $((click_at + per_second / 4)))
wait_recorded $((again_from + 2 * per_second)) 1000
again_to=$(recorded)

# F2 leaves the game (as Escape does); the music goes on in the menu.
zq_key F2
zq_wait_until menu zq_is_menu menu
menu_from=$(recorded)
wait_recorded $((menu_from + 2 * per_second))
menu_to=$(recorded)
zq_quit_from_menu

python3 - "$ZQ_SOUND" "$per_second" "$title_from" "$title_to" "$play_from" "$play_to" \
    "$last_playing" "$over_at" "$over_to" "$again_from" "$again_to" "$menu_from" "$menu_to" <<'PY' || zq_fail "the music was not heard as it should be"
import sys
from zq_music import loudness
sound = sys.argv[1]
(per_second, title_from, title_to, play_from, play_to, last_playing, over_at, over_to,
 again_from, again_to, menu_from, menu_to) = map(int, sys.argv[2:])

# Music plays at about -29 dBFS (RMS 0.035); a stopped mixer writes the same
# value over and over, RMS 0. The bounds lie far from both.
HEARD = 0.005
SILENT = 0.0001
STEP = 0.1

def levels(start, end, seconds=1.0):
    return loudness(sound, start, end, seconds)

def show(values):
    return " ".join("%.4f" % v for v in values)

def heard_throughout(name, start, end, at_least):
    seconds = levels(start, end)
    print("%s, RMS per second: %s" % (name, show(seconds)))
    assert len(seconds) >= at_least, "%s: only %d whole seconds recorded" % (name, len(seconds))
    quiet = [i for i, v in enumerate(seconds) if v < HEARD]
    assert not quiet, "%s: no music in second(s) %s" % (name, quiet)

floor = max(levels(title_from, title_to, STEP))
print("title, highest RMS per %.1f s: %.6f" % (STEP, floor))
assert floor < SILENT, "the title is not silent"

heard_throughout("game", play_from, play_to, 5)

# Where the recording falls silent for good after the last measured second.
tail = levels(play_to, over_to, STEP)
onset = len(tail)
while onset > 0 and tail[onset - 1] < SILENT:
    onset -= 1
window = int(per_second * STEP)
silent_from = play_to + onset * window
silence = (len(tail) - onset) * window / per_second
print("silent from %+.2f s of the first picture with the game-over text (%+.2f s of the last one "
      "without), for %.2f s; loudest there %.6f"
      % ((silent_from - over_at) / per_second, (silent_from - last_playing) / per_second, silence,
         max(tail[onset:], default=0.0)))
assert silent_from <= over_at + per_second // 2, "the music went on after the game was over"
# The window shows a drawing a little after it is made, so the last picture
# without the text may come just after the end.
assert silent_from >= last_playing - per_second, "the music stopped before the game was over"
assert silence >= 1.0, "silent for only %.2f s after game over" % silence
heard_throughout("dropping", play_to, silent_from, 1)

heard_throughout("next game", again_from, again_to, 2)
heard_throughout("menu after F2", menu_from, menu_to, 2)
PY
echo "ok"
