# Shared by the end-to-end scripts: a private Xvfb, a scratch directory whose
# ~/.asoundrc makes the sound device a WAV recording, the real game started
# there, and pictures of its window. Every wait polls with a timeout.
set -Eeuo pipefail
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

zq_skip() { echo "skipped: $*"; exit 77; }
zq_fail() { echo "FAIL: $*" >&2; exit 1; }
zq_need() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null || zq_skip "$tool is not installed"
    done
}
zq_py() { python3 "$ZQ_SOURCE_DIR/tests/support/zq_e2e.py" "$@"; }
zq_recorded() { stat -c %s "$ZQ_SOUND" 2>/dev/null || echo 0; }
zq_ended() { ! kill -0 "$ZQ_GAME_PID" 2>/dev/null; }

# zq_poll TRIES WHAT COMMAND...: COMMAND every 0.05 s until it succeeds.
zq_poll() {
    local tries=$1 what=$2
    shift 2
    until "$@"; do
        ((--tries > 0)) || zq_fail "timed out: $what"
        sleep 0.05
    done
}

zq_setup() {
    ZQ_GAME="${ZQ_BIN:-}/zorvane"
    [[ -n "${ZQ_BIN:-}" && -x "$ZQ_GAME" && -f "$ZQ_BIN/zorvane.dat" ]] || zq_skip "the game is not built"
    zq_need Xvfb xdotool import compare convert python3 dat
    ZQ_WORK=$(mktemp -d /tmp/zq-e2e-XXXXXX)
    ZQ_RUN="$ZQ_WORK/run" ZQ_SHOTS="$ZQ_WORK/shots" ZQ_SOUND="$ZQ_WORK/sound.wav"
    ZQ_GAME_PID="" ZQ_XVFB_PID=""
    mkdir -p "$ZQ_WORK/home" "$ZQ_RUN" "$ZQ_SHOTS" "$ZQ_WORK/game"
    trap zq_cleanup EXIT
    zq_sound_to "type file slave.pcm \"null\" file \"$ZQ_SOUND\" format \"wav\""
    # A copy beside its own allegro.cfg (the library writes settings back
    # into the one beside the executable) with the patch set only.
    cp "$ZQ_GAME" "$ZQ_BIN/zorvane.dat" "$ZQ_WORK/game/"
    { echo "[sound]"; grep -E '^\s*patches\s*=' "$ZQ_BIN/allegro.cfg" || true; } >"$ZQ_WORK/game/allegro.cfg"
    ZQ_GAME="$ZQ_WORK/game/zorvane"
    : >"$ZQ_WORK/display"
    # -noreset: the server would otherwise reset as its last client leaves,
    # and a game starting during the reset cannot connect.
    Xvfb -displayfd 9 -screen 0 800x600x24 -nolisten tcp -noreset 9>"$ZQ_WORK/display" >/dev/null 2>&1 &
    ZQ_XVFB_PID=$!
    zq_poll 200 "Xvfb started" test -s "$ZQ_WORK/display"
    export DISPLAY=":$(head -n1 "$ZQ_WORK/display")"
}

# The default sound device of the next start.
zq_sound_to() { echo "pcm.!default { $1 }" >"$ZQ_WORK/home/.asoundrc"; }

