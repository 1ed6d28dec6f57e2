#!/usr/bin/env bash
# F5 saves the game through the file selector to a typed name; saving over
# it asks first and Cancel keeps the old file; an unplayable file is refused;
# F6 loads the saved game back, and play goes on from its well and counters.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

check_records() {
    python3 - "$@" <<'PY'
import struct, sys
mode, paths = sys.argv[1], sys.argv[2:]
def record(path):
    data = open(path, "rb").read()
    assert len(data) == 958, (path, len(data))
    assert data[912:] == b"Zorvane Quibbleon v2.0 (Windows Only Version)\0", data[912:]
    words = struct.unpack_from("<228i", data, 0)
    assert all(0 <= cell <= 8 for cell in words[18:218]) and 1 <= words[16] <= 8
    return {"block": words[0:16], "next": words[16], "element": words[17], "map": words[18:218],
            "x": words[218], "y": words[219], "score": words[223], "lines": words[224],
            "stage_lines": words[225], "pieces": words[226]}
first = record(paths[0])
if mode == "changed":
    assert record(paths[1])["map"] != first["map"], "the game did not move on"
elif mode == "same-game":
    second = record(paths[1])
    for field in ("map", "block", "next", "element", "x", "score", "lines", "stage_lines", "pieces"):
        assert second[field] == first[field], (field, first[field], second[field])
PY
}

# Clears the selector's name (the last `erase` characters) and types `name`.
save_as() {
    local erase=$1 name=$2
    zq_key F5
    zq_wait_until dialog zq_is_selector dialog
    local i
    for ((i = 0; i < erase; i++)); do
        zq_key BackSpace
    done
    zq_type "$name"
    zq_key Return
    zq_wait_until play zq_no_dialog_left play
    zq_wait_file "$ZQ_RUN/$name"
}

zq_start_game
zq_open_menu
zq_start_play

save_as 12 mygame.svg # the selector proposes "untitled.svg" first
saved="$ZQ_RUN/mygame.svg"
cp "$saved" "$ZQ_WORK/first.svg"
check_records saved "$saved"
[[ ! -e "$ZQ_RUN/untitled.svg" ]] || zq_fail "the proposed name was saved as well"
zq_shot at-save

# Drop the element once; the next fall step places it and the counters
# change. The next element then takes seconds to come down.
counters_changed() {
    [[ $(zq_crop_differ at-save "$1" 220x96+360+40) != 0 ]]
}
zq_key space
zq_wait_until moved counters_changed moved

# F5 proposes the last name; overwriting asks, and Cancel keeps the file.
zq_key F5
zq_wait_until dialog zq_is_selector dialog
zq_key Return
zq_wait_until dialog zq_is_alert dialog
zq_key Escape
zq_wait_until play zq_no_dialog_left play
cmp -s "$saved" "$ZQ_WORK/first.svg" || zq_fail "Cancel changed the saved game"

save_as 10 other.svg
check_records changed "$ZQ_WORK/first.svg" "$ZQ_RUN/other.svg"

# A record that cannot be played (a cell of 9) is refused with an alert,
# and the game goes on as it was.
python3 - "$ZQ_RUN/other.svg" "$ZQ_RUN/bad.svg" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<i", data, 72, 9)
open(sys.argv[2], "wb").write(data)
PY
zq_key F6
zq_wait_until dialog zq_is_selector dialog
zq_type bad.svg
zq_key Return
zq_wait_until refused zq_is_alert refused
zq_key Return
zq_wait_until play zq_no_dialog_left play
save_as 9 after-bad.svg # the proposal is still other.svg
check_records same-game "$ZQ_RUN/other.svg" "$ZQ_RUN/after-bad.svg"

# F6 starts with an empty name: the typed name alone must find the file.
zq_key F6
zq_wait_until dialog zq_is_selector dialog
zq_type mygame.svg
zq_key Return
zq_wait_until play zq_no_dialog_left play
zq_shot loaded
# Stage, lines and pieces as saved (the score's digits may leave a trace of
# a longer number behind them).
[[ $(zq_crop_differ at-save loaded 220x70+360+62) == 0 ]] || zq_fail "the counters are not those of the saved game"

# Save the loaded game over the first file, answering OK this time.
zq_key F5
zq_wait_until dialog zq_is_selector dialog
zq_key Return
zq_wait_until dialog zq_is_alert dialog
zq_key Return
zq_wait_until play zq_no_dialog_left play
check_records same-game "$ZQ_WORK/first.svg" "$saved"
echo "ok"
