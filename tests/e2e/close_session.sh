#!/usr/bin/env bash
# The window's close button (the window manager's delete-window request)
# ends the game as EXIT does, on the title, the start-game menu, in play and
# in the file selector: status 0 and the table written. A game in progress
# ends as Escape ends it, so the table stays the default one.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup
for screen in title menu play selector; do
    zq_start_game
    zq_goto "$screen"
    zq_py close "$ZQ_WINDOW"
    zq_wait_exit
    zq_py hsc "$ZQ_RUN/zorvane.hsc"
    rm "$ZQ_RUN/zorvane.hsc"
done
[[ ! -e "$ZQ_RUN/untitled.svg" ]] || zq_fail "the closed selector saved the game"
echo ok
