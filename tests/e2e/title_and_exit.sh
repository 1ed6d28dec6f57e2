#!/usr/bin/env bash
# The title screen with its two buttons, F3 on the title, the start-game menu
# left by Previous Menu and by Escape, and EXIT: the game ends with status 0 and, as no table
# existed, writes zorvane.hsc with the fifteen default entries.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
export PYTHONPATH="$ZQ_SOURCE_DIR/tests/support"

zq_start_game
[[ ! -e "$ZQ_RUN/zorvane.hsc" ]] || zq_fail "the table was written at start-up"

# Both buttons raised: col2 above and left, col1 below and right, face 1.
light=$(zq_pixel title 245 320)
dark=$(zq_pixel title 385 345)
[[ "$light" != "$dark" ]] || zq_fail "the PLAY GAME bevel is flat"
[[ "$(zq_pixel title 245 350)" == "$light" && "$(zq_pixel title 385 375)" == "$dark" ]] ||
    zq_fail "EXIT is not drawn like PLAY GAME"
[[ "$(zq_pixel title 247 322)" == "$(zq_pixel title 247 352)" ]] || zq_fail "the button faces differ"

# F3 is a held key on the title: the picture with the palette in force.
zq_hold F3
zq_wait_file "$ZQ_RUN/zorvane.pcx"
sleep 0.3
python3 - "$ZQ_RUN/zorvane.pcx" "$ZQ_SHOTS/title.png" <<'PY'
import sys
from zq_pictures import read_pcx, read_picture
header, rows, palette = read_pcx(sys.argv[1])
assert (header["width"], header["height"], header["bits"], header["planes"]) == (640, 480, 8, 1), header
_, _, window = read_picture(sys.argv[2])
bad = [(x, y) for y in range(0, 480, 4) for x in range(0, 640, 4)
       if max(abs(palette[rows[y][x]][k] - window[y][x][k]) for k in range(3)) > 8]
assert not bad, f"{len(bad)} sampled pixels differ, first {bad[:5]}"
# The built-in font's line "NEW! Windows only version" in colour 15.
white = palette[15]
line = [x for x in range(210, 410) for y in range(450, 458) if tuple(window[y][x]) == white
        or max(abs(window[y][x][k] - white[k]) for k in range(3)) <= 8]
assert len(line) > 100, len(line)
PY

zq_open_menu
zq_click 320 315
zq_wait_stable title
[[ "$(zq_pixel title 245 320)" == "$light" ]] || zq_fail "Previous Menu did not bring the title back"
zq_open_menu
zq_hold Escape
zq_wait_stable title
[[ "$(zq_pixel title 245 320)" == "$light" ]] || zq_fail "Escape did not bring the title back"

zq_click 315 362
zq_wait_exit
python3 - "$ZQ_RUN/zorvane.hsc" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert len(data) == 480, len(data)
default = struct.pack("<4i", 0, 1, 0, 0) + b"Zorvane Champion"
for i in range(15):
    assert data[32 * i:32 * i + 32] == default, (i, data[32 * i:32 * i + 32])
PY
