#!/usr/bin/env bash
# Takes the README's pictures of every screen from the real game window on a
# private X display, playing through it as a player would, and writes them
# as 8-bit PNGs into docs/screens/.
#
#   scripts/screens.sh [BIN]    BIN: the folder with zorvane and zorvane.dat
#                               (default: build/bin, else build-test/bin)
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/bin}
[[ -x "$bin/zorvane" ]] || bin=$top/build-test/bin
export ZQ_SOURCE_DIR=$top ZQ_BIN=$bin
source "$top/tests/support/e2e_game.bash"
zq_setup
out=$top/docs/screens
mkdir -p "$out"
# The game draws with one 256-colour palette, so an 8-bit PNG loses nothing.
# The pointer leaves the window first, so that the picture does not show it.
keep() {
    xdotool mousemove 790 590
    zq_wait_stable "$1"
    convert "$ZQ_SHOTS/$1.png" -strip "png8:$out/$2.png"
    xdotool mousemove --window "$ZQ_WINDOW" 630 5
}
tiles() { zq_py box "$ZQ_SHOTS/$1.png" | cut -d' ' -f5; }
at_least_tiles() { (($(tiles "$1") >= $2)); }
differs_much() { (($(zq_differ "$2" "$1") > 50000)); }

zq_start_game
keep title title
zq_open_menu
keep menu start-game-menu

zq_click 320 195
zq_wait_stable options
keep options options
zq_click 320 415 # E x i t
zq_wait_until menu zq_is_menu menu

# A game a few elements in: each is moved or turned, then dropped.
zq_start_play
zq_wait_until play zq_well_is play 4
moves=("Left Left Left" "Right Right Right" "Up Left" "Up Right Right Right Right" "Left" "Up Up Right")
for ((i = 0; i < ${#moves[@]}; i++)); do
    read -ra keys <<<"${moves[i]}"
    zq_key "${keys[@]}" space
    zq_wait_until play at_least_tiles play $((4 * i + 8))
done
zq_key F3 # the game-over check below compares with this screenshot's palette
zq_wait_file "$ZQ_RUN/zorvane.pcx"
zq_wait_until play zq_is_play play
keep play play

zq_key p
still() { sleep 0.8 && zq_shot still && [[ $(zq_differ still "$1") == 0 ]]; }
zq_wait_until pause still pause
keep pause pause
zq_key c

zq_key F1
zq_wait_until help differs_much help play
zq_wait_stable help
keep help help
zq_key Escape
zq_wait_until play zq_is_play play

zq_drop_until_over
keep ending game-over
zq_key Return
zq_wait_until entry zq_is_name_entry entry
zq_type Player
zq_wait_stable entry
keep entry name-entry
zq_key Return
zq_wait_until table zq_is_high_scores table
zq_wait_stable table
keep table high-scores
zq_click 200 435
zq_wait_until menu zq_is_menu menu

# The credits scroll up from the bottom edge: the picture is taken when their
# first line (gold) has risen to just below the logo.
gold_in() { convert "$ZQ_SHOTS/$1.png" -crop "$2" +repage -fuzz 15% -fill white -opaque "#fcd860" \
    -fill black +opaque white -format "%[fx:int(mean*w*h)]" info:; }
risen() { (($(gold_in "$1" 640x24+0+176) > 200 && $(gold_in "$1" 640x60+0+110) == 0)); }
zq_click 320 275
zq_wait_until credits risen credits
convert "$ZQ_SHOTS/credits.png" -strip "png8:$out/credits.png"
zq_key Escape
zq_wait_until menu zq_is_menu menu
zq_quit_from_menu
ls -l "$out"
