#!/usr/bin/env bash
# CPU time of the game resting in each waiting state, in per cent of one
# core over MEASURE seconds (10), under a private Xvfb with ALSA's null
# device: the whole process, and its main thread (the screen loops; the rest
# is the library's input, sound and timer threads).
# Usage: ZQ_SOURCE_DIR=. ZQ_BIN=build-rel/bin tests/bench/idle_cpu.sh [SCREEN...]
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
zq_sound_to "type null"
seconds=${MEASURE:-10}
ticks() { awk '{ printf "%d ", $14 + $15 }' "/proc/$ZQ_GAME_PID/stat" "/proc/$ZQ_GAME_PID/task/$ZQ_GAME_PID/stat"; }
(($#)) || set -- title menu options scores credits play pause help over
for screen; do
    zq_start_game && zq_goto "$screen" && sleep 1
    before=$(ticks) && sleep "$seconds" && after=$(ticks)
    echo "$screen $before $after" | awk -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        '{ printf "%-9s %5.1f %% (main thread %4.1f %%)\n", $1, 100 * ($4 - $2) / hz / s, 100 * ($5 - $3) / hz / s }'
    zq_stop "$ZQ_GAME_PID"
done
