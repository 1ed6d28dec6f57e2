#!/usr/bin/env bash
# CPU time of the game in each waiting state, in per cent of one core over
# MEASURE seconds (default 10), under a private Xvfb with ALSA's null device.
# Usage: ZQ_SOURCE_DIR=. ZQ_BIN=build-rel/bin tests/bench/idle_cpu.sh
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
zq_sound_to "type null"
seconds=${MEASURE:-10}
ticks=$(getconf CLK_TCK)

# measure STATE: user and system time of the whole game and of its main
# thread (the screen loops; the rest is the library's input, sound and
# timer threads) over the span.
measure() {
    sleep 1
    local stats=("/proc/$ZQ_GAME_PID/stat" "/proc/$ZQ_GAME_PID/task/$ZQ_GAME_PID/stat") before after
    before=$(awk '{ printf "%d ", $14 + $15 }' "${stats[@]}")
    sleep "$seconds"
    after=$(awk '{ printf "%d ", $14 + $15 }' "${stats[@]}")
    echo "$1 $before $after" | awk -v t="$ticks" -v n="$seconds" \
        '{ printf "%-12s %5.1f %% (main thread %4.1f %%)\n", $1, 100 * ($4 - $2) / t / n, 100 * ($5 - $3) / t / n }'
}

zq_start_game
measure title
zq_open_menu
measure menu
zq_click 320 195 && zq_wait_stable options
measure options
zq_click 320 415 && zq_wait_until menu zq_is_menu menu
zq_click 320 235 && zq_wait_until scores zq_is_high_scores scores
measure high-scores
zq_click 200 435 && zq_wait_until menu zq_is_menu menu
zq_click 320 275 && sleep 1
measure credits
zq_key x && zq_wait_until menu zq_is_menu menu && zq_wait_stable menu
zq_start_play
measure play
zq_key p
measure pause
zq_key c
zq_key F1 && sleep 1
measure help
zq_key Escape
zq_key F3 && zq_wait_file "$ZQ_RUN/zorvane.pcx"
zq_py make "$ZQ_RUN/full.svg" full
zq_file_dialog F6 full.svg
zq_drop_until_over
measure game-over
