#!/usr/bin/env bash
# The credits scroll and leave on any key; their song is heard through the
# sound device when music is on, and nothing is heard when music and sound
# are switched off.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

sound_bytes() {
    stat -c %s "$ZQ_SOUND"
}

# Watches the credits for a while; leaves the recorded span in SPAN_FROM and
# SPAN_TO (byte offsets into the recording).
watch_credits() {
    zq_click 320 275
    is_credits() {
        ! zq_is_menu "$1" && [[ $(zq_differ menu "$1") -gt 100000 ]]
    }
    zq_wait_until credits-1 is_credits credits-1
    # The first second may still hold the click of the button.
    sleep 1
    SPAN_FROM=$(sound_bytes)
    zq_shot credits-2
    sleep 2
    SPAN_TO=$(sound_bytes)
    zq_shot credits-3
    [[ $(zq_differ credits-2 credits-3) != 0 ]] || zq_fail "the credits do not scroll"
    zq_key x
    zq_wait_until menu zq_is_menu menu
    zq_wait_stable menu
}

# "sound" or "silence" between two offsets of the 16-bit stereo recording.
heard() {
    python3 - "$ZQ_SOUND" "$1" "$2" <<'PY'
import sys
path, start, end = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
start = max(44, start - (start - 44) % 4)
frames = [data[i:i + 4] for i in range(start, min(end, len(data)) - 3, 4)]
assert len(frames) > 44100, "too little was recorded: %d frames" % len(frames)
print("silence" if all(frame == frames[0] for frame in frames) else "sound")
PY
}

zq_start_game
zq_open_menu
watch_credits
[[ $(heard "$SPAN_FROM" "$SPAN_TO") == sound ]] || zq_fail "the credits song was not heard"

zq_click 320 195 # options: sound off, music off
zq_wait_stable options
zq_click 185 115
zq_click 455 115
zq_click 320 415
zq_wait_until menu zq_is_menu menu
zq_wait_stable menu
watch_credits
[[ $(heard "$SPAN_FROM" "$SPAN_TO") == silence ]] || zq_fail "something played with music and sound off"
echo "ok"
