#!/usr/bin/env bash
# Dropping every element fills the well: the last element is copied over the
# entry position, the game-over text stands over the frozen well, and Enter
# hands over to the high-score check, whose name entry follows for a score
# that beats the default table.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
export PYTHONPATH="$ZQ_SOURCE_DIR/tests/support"

zq_start_game
zq_open_menu
zq_start_play

# The palette, from an F3 picture of the play screen.
zq_key F3
zq_wait_file "$ZQ_RUN/zorvane.pcx"

# game_over_text NAME: every line of the game-over text in colour 15.
game_over_text() {
    python3 - "$ZQ_RUN/zorvane.pcx" "$ZQ_SHOTS/$1.png" <<'PY'
import sys
from zq_pictures import read_pcx, read_picture
_, _, palette = read_pcx(sys.argv[1])
_, _, window = read_picture(sys.argv[2])
white = palette[15]
def count(x1, x2, y):
    return sum(1 for yy in range(y, y + 8) for x in range(x1, x2)
               if max(abs(window[yy][x][k] - white[k]) for k in range(3)) <= 8)
lines = {"G A M E": (107, 163, 152), "O V E R": (107, 163, 202), "Press <Enter> to": (70, 198, 252),
         "start over again": (70, 198, 277), "Score": (86, 174, 302)}
missing = [name for name, (x1, x2, y) in lines.items() if count(x1, x2, y) < 20]
sys.exit(1 if missing else 0)
PY
}

attempt=0
while :; do
    ((++attempt < 200)) || zq_fail "the game did not end"
    zq_key space
    sleep 0.25
    zq_shot ending
    game_over_text ending && break
done

# Over: the module is stopped and nothing moves any more; the entry rows hold
# the element that could not enter.
sleep 1.2
zq_shot ending.later
[[ $(zq_differ ending ending.later) == 0 ]] || zq_fail "the screen still changes after game over"
python3 - "$ZQ_SHOTS/ending.png" <<'PY'
import sys
from zq_pictures import read_picture, well_cells
grid = well_cells(read_picture(sys.argv[1])[2])
assert "#" in grid[0][3:7] or "#" in grid[1][3:7], grid
PY

zq_hold Return
zq_wait_until entry zq_is_name_entry entry
