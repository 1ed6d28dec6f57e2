#!/usr/bin/env bash
# F1 shows the help over the play screen; holding Escape keeps it up, and
# releasing it brings the play screen back pixel for pixel, with the game
# still running. A loaded game whose element has no cells keeps the screen
# still, so that the two pictures can be compared exactly.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

python3 - "$ZQ_RUN/still.svg" <<'PY'
import struct, sys
block = [0] * 16                      # an element without cells never lands
cells = [[0] * 20 for _ in range(10)]
for x in range(10):
    for y in range(14, 20):
        if (x + y) % 3:
            cells[x][y] = 1 + (x + y) % 8
well = [cells[x][y] for x in range(10) for y in range(20)]
tail = [3, 0, 2, 2, 55, 1230, 4, 14, 20, 1]   # x y width height delay score lines stage_lines pieces stage
record = struct.pack("<228i", *(block + [5, 3] + well + tail))
open(sys.argv[1], "wb").write(record + b"Zorvane Quibbleon v2.0 (Windows Only Version)\0")
PY

zq_start_game
zq_open_menu
zq_start_play
zq_key F6
zq_wait_until dialog zq_is_selector dialog
zq_type still.svg
zq_key Return
zq_wait_until play zq_no_dialog_left play
zq_wait_stable still

is_help() {
    local changed
    changed=$(zq_differ still "$1")
    ((changed > 50000))
}

zq_key F1
zq_wait_until help is_help help
zq_wait_stable help

xdotool keydown Escape
sleep 0.4
zq_shot held
xdotool keyup Escape
[[ $(zq_differ help held) == 0 ]] || zq_fail "the help left while Escape was held"

is_back() {
    [[ $(zq_differ help "$1") != 0 ]]
}
zq_wait_until back is_back back
zq_wait_stable back
changed=$(zq_differ still back)
[[ $changed == 0 ]] || zq_fail "the play screen came back with $changed pixels changed"

# The Escape of the help must not reach the play loop, which would end the
# game and show the start-game menu.
sleep 1
zq_shot later
[[ $(zq_differ still later) == 0 ]] || zq_fail "the game did not go on after the help"
echo "ok"
