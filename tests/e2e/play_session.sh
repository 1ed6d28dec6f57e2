#!/usr/bin/env bash
# A player's sessions with the real game: a start without a sound card, the
# menus left and EXIT writing the default table; a game through every key,
# F3, the file selector, help and game over into the table, written on EXIT;
# the next start reading it back, Reset, and options used by the next game;
# the refusal to start without the datafile.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
hsc="$ZQ_RUN/zorvane.hsc"
box() { zq_py box "$ZQ_SHOTS/$1.png"; }
deal_of() { box "$1" | cut -d' ' -f1,2,5; }

# 1: the default sound device is a card that does not exist; the game starts
# and plays silently.
cp "$ZQ_WORK/home/.asoundrc" "$ZQ_WORK/recording.asoundrc"
zq_sound_to "type hw card 31"
zq_start_game
light=$(zq_pixel title 245 320) # the title's buttons: col2 above and left, col1 below and right
[[ "$light" != "$(zq_pixel title 385 345)" ]] && zq_colour_at title "$light" 245 350 || zq_fail "no title buttons"
is_title() { zq_colour_at "$1" "$light" 245 320; }
zq_open_menu
zq_click 320 315 # Previous Menu
zq_settles title is_title || zq_fail "Previous Menu did not bring the title back"
# One press, one step: Escape leaves the game for the start-game menu, the
# next the menu for the title, and none is left over to end the next game.
zq_goto play
zq_wait_until deal zq_well_is deal 4
zq_to_menu zq_key Escape
zq_key Escape
zq_settles title is_title || zq_fail "Escape did not bring the title back"
zq_goto play
zq_wait_until again zq_well_is again 4
zq_to_menu zq_key F2
zq_key Escape
zq_wait_stable title
zq_click 315 362 # EXIT
zq_wait_exit
zq_py hsc "$hsc"
[[ ! -e "$ZQ_SOUND" ]] || zq_fail "something was recorded through the default device"

# 2: the random generator is never seeded, so the same first deal; the
# element enters at column 3, moves, turns and drops.
mv "$ZQ_WORK/recording.asoundrc" "$ZQ_WORK/home/.asoundrc"
zq_start_game
zq_goto play
zq_wait_until play zq_well_is play 4
[[ "$(deal_of play)" == "$(deal_of deal)" && $(zq_differ deal play 80x40+360+185) == 0 ]] ||
    zq_fail "another deal than in the first run"
read -r x0 x1 y0 y1 _ <<<"$(box play)"
((x0 == 3)) || zq_fail "the element entered at column $x0"
left_edge_is() { [[ "$(box "$1" | cut -d' ' -f1,5)" == "$2 4" ]]; }
# The fifth Left meets the wall.
for step in "Left 2" "Right Right 4" "Left Left Left Left Left 0"; do
    zq_key ${step% *}
    zq_wait_until moved left_edge_is moved "${step##* }"
done
# A quarter turn about the top-left corner swaps width and height.
turned() {
    read -r tx0 tx1 ty0 ty1 _ <<<"$(box "$1")"
    ((tx0 == 0 && tx1 - tx0 == y1 - y0 && ty1 - ty0 == x1 - x0))
}
zq_key Up
zq_wait_until turned turned turned
zq_key space # to the floor; the next gravity step places it and the next enters
zq_wait_until dropped zq_well_is dropped 8 19

# P pauses until C: the well stands still for longer than a fall step.
well_moved() { [[ $(zq_differ "$2" "$1" 200x400+40+40) != 0 ]]; }
still_for_a_while() { sleep 0.8 && zq_shot still-paused && ! well_moved still-paused "$1"; }
zq_key p
zq_wait_until paused still_for_a_while paused
zq_key c
zq_wait_until resumed well_moved resumed paused

# F3: a 640x480 8-bit PCX of the play screen.
zq_key F3
zq_wait_file "$ZQ_RUN/zorvane.pcx"
zq_shot after-f3
zq_py pcx "$ZQ_RUN/zorvane.pcx" "$ZQ_SHOTS/after-f3.png"

# F5 saves through the selector to a typed name.
zq_file_dialog F5 mygame.svg 12 # over the proposed "untitled.svg"
zq_wait_file "$ZQ_RUN/mygame.svg"
zq_shot at-save