# TERM, and KILL if that does not end it (a game hung in a message box).
zq_stop() {
    [[ -n "$1" ]] && kill "$1" 2>/dev/null || return 0
    local tries=50
    while kill -0 "$1" 2>/dev/null && ((--tries > 0)); do sleep 0.1; done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

zq_cleanup() {
    local status=$?
    zq_stop "$ZQ_GAME_PID"
    zq_stop "$ZQ_XVFB_PID"
    ((status == 0)) && rm -rf "$ZQ_WORK" ||
        { grep -v '^ALSA lib' "$ZQ_WORK/game.log" | tail -40 >&2; echo "--- scratch kept in $ZQ_WORK ---" >&2; }
    exit $status
}

# zq_launch FOLDER PROGRAM: PROGRAM (the game, or its launcher, which
# replaces itself with it) started in FOLDER as ZQ_GAME_PID. With the
# sanitizer the library's sound modules are loaded from the start, so that
# what they allocate is not reported from an unloaded module.
zq_launch() {
    local preload module
    preload=$(ldd "$ZQ_GAME" | awk '/libasan/ { print $3 }')
    [[ -z "$preload" ]] || for module in /usr/lib/*/allegro/*/alleg-alsa*.so; do preload+=":$module"; done
    (cd "$1" && exec env -u XDG_DATA_HOME HOME="$ZQ_WORK/home" LD_PRELOAD="$preload" "$2" \
        >>"$ZQ_WORK/game.log" 2>&1) &
    ZQ_GAME_PID=$!
}

# zq_start_game [PROGRAM]: the game (or PROGRAM) started in ZQ_RUN, until
# its window (ZQ_WINDOW) shows the title.
zq_start_game() {
    zq_launch "$ZQ_RUN" "${1:-$ZQ_GAME}"
    find_window() {
        ! zq_ended || zq_fail "the game ended at start-up"
        ZQ_WINDOW=$(xdotool search --onlyvisible --name '^zorvane$' 2>/dev/null | head -n1 || true)
        [[ -n "$ZQ_WINDOW" ]]
    }
    zq_poll 600 "the game window" find_window
    xdotool mousemove --window "$ZQ_WINDOW" 630 5
    zq_wait_stable title
}

# zq_wait_exit [STATUS]: until the game ends by itself with STATUS (0).
zq_wait_exit() {
    zq_poll 600 "the game to end" zq_ended
    local status=0
    wait "$ZQ_GAME_PID" || status=$?
    ZQ_GAME_PID=""
    ((status == ${1:-0})) || zq_fail "the game ended with status $status"
}

# zq_shot NAME: the window in $ZQ_SHOTS/NAME.png (retried while it is mapped).
zq_shot() {
    shot_now() { import -window "$ZQ_WINDOW" "$ZQ_SHOTS/$1.png" 2>/dev/null; }
    zq_poll 40 "a picture ($1)" shot_now "$1"
}
zq_pixel() { convert "$ZQ_SHOTS/$1.png" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }
# zq_differ A B [GEOMETRY]: pixels that differ (inside WxH+X+Y).
zq_differ() {
    compare -metric AE ${3:+-extract "$3"} "$ZQ_SHOTS/$1.png" "$ZQ_SHOTS/$2.png" null: 2>&1 |
        cut -d' ' -f1 || true
}

# zq_wait_until NAME COMMAND...: pictures into NAME until COMMAND succeeds.
zq_wait_until() {
    local name=$1
    shift
    shot_and() { zq_shot "$name" && "$@"; }
    zq_poll 600 "$*" shot_and "$@"
}

# zq_wait_stable NAME: until two pictures in a row agree and are not all
# black (fades are over); leaves the picture in NAME.
zq_wait_stable() {
    zq_shot "$1"
    settled() {
        sleep 0.1
        zq_shot "$1.next"
        [[ $(zq_differ "$1" "$1.next") == 0 && $(convert "$ZQ_SHOTS/$1.png" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:) != 0 ]] && return 0
        mv "$ZQ_SHOTS/$1.next.png" "$ZQ_SHOTS/$1.png"
        return 1
    }
    zq_poll 200 "the screen to settle ($1)" settled "$1"
}

zq_click() {
    xdotool mousemove --window "$ZQ_WINDOW" "$1" "$2" && sleep 0.05 && xdotool mousedown 1 && sleep 0.12 && xdotool mouseup 1
    # Off every button, so that no later picture shows a hover.
    xdotool mousemove --window "$ZQ_WINDOW" 630 5
}
# Keys as people press them, each held a tenth of a second: an instant
# press and release can fall between two passes of a loop that tests the
# key state. One xdotool times them all, so a busy machine cannot stretch a
# press into the server's auto-repeat.
zq_key() { local k s=(); for k; do s+=(keydown "$k" sleep 0.1 keyup "$k" sleep 0.05); done; xdotool "${s[@]}"; }
# zq_keys_of TEXT: ZQ_KEYS, the keys that type TEXT ("." is period).
zq_keys_of() {
    ZQ_KEYS=()
    [[ -z "$1" ]] || mapfile -t ZQ_KEYS < <(grep -o . <<<"$1")
    ZQ_KEYS=("${ZQ_KEYS[@]/#./period}")
}
zq_type() { zq_keys_of "$1" && zq_key "${ZQ_KEYS[@]}"; }
# zq_wait_file PATH: until it exists and stops growing.
zq_wait_file() {
    written() { local size; size=$(stat -c %s "$1" 2>/dev/null) && sleep 0.1 && ((size > 0 && size == $(stat -c %s "$1"))); }
    zq_poll 300 "$1 to be written" written "$1"
}

# The title's PLAY GAME, then the start-game menu, whose colours the other
# screens share: bevel light (col2), bevel dark (col1) and outline.
zq_open_menu() {
    zq_click 315 332
    zq_wait_stable menu
    ZQ_LIGHT=$(zq_pixel menu 200 140) ZQ_DARK=$(zq_pixel menu 440 330) ZQ_OUTLINE=$(zq_pixel menu 0 0)
    [[ "$ZQ_LIGHT" != "$ZQ_DARK" && "$ZQ_LIGHT" != "$ZQ_OUTLINE" ]] && zq_is_menu menu || zq_fail "no start-game menu"
}

# Predicates on the picture NAME, for zq_wait_until.
# zq_colour_at NAME COLOUR X Y...: every point in COLOUR.
zq_colour_at() {
    local name=$1 colour=$2
    shift 2
    while (($#)); do
        [[ "$(zq_pixel "$name" "$1" "$2")" == "$colour" ]] || return 1
        shift 2
    done
}
zq_is_menu() { zq_colour_at "$1" "$ZQ_LIGHT" 200 140 200 300 300 141 && zq_colour_at "$1" "$ZQ_DARK" 440 330; }
zq_is_high_scores() {
    zq_colour_at "$1" "$ZQ_LIGHT" 100 420 340 420 && zq_colour_at "$1" "$ZQ_DARK" 540 450 &&
        zq_colour_at "$1" "$ZQ_OUTLINE" 0 0
}
zq_is_name_entry() { zq_colour_at "$1" "$ZQ_OUTLINE" 100 150 340 280 150 200 290 240; }
# The counters, title and legend boxes are filled with colour 0.
zq_is_play() {
    local black
    black=$(zq_pixel "$1" 575 130)
    zq_colour_at "$1" "$black" 575 435 482 222 && ! zq_colour_at "$1" "$black" 300 20
}
# The library's dialogs are light grey (a little bluish in our palette);
# the file selector also covers (180, 320), the alert box does not.
zq_grey() {
    local p r g b
    p=$(zq_pixel "$1" "$2" "$3") && r=$((16#${p:0:2})) g=$((16#${p:2:2})) b=$((16#${p:4:2}))
    ((r > 150 && g > 150 && b > 150 && (r - g) ** 2 < 256 && (b - r) ** 2 < 576))
}
zq_is_selector() { zq_grey "$1" 320 240 && zq_grey "$1" 180 320; }
# The credits' picture covers the menu; help's pattern covers the play
# screen's black panels.
zq_is_credits() { ! zq_is_menu "$1" && (($(zq_differ menu "$1") > 100000)); }
zq_is_help() { ! zq_is_play "$1"; }
zq_no_dialog_left() { ! zq_grey "$1" 180 320 && ! zq_grey "$1" 232 240; }

# zq_well_is NAME COUNT [LOWEST]: the well shows COUNT tiles, the highest
# in row 3 or above (an element has entered) and the lowest in row LOWEST.
zq_well_is() {
    local box
    read -ra box <<<"$(zq_py box "$ZQ_SHOTS/$1.png")"
    ((box[4] == $2 && box[2] <= 3 && (${3:--1} < 0 || box[3] == ${3:--1})))
}

zq_start_play() { zq_click 320 155 && zq_wait_until play zq_is_play play; }
# Escape out of the start-game menu and the title; the game then ends.
zq_quit_from_menu() {
    zq_key Escape && zq_wait_stable title && zq_key Escape
    zq_wait_exit
}

# zq_settles NAME PREDICATE: the screen comes to rest on what PREDICATE
# recognises (a key that acted twice would have gone on to another screen).
zq_settles() { zq_wait_until "$1" "$2" "$1" && zq_wait_stable "$1" && "$2" "$1"; }
# zq_to_menu ACTION...: ACTION leads to the start-game menu and stays there.
zq_to_menu() { "$@" && zq_settles menu zq_is_menu || zq_fail "$* did not stop at the menu"; }

# Space until the game-over text shows in colour 15 of zorvane.pcx; sets
# ZQ_OVER_AT, the recording's size before the picture with the text.
zq_drop_until_over() {
    over() {
        zq_key space && sleep 0.25 && ZQ_OVER_AT=$(zq_recorded) && zq_shot ending &&
            zq_py over "$ZQ_RUN/zorvane.pcx" "$ZQ_SHOTS/ending.png"
    }
    zq_poll 200 "game over" over
}

# From play, a well the next element cannot enter: over within two fall
# steps (colour 15 of the game-over text from an F3 picture).
zq_fill_well() {
    zq_key F3 && zq_wait_file "$ZQ_RUN/zorvane.pcx" && zq_py make "$ZQ_RUN/full.svg" full
    zq_file_dialog F6 full.svg && zq_drop_until_over
}

# zq_goto SCREEN: from the title, the way a player reaches SCREEN (title,
# menu, options, scores, credits, play, pause, help, selector or over).
zq_goto() {
    case $1 in
    title) ;;
    menu) zq_open_menu ;;
    options) zq_open_menu && zq_click 320 195 && zq_wait_stable options ;;
    scores) zq_open_menu && zq_click 320 235 && zq_settles scores zq_is_high_scores ;;
    credits) zq_open_menu && zq_click 320 275 && zq_wait_until credits zq_is_credits credits ;;
    play) zq_open_menu && zq_start_play ;;
    pause) zq_goto play && zq_key p ;;
    help) zq_goto play && zq_key F1 && zq_wait_until help zq_is_help help ;;
    selector) zq_goto play && zq_key F5 && zq_wait_until dialog zq_is_selector dialog ;;
    over) zq_goto play && zq_fill_well ;;
    *) zq_fail "no way to the screen $1" ;;
    esac
}

# zq_enter_name NAME: Enter on the game-over text, NAME in the name entry,
# Enter again, and the table.
zq_enter_name() {
    zq_key Return && zq_wait_until entry zq_is_name_entry entry
    zq_type "$1" && zq_key Return && zq_settles table zq_is_high_scores
}

# zq_file_dialog KEY NAME [ERASE]: F5 or F6, ERASE backspaces over the
# proposed name, NAME typed, Return, and back to play.
zq_file_dialog() {
    zq_key "$1"
    zq_wait_until dialog zq_is_selector dialog
    local erase=() i
    for ((i = 0; i < ${3:-0}; i++)); do erase+=(BackSpace); done
    zq_keys_of "$2"
    zq_key "${erase[@]}" "${ZQ_KEYS[@]}" Return
    zq_wait_until play zq_no_dialog_left play
}
