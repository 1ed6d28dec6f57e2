#!/usr/bin/env bash
# A game in the real window: the element enters at column 3, Left and Right
# move it, Up turns it, Space drops it and the next gravity step places it;
# P pauses until C; F3 writes zorvane.pcx of the play screen; F2 returns to
# the start-game menu and Start Game deals a fresh well.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
export PYTHONPATH="$ZQ_SOURCE_DIR/tests/support"

# well NAME: "minx maxx miny maxy cells" of the tiles in the well of NAME.
well() {
    python3 - "$ZQ_SHOTS/$1.png" <<'PY'
import sys
from zq_pictures import read_picture, well_cells, occupied
cells = occupied(well_cells(read_picture(sys.argv[1])[2]))
if not cells:
    print("-1 -1 -1 -1 0")
else:
    xs = [x for x, _ in cells]
    ys = [y for _, y in cells]
    print(min(xs), max(xs), min(ys), max(ys), len(cells))
PY
}

# Predicates on the last picture, for zq_wait_until.
left_edge_is() {
    local box
    read -ra box <<<"$(well "$1")"
    [[ ${box[4]} -eq 4 && ${box[0]} -eq $2 ]]
}
at_bottom_with_next() {
    local box
    read -ra box <<<"$(well "$1")"
    [[ ${box[3]} -eq 19 && ${box[2]} -le 3 && ${box[4]} -eq 8 ]]
}
well_differs() {
    [[ $(zq_crop_differ "$2" "$1" 200x400+40+40) != 0 ]]
}
only_one_element() {
    local box
    read -ra box <<<"$(well "$1")"
    [[ ${box[4]} -eq 4 && ${box[2]} -le 3 ]]
}

zq_start_game
zq_open_menu
zq_start_play
# The panels are filled before the well is first drawn: wait for the well.
zq_wait_until play only_one_element play

read -ra box <<<"$(well play)"
[[ ${box[0]} -eq 3 ]] || zq_fail "the element should enter at column 3: ${box[*]}"
width=$((box[1] - box[0] + 1))
height=$((box[3] - box[2] + 1))

zq_key Left
zq_wait_until moved left_edge_is moved 2
zq_key Right
zq_key Right
zq_wait_until moved left_edge_is moved 4
# Four steps reach column 0; the fifth is refused by the wall.
zq_key Left Left Left Left Left
zq_wait_until moved left_edge_is moved 0

zq_key Up
sleep 0.2
zq_shot turned
read -ra box <<<"$(well turned)"
turned_width=$((box[1] - box[0] + 1))
turned_height=$((box[3] - box[2] + 1))
if ((width == height)); then
    ((turned_width == width && turned_height == height)) || zq_fail "the square changed shape"
else
    ((turned_width == height && turned_height == width)) ||
        zq_fail "Up should turn ${width}x${height} into ${height}x${width}, got ${turned_width}x${turned_height}"
fi
[[ ${box[0]} -eq 0 ]] || zq_fail "the element turns about its top-left corner: ${box[*]}"

# Space drops it to the floor; the next gravity step places it and a new
# element enters at the top.
zq_key space
zq_wait_until dropped at_bottom_with_next dropped

# P pauses: the well stands still until C is held.
zq_key p
sleep 0.3
zq_shot paused
sleep 1.3
zq_shot paused.later
[[ $(zq_crop_differ paused paused.later 200x400+40+40) == 0 ]] || zq_fail "the element fell during the pause"
zq_hold c
zq_wait_until resumed well_differs resumed paused

# F3: a 640x480 8-bit PCX of the play screen, with the game palette.
rm -f "$ZQ_RUN/zorvane.pcx"
zq_key F3
zq_wait_file "$ZQ_RUN/zorvane.pcx"
sleep 0.3
zq_shot after_f3
python3 - "$ZQ_RUN/zorvane.pcx" "$ZQ_SHOTS/after_f3.png" <<'PY'
import sys
from zq_pictures import read_pcx, read_picture, well_cells
header, rows, palette = read_pcx(sys.argv[1])
assert header["manufacturer"] == 10 and header["encoding"] == 1, header
assert header["bits"] == 8 and header["planes"] == 1, header
assert (header["width"], header["height"]) == (640, 480), header
assert palette[0] == (0, 0, 0), palette[0]
_, _, window = read_picture(sys.argv[2])
shot = [[palette[i] for i in row] for row in rows]
# Everything right of the well stands still between the two pictures.
mismatches = 0
for y in range(0, 480, 3):
    for x in range(260, 640, 3):
        a, b = shot[y][x], window[y][x]
        if max(abs(a[k] - b[k]) for k in range(3)) > 8:
            mismatches += 1
assert mismatches == 0, f"{mismatches} sampled pixels differ from the window"
# The panels are filled with index 0 and the placed element lies at the floor.
for x, y in [(575, 130), (575, 435), (482, 222), (365, 138 - 3)]:
    assert rows[y][x] == 0, (x, y, rows[y][x])
grid = well_cells(shot)
assert "#" in grid[19] or "#" in grid[18], grid
assert grid[19] == well_cells(window)[19], (grid[19], well_cells(window)[19])
PY

# F2 ends the game at once; Start Game deals a fresh well.
zq_key F2
zq_wait_until back zq_is_menu back
zq_start_play
zq_wait_until fresh only_one_element fresh
