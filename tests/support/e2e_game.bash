# Shared by the end-to-end scripts: a private X display, a scratch working
# directory with its own sound device, the real game started in it, and
# pictures of its window. Source it; it sets `set -euo pipefail`.
#
# Waits poll with a timeout; nothing here sleeps longer than a key press.

set -Eeuo pipefail
# A command that fails ends the test; say which one.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

zq_skip() {
    echo "skipped: $*"
    exit 77
}

zq_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

zq_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || zq_skip "$tool is not installed"
    done
}

# Sets ZQ_WORK (scratch directory), ZQ_RUN (the game's working directory),
# DISPLAY (a private Xvfb) and the sound device (a WAV recording).
zq_setup() {
    ZQ_GAME="${ZQ_BIN:-}/zorvane"
    [[ -n "${ZQ_BIN:-}" && -x "$ZQ_GAME" && -f "$ZQ_BIN/zorvane.dat" ]] || zq_skip "the game or its datafile is not built"
    zq_require Xvfb xdotool import compare convert python3
    ZQ_WORK=$(mktemp -d /tmp/zq-e2e-XXXXXX)
    ZQ_RUN="$ZQ_WORK/run"
    ZQ_SHOTS="$ZQ_WORK/shots"
    ZQ_SOUND="$ZQ_WORK/sound.wav"
    mkdir -p "$ZQ_WORK/home" "$ZQ_RUN" "$ZQ_SHOTS"
    # The sound library reads ~/.asoundrc: the default device becomes a
    # recording, so the game finds sound on a machine without a card.
    cat >"$ZQ_WORK/home/.asoundrc" <<EOF
pcm.!default {
    type file
    slave.pcm "null"
    file "$ZQ_SOUND"
    format "wav"
}
EOF
    ZQ_GAME_PID=""
    ZQ_XVFB_PID=""
    trap zq_cleanup EXIT
    zq_copy_game
    zq_start_display
}

# The game runs from a copy beside an allegro.cfg of its own: the library
# reads that file from the executable's directory and writes settings that
# other programs there change back into it. Only the patch set is kept.
zq_copy_game() {
    local directory="$ZQ_WORK/game"
    mkdir -p "$directory"
    cp "$ZQ_GAME" "$ZQ_BIN/zorvane.dat" "$directory/"
    {
        echo "[sound]"
        grep -E '^[[:space:]]*patches[[:space:]]*=' "$ZQ_BIN/allegro.cfg" 2>/dev/null || true
    } >"$directory/allegro.cfg"
    ZQ_GAME="$directory/zorvane"
}

zq_cleanup() {
    local status=$?
    if [[ -n "$ZQ_GAME_PID" ]] && kill -0 "$ZQ_GAME_PID" 2>/dev/null; then
        kill "$ZQ_GAME_PID" 2>/dev/null || true
        wait "$ZQ_GAME_PID" 2>/dev/null || true
    fi
    if [[ -n "$ZQ_XVFB_PID" ]]; then
        kill "$ZQ_XVFB_PID" 2>/dev/null || true
        wait "$ZQ_XVFB_PID" 2>/dev/null || true
    fi
    if [[ $status -ne 0 && -f "$ZQ_WORK/game.log" ]]; then
        echo "--- game output ---" >&2
        grep -v '^ALSA lib' "$ZQ_WORK/game.log" | tail -40 >&2 || true
        echo "--- scratch kept in $ZQ_WORK ---" >&2
    else
        rm -rf "$ZQ_WORK"
    fi
    exit $status
}

zq_start_display() {
    local fifo="$ZQ_WORK/display"
    : >"$fifo"
    Xvfb -displayfd 9 -screen 0 800x600x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    ZQ_XVFB_PID=$!
    local tries=0
    while [[ ! -s "$fifo" ]]; do
        ((++tries < 200)) || zq_fail "Xvfb did not start"
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$fifo")"
}

# In a sanitizer build the library's sound drivers, which it loads as
# modules and unloads at exit, are loaded from the start instead: what they
# allocate then stays reachable, and the leak checker does not report it
# from an unloaded, nameless module.
zq_game_preload() {
    local asan module
    asan=$(ldd "$ZQ_GAME" 2>/dev/null | awk '/libasan/ { print $3 }')
    [[ -n "$asan" ]] || return 0
    local preload="$asan"
    for module in /usr/lib/*/allegro/*/alleg-alsa*.so; do
        [[ -f "$module" ]] && preload+=":$module"
    done
    echo "$preload"
}

