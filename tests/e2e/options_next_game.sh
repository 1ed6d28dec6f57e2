#!/usr/bin/env bash
# The options screen: the arrows step within their ranges, a click at the end
# of a range changes nothing, a switch relabels and comes back, and the next
# game starts at the chosen stage with the chosen rows at the bottom.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

zq_start_game
zq_open_menu
zq_click 320 195
zq_wait_stable options

zq_click 275 365 # starting level 1, 2, 3
zq_click 275 365
zq_click 275 365
zq_wait_stable level-top
zq_click 275 365 # already at 3
zq_wait_stable level-still
[[ $(zq_differ level-top level-still) == 0 ]] || zq_fail "a click past the top changed the screen"
[[ $(zq_crop_differ options level-top 148x30+111+350) != 0 ]] || zq_fail "the starting level did not change"

zq_click 95 365 # and down to 2, back up to 3
zq_wait_stable level-down
[[ $(zq_crop_differ level-top level-down 148x30+111+350) != 0 ]] || zq_fail "the down arrow did nothing"
zq_click 275 365
zq_wait_stable level-up
[[ $(zq_crop_differ level-top level-up 148x30+111+350) == 0 ]] || zq_fail "3 does not look like 3 again"

for _ in 1 2 3 4; do
    zq_click 545 365 # starting blocks 1..4
done
zq_click 455 115 # music off
zq_wait_stable music-off
[[ $(zq_crop_differ options music-off 210x30+350+100) != 0 ]] || zq_fail "the music switch kept its label"
zq_click 455 115 # and on again
zq_wait_stable music-on
[[ $(zq_crop_differ options music-on 210x30+350+100) == 0 ]] || zq_fail "the music switch did not come back"

zq_click 320 415 # E x i t
zq_wait_until menu zq_is_menu menu
zq_wait_stable menu
zq_click 320 155
zq_wait_until first zq_is_play first
zq_wait_stable first

# The first picture: four rows of cells at the bottom of the well, nothing
# between them and the new element at the top.
colours() {
    convert "$ZQ_SHOTS/first.png" -crop "$1" +repage -format %k info:
}
[[ $(colours 200x80+40+360) -gt 1 ]] || zq_fail "no starting rows at the bottom of the well"
[[ $(colours 200x180+40+160) == 1 ]] || zq_fail "cells above the four starting rows"
[[ $(colours 200x20+40+340) == 1 ]] || zq_fail "a fifth starting row"

zq_key F5
zq_wait_until dialog zq_is_selector dialog
zq_key Return
zq_wait_until play zq_no_dialog_left play
zq_wait_file "$ZQ_RUN/untitled.svg"
python3 - "$ZQ_RUN/untitled.svg" <<'PY'
import struct, sys
words = struct.unpack_from("<228i", open(sys.argv[1], "rb").read(), 0)
well, delay, stage_lines = words[18:218], words[222], words[225]
assert stage_lines == 30 and delay == 49, (stage_lines, delay)
rows = [[well[x * 20 + y] for x in range(10)] for y in range(20)]
assert all(any(rows[y]) for y in range(16, 20)), rows[16:]
assert not any(any(row) for row in rows[2:16]), rows
PY
echo "ok"