# F1 over a loaded game whose element never falls, so the screen stands
# still: holding Escape keeps the help up, releasing it brings the play
# screen back pixel for pixel, and the game goes on (not to the menu).
zq_py make "$ZQ_RUN/still.svg" still
zq_file_dialog F6 still.svg
zq_wait_stable still
zq_key F1
zq_settles help zq_is_help
xdotool keydown Escape && sleep 0.4 && zq_shot held && xdotool keyup Escape
same() { [[ $(zq_differ "$1" "$2") == 0 ]] || zq_fail "$3"; }
same help held "the help left while Escape was held"
not_help() { [[ $(zq_differ help "$1") != 0 ]]; }
zq_settles back not_help
same still back "the play screen came back changed"
sleep 1 && zq_shot later
same still later "the game did not go on after the help"

# F6 with an empty name finds the typed one: the game as saved.
zq_file_dialog F6 mygame.svg
[[ $(zq_differ at-save play 220x70+360+62) == 0 ]] || zq_fail "the counters are not those saved"
zq_file_dialog F5 again.svg 10 # over the proposed "mygame.svg"
zq_wait_file "$ZQ_RUN/again.svg"
zq_py same_game "$ZQ_RUN/mygame.svg" "$ZQ_RUN/again.svg"

# Elements dropped in place fill the well; the game-over text stands over a
# frozen screen, and Enter leads to the name entry of a qualifying score.
zq_drop_until_over
sleep 1.2 && zq_shot ending-later
same ending ending-later "the screen still changes after game over"
zq_enter_name tester7
zq_to_menu zq_click 200 435
zq_quit_from_menu
zq_py hsc "$hsc" tester7

# 3: the table read back; Reset reaches the screen and, on EXIT, the file.
zq_start_game
zq_goto scores
same table scores "the table read back differs from the one entered"
zq_click 440 435 # Reset
zq_wait_stable reset
[[ $(zq_differ scores reset) != 0 ]] || zq_fail "Reset changed nothing on the screen"
zq_to_menu zq_key Escape

# Options: starting level 3 (the arrow does nothing past it) and four
# starting rows, used by the next game.
zq_click 320 195
zq_wait_stable options
for x in 275 275 275 275 545 545 545 545; do zq_click $x 365; done
zq_to_menu zq_click 320 415 # E x i t
zq_start_play
colours() { convert "$ZQ_SHOTS/$1.png" -crop "$2" +repage -format %k info:; }
bottom_rows() { (($(colours "$1" 200x80+40+360) > 1)); }
zq_wait_until first bottom_rows first # the panels are filled before the well is drawn
[[ $(colours first 200x160+40+200) == 1 ]] || zq_fail "more than four starting rows"
zq_file_dialog F5 ""
zq_wait_file "$ZQ_RUN/untitled.svg"
zq_py options_game "$ZQ_RUN/untitled.svg"
zq_to_menu zq_key F2
zq_quit_from_menu
zq_py hsc "$hsc"

# Without zorvane.dat beside it the game names the file it looked for in the
# library's message box, ends with status 1 once the box is dismissed, and
# writes nothing. (The sanitizer's preloaded modules keep the box's program
# from starting; the library then prints the message instead.)
mkdir "$ZQ_WORK/lonely" "$ZQ_WORK/empty" && cp "$ZQ_GAME" "$ZQ_WORK/lonely/"
: >"$ZQ_WORK/game.log"
zq_launch "$ZQ_WORK/empty" "$ZQ_WORK/lonely/zorvane"
box_or_end() {
    box=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -n1 || true)
    [[ -n "$box" ]] || zq_ended
}
zq_poll 600 "the message box" box_or_end
message="Error loading $ZQ_WORK/lonely/zorvane.dat"
if [[ -n "$box" ]]; then
    ps -o args= --ppid "$ZQ_GAME_PID" | grep -qF "$message" || zq_fail "the box does not name the datafile"
    xdotool windowfocus --sync "$box" && zq_key Return
else
    grep -qF "$message" "$ZQ_WORK/game.log" || zq_fail "the message does not name the datafile"
fi
zq_wait_exit 1
[[ "$(ls -A "$ZQ_WORK/empty")" == "" ]] || zq_fail "files were written: $(ls -A "$ZQ_WORK/empty")"
echo ok