# Starts the game in ZQ_RUN and waits for its window (ZQ_WINDOW).
zq_start_game() {
    local preload
    preload=$(zq_game_preload)
    (cd "$ZQ_RUN" && HOME="$ZQ_WORK/home" LD_PRELOAD="$preload" exec "$ZQ_GAME" >>"$ZQ_WORK/game.log" 2>&1) &
    ZQ_GAME_PID=$!
    ZQ_WINDOW=""
    local tries=0
    while [[ -z "$ZQ_WINDOW" ]]; do
        ((++tries < 600)) || zq_fail "the game window did not appear"
        kill -0 "$ZQ_GAME_PID" 2>/dev/null || zq_fail "the game ended at start-up"
        ZQ_WINDOW=$(xdotool search --onlyvisible --name '^zorvane$' 2>/dev/null | head -n1 || true)
        [[ -n "$ZQ_WINDOW" ]] || sleep 0.05
    done
    xdotool mousemove --window "$ZQ_WINDOW" 630 5
    zq_wait_stable title
}

# Waits for the game to end by itself and checks its exit status.
zq_wait_exit() {
    local tries=0
    while kill -0 "$ZQ_GAME_PID" 2>/dev/null; do
        ((++tries < 600)) || zq_fail "the game did not end"
        sleep 0.05
    done
    local status=0
    wait "$ZQ_GAME_PID" || status=$?
    ZQ_GAME_PID=""
    [[ $status -eq 0 ]] || zq_fail "the game ended with status $status"
}

# zq_shot NAME: the window's 640x480 picture in $ZQ_SHOTS/NAME.png.
# A window that is still being mapped cannot be read yet; try again.
zq_shot() {
    local tries=0
    until import -window "$ZQ_WINDOW" "$ZQ_SHOTS/$1.png" 2>/dev/null; do
        ((++tries < 40)) || zq_fail "cannot take a picture of the window ($1)"
        sleep 0.05
    done
}

# zq_pixel NAME X Y: the pixel as six hex digits.
zq_pixel() {
    convert "$ZQ_SHOTS/$1.png" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c1-6
}

# zq_differ A B: the number of pixels in which two pictures differ.
zq_differ() {
    compare -metric AE "$ZQ_SHOTS/$1.png" "$ZQ_SHOTS/$2.png" null: 2>&1 | cut -d' ' -f1 || true
}

# zq_wait_stable NAME: waits until two pictures in a row are the same and not
# all black (fades are over); leaves the picture in NAME.
zq_wait_stable() {
    local tries=0
    zq_shot "$1"
    while :; do
        ((++tries < 200)) || zq_fail "the screen did not settle ($1)"
        sleep 0.1
        zq_shot "$1.next"
        if [[ $(zq_differ "$1" "$1.next") == 0 ]] &&
            [[ $(convert "$ZQ_SHOTS/$1.png" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:) != 0 ]]; then
            return 0
        fi
        mv "$ZQ_SHOTS/$1.next.png" "$ZQ_SHOTS/$1.png"
    done
}

# zq_wait_until NAME COMMAND...: takes pictures into NAME until COMMAND
# (which may look at NAME) succeeds.
zq_wait_until() {
    local name=$1
    shift
    local tries=0
    while :; do
        zq_shot "$name"
        "$@" && return 0
        ((++tries < 300)) || zq_fail "timed out waiting for: $*"
        sleep 0.1
    done
}

zq_click() {
    xdotool mousemove --window "$ZQ_WINDOW" "$1" "$2"
    sleep 0.05
    xdotool mousedown 1
    sleep 0.12
    xdotool mouseup 1
    # Off every button, so that no later picture shows a hover.
    xdotool mousemove --window "$ZQ_WINDOW" 630 5
}

# A key held long enough for a loop that tests the key state to see it.
zq_hold() {
    xdotool keydown "$1"
    sleep 0.15
    xdotool keyup "$1"
}

zq_key() {
    xdotool key --delay 60 "$@"
}

zq_type() {
    xdotool type --delay 80 "$1"
}

