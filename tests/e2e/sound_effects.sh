#!/usr/bin/env bash
# The effects are heard: the button click when PLAY GAME is pressed, and the
# row-removal sample when a placement removes a row, found in a recording of
# the sound device by their waveforms from zorvane.dat; a placement that
# removes nothing does not sound like it.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
export PYTHONPATH="$ZQ_SOURCE_DIR/tests/support"

recorded() {
    stat -c %s "$ZQ_SOUND" 2>/dev/null || echo 0
}

zq_start_game
zq_wait_file "$ZQ_SOUND"
quiet_from=$(recorded)
sleep 0.5
click_from=$(recorded)
zq_click 315 332
zq_wait_menu
sleep 0.5
click_to=$(recorded)

zq_start_play
read -r control_from control_to row_from row_to < <(python3 - "$ZQ_WINDOW" "$ZQ_SHOTS/autoplay.png" "$ZQ_SOUND" <<'PY'
import os, sys, time
from zq_autoplay import Player
window, picture, sound = sys.argv[1:4]
player = Player(window, picture, lambda: os.path.getsize(sound))
control = None
for piece in range(60):
    start, cleared = player.place_one()
    time.sleep(1.0)
    span = (start, os.path.getsize(sound))
    if cleared:
        assert control is not None, "a row went with the first element"
        print(*control, *span)
        break
    control = span
else:
    raise SystemExit("no row was removed in 60 elements")
PY
)
[[ -n "${row_to:-}" ]] || zq_fail "the autoplayer did not remove a row"

python3 - "$ZQ_BIN/zorvane.dat" "$ZQ_SOUND" "$quiet_from" "$click_from" "$click_to" \
    "$control_from" "$control_to" "$row_from" "$row_to" <<'PY'
import sys
from zq_sound import datafile_samples, recording, best_match
dat, sound = sys.argv[1:3]
quiet_from, click_from, click_to, control_from, control_to, row_from, row_to = map(int, sys.argv[3:])
samples = datafile_samples(dat)
click_rate, click = samples[13]
row_rate, row = samples[16]

def match(start, end, sample, rate, seconds=None):
    heard_rate, heard = recording(sound, start, end)
    return best_match(heard, heard_rate, sample, rate, seconds)

quiet = match(quiet_from, click_from, click, click_rate)
clicked = match(click_from, click_to, click, click_rate)
removed = match(row_from, row_to, row, row_rate, 0.3)
placed = match(control_from, control_to, row, row_rate, 0.3)
print("click: quiet %.2f pressed %.2f; row sample: placed %.2f removed %.2f" % (quiet, clicked, placed, removed))
assert clicked > 0.8, "the button click was not heard"
assert quiet < 0.3, "the title was not quiet before the click"
assert removed > 0.6, "the row-removal sample was not heard"
assert placed < removed - 0.2, "a placement without a removed row sounds like one"
PY
