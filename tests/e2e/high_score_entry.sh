#!/usr/bin/env bash
# A game played to its end with a qualifying score: the name is typed, the
# table is shown, EXIT writes zorvane.hsc, and the next start reads it back;
# Reset then brings the defaults back into the file.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

hsc="$ZQ_RUN/zorvane.hsc"
zq_start_game
[[ ! -e "$hsc" ]] || zq_fail "the table was written at start-up"
zq_open_menu
zq_start_play

# Drop elements until the well fills; Enter answers the game-over message.
attempt=0
while :; do
    ((++attempt < 120)) || zq_fail "the game did not end"
    zq_key space
    zq_hold Return
    zq_shot ending
    zq_is_name_entry ending && break
done

zq_type "tester7"
zq_hold Return
zq_wait_until table zq_is_high_scores table
zq_wait_stable table
zq_click 200 435
zq_wait_menu
zq_quit_from_menu

[[ -f "$hsc" ]] || zq_fail "EXIT did not write the table"
python3 - "$hsc" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert len(data) == 480, len(data)
score, level, lines, pieces = struct.unpack_from("<4i", data, 0)
name = data[16:32]
assert name.startswith(b"tester7\0"), name
# Every element placed scores 30; the table records one more piece and line.
assert pieces >= 3 and score >= 30 * (pieces - 1), (score, pieces)
assert lines >= 1 and level == 0, (lines, level)
default = struct.pack("<4i", 0, 1, 0, 0) + b"Zorvane Champion"
for i in range(1, 15):
    assert data[32 * i:32 * i + 32] == default, (i, data[32 * i:32 * i + 32])
PY
cp "$hsc" "$ZQ_WORK/first.hsc"

# Next start: the same table on the screen, and the same file after EXIT.
zq_start_game
zq_open_menu
zq_click 320 235
zq_wait_until again zq_is_high_scores again
zq_wait_stable again
[[ $(zq_differ table again) == 0 ]] || zq_fail "the table read back differs from the one entered"

zq_click 440 435
zq_wait_stable reset
[[ $(zq_differ again reset) != 0 ]] || zq_fail "Reset changed nothing on the screen"
zq_click 200 435
zq_wait_menu
zq_quit_from_menu

python3 - "$hsc" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
default = struct.pack("<4i", 0, 1, 0, 0) + b"Zorvane Champion"
assert data == default * 15, "Reset did not reach the file"
PY
echo "ok"
