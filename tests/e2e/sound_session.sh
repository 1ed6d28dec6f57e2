#!/usr/bin/env bash
# The game heard through the sound device (a WAV recording): a silent title,
# the button click, the credits song while the credits scroll, the module in
# every second of a game, the row-removal sample, silence from game over on,
# and silent credits with music and sound switched off.
#
# The null device takes data as fast as the mixer writes it, so a recorded
# second need not last a second on the clock: spans wait for both.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

# wait_recorded BYTES [MILLISECONDS]: until the recording holds BYTES and
# MILLISECONDS have passed since the call.
wait_recorded() {
    local target=$1 start=${EPOCHREALTIME/./}
    grown() { (($(zq_recorded) >= target && ${EPOCHREALTIME/./} - start >= ${1:-0} * 1000)); }
    zq_poll 600 "the recording to grow" grown "${2:-0}"
}

# watch_credits KEY: the credits scroll and KEY leaves them for the
# start-game menu; FROM and TO span a second and a half of the song, after
# the button's click.
watch_credits() {
    zq_click 320 275
    zq_wait_until credits-1 zq_is_credits credits-1
    wait_recorded $(($(zq_recorded) + per_second / 2)) 1000
    from=$(zq_recorded)
    zq_shot credits-2
    wait_recorded $((from + per_second * 3 / 2)) 1500
    to=$(zq_recorded)
    zq_shot credits-3
    [[ $(zq_differ credits-2 credits-3) != 0 ]] || zq_fail "the credits do not scroll"
    zq_to_menu zq_key "$1"
}

zq_start_game
# The fmt chunk's bytes per second, once the header is written.
header() {
    per_second=$(od -An -tu4 -j28 -N4 "$ZQ_SOUND" 2>/dev/null | tr -d ' ') && ((per_second > 0))
}
zq_poll 200 "a WAV header" header
title_from=$(zq_recorded)
wait_recorded $((title_from + per_second))
title_to=$(zq_recorded)
zq_open_menu
wait_recorded $((title_to + per_second / 2)) 500
click_to=$(zq_recorded)

watch_credits Escape
[[ $(zq_py heard "$ZQ_SOUND" "$from" "$to") == sound ]] || zq_fail "the credits song was not heard"

# A game: the first element falls untouched, so only music plays at first.
click_at=$(zq_recorded)
zq_start_play
now=$(zq_recorded) && play_from=$((now > click_at + per_second / 4 ? now : click_at + per_second / 4))
wait_recorded $((play_from + 4 * per_second)) 3500
play_to=$(zq_recorded)

# A placement that removes nothing, then one that removes a row.
zq_key space
zq_wait_until placed zq_well_is placed 8 19
wait_recorded $(($(zq_recorded) + per_second)) 1000
placed_to=$(zq_recorded)
zq_py make "$ZQ_RUN/row.svg" row
row_from=$(zq_recorded) # the loaded bar may land by itself
zq_file_dialog F6 row.svg
zq_key space
zq_wait_until cleared zq_well_is cleared 4
wait_recorded $(($(zq_recorded) + per_second)) 1000
row_to=$(zq_recorded)

# A well the next element cannot enter, so the game last played before it.
last_playing=$(zq_recorded)
zq_fill_well
wait_recorded $((ZQ_OVER_AT + 2 * per_second)) 1200
over_to=$(zq_recorded)

zq_enter_name music
zq_to_menu zq_click 200 435
zq_click 320 195 # options: sound off, music off
zq_wait_stable options
zq_click 185 115
zq_click 455 115
zq_to_menu zq_click 320 415
watch_credits x
[[ $(zq_py heard "$ZQ_SOUND" "$from" "$to") == silence ]] || zq_fail "something played with music and sound off"
zq_quit_from_menu

zq_py music "$ZQ_SOUND" "$per_second" "$title_from" "$title_to" "$play_from" "$play_to" \
    "$last_playing" "$ZQ_OVER_AT" "$over_to"
zq_py effects "$ZQ_BIN/zorvane.dat" "$ZQ_SOUND" "$title_from" "$title_to" "$click_to" \
    "$play_to" "$placed_to" "$row_from" "$row_to"
echo ok
