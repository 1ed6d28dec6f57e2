#!/usr/bin/env bash
# The random generator is never seeded: two runs of the program deal the
# same first element and the same next elements after it.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
export PYTHONPATH="$ZQ_SOURCE_DIR/tests/support"

# first_deal NAME: the falling element's shape, moved to the corner.
first_deal() {
    python3 - "$ZQ_SHOTS/$1.png" <<'PY'
import sys
from zq_pictures import read_picture, well_cells, occupied
cells = occupied(well_cells(read_picture(sys.argv[1])[2]))
assert len(cells) == 4, cells
left = min(x for x, _ in cells)
top = min(y for _, y in cells)
print(sorted((x - left, y - top) for x, y in cells))
PY
}
four_cells() {
    first_deal "$1" >/dev/null 2>&1
}
# cell_count NAME N: the well shows N tiles.
cell_count() {
    python3 - "$ZQ_SHOTS/$1.png" "$2" <<'PY'
import sys
from zq_pictures import read_picture, well_cells, occupied
sys.exit(0 if len(occupied(well_cells(read_picture(sys.argv[1])[2]))) == int(sys.argv[2]) else 1)
PY
}

deal=()
for run in 1 2; do
    zq_start_game
    zq_open_menu
    zq_start_play
    zq_wait_until "play$run" four_cells "play$run"
    deal+=("$(first_deal "play$run")")
    # Dropped in place, the elements stack up: 4 more tiles per new element.
    for drop in 1 2 3; do
        zq_key space
        zq_wait_until "play$run.$drop" cell_count "play$run.$drop" $((4 + 4 * drop))
    done
    zq_key F2
    zq_wait_until menu zq_is_menu menu
    zq_quit_from_menu
done
[[ "${deal[0]}" == "${deal[1]}" ]] || zq_fail "the first elements differ: ${deal[*]}"
for shot in "" .1 .2 .3; do
    [[ $(zq_crop_differ "play1$shot" "play2$shot" 80x40+360+185) == 0 ]] || zq_fail "the next elements differ ($shot)"
done