# The title's PLAY GAME button, then the start-game menu, whose colours the
# other screens share: ZQ_BEVEL_LIGHT (col2 25), ZQ_BEVEL_DARK (col1 15)
# and ZQ_OUTLINE (142).
zq_open_menu() {
    zq_click 315 332
    zq_wait_menu
    ZQ_BEVEL_LIGHT=$(zq_pixel menu 200 140)
    ZQ_BEVEL_DARK=$(zq_pixel menu 440 330)
    ZQ_OUTLINE=$(zq_pixel menu 0 0)
    [[ "$ZQ_BEVEL_LIGHT" != "$ZQ_BEVEL_DARK" && "$ZQ_BEVEL_LIGHT" != "$ZQ_OUTLINE" ]] ||
        zq_fail "the menu's colours cannot be told apart"
}

zq_wait_menu() {
    zq_wait_stable menu
    # Frames of "Start Game" and "Previous Menu", as on every return.
    local light
    light=$(zq_pixel menu 200 140)
    [[ "$light" == "$(zq_pixel menu 200 300)" && "$light" == "$(zq_pixel menu 300 141)" ]] ||
        zq_fail "the start-game menu is not showing"
}

# Tests on the last picture NAME, for zq_wait_until.
zq_is_menu() {
    [[ "$(zq_pixel "$1" 200 140)" == "$ZQ_BEVEL_LIGHT" && "$(zq_pixel "$1" 200 300)" == "$ZQ_BEVEL_LIGHT" &&
        "$(zq_pixel "$1" 440 330)" == "$ZQ_BEVEL_DARK" ]]
}

zq_is_high_scores() {
    [[ "$(zq_pixel "$1" 100 420)" == "$ZQ_BEVEL_LIGHT" && "$(zq_pixel "$1" 340 420)" == "$ZQ_BEVEL_LIGHT" &&
        "$(zq_pixel "$1" 540 450)" == "$ZQ_BEVEL_DARK" && "$(zq_pixel "$1" 0 0)" == "$ZQ_OUTLINE" ]]
}

zq_is_name_entry() {
    [[ "$(zq_pixel "$1" 100 150)" == "$ZQ_OUTLINE" && "$(zq_pixel "$1" 340 280)" == "$ZQ_OUTLINE" &&
        "$(zq_pixel "$1" 150 200)" == "$ZQ_OUTLINE" && "$(zq_pixel "$1" 290 240)" == "$ZQ_OUTLINE" ]]
}

# The play screen's counters, title and legend boxes are filled with
# colour 0.
zq_is_play() {
    local black
    black=$(zq_pixel "$1" 575 130)
    [[ "$black" == "$(zq_pixel "$1" 575 435)" && "$black" == "$(zq_pixel "$1" 482 222)" &&
        "$black" != "$(zq_pixel "$1" 300 20)" ]]
}

zq_start_play() {
    zq_click 320 155
    zq_wait_until play zq_is_play play
}

# Leaves the start-game menu and the title with Escape; the game then writes
# its high scores and ends.
zq_quit_from_menu() {
    zq_hold Escape
    zq_wait_stable title
    zq_hold Escape
    zq_wait_exit
}

# The file selector is the larger dialog; the alert box is small and leaves
# the selector's lower-left corner uncovered.
zq_is_selector() {
    zq_grey "$1" 320 240 && zq_grey "$1" 180 320
}

zq_is_alert() {
    zq_grey "$1" 232 240 && ! zq_grey "$1" 180 320
}

zq_no_dialog_left() {
    ! zq_grey "$1" 180 320 && ! zq_grey "$1" 232 240
}

# The library's dialogs are light grey (the palette's nearest, a little
# bluish) boxes over the middle of the screen.
zq_grey() {
    local pixel red green blue
    pixel=$(zq_pixel "$1" "$2" "$3")
    red=$((16#${pixel:0:2}))
    green=$((16#${pixel:2:2}))
    blue=$((16#${pixel:4:2}))
    ((red > 150 && green > 150 && blue > 150 && red - green < 16 && green - red < 16 && blue - red < 24 && red - blue < 24))
}

# zq_crop_differ A B GEOMETRY: pixels that differ inside WxH+X+Y.
zq_crop_differ() {
    convert "$ZQ_SHOTS/$1.png" -crop "$3" +repage "$ZQ_SHOTS/crop-a.png"
    convert "$ZQ_SHOTS/$2.png" -crop "$3" +repage "$ZQ_SHOTS/crop-b.png"
    zq_differ crop-a crop-b
}

# zq_wait_file PATH: until it exists.
zq_wait_file() {
    local tries=0
    until [[ -f "$1" ]]; do
        ((++tries < 300)) || zq_fail "$1 did not appear"
        sleep 0.05
    done
}
