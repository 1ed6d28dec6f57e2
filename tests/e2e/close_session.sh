#!/usr/bin/env bash
# The window's close button (the window manager's delete-window request)
# ends the game as EXIT does, on the title, the start-game menu, in play and
# in the file selector: status 0 and the table written. A game in progress
# ends as Escape ends it, so the table stays the default one.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

closes() {
    zq_close
    zq_wait_exit
    zq_py hsc "$ZQ_RUN/zorvane.hsc"
    rm "$ZQ_RUN/zorvane.hsc"
}

zq_start_game
closes
zq_start_game
zq_open_menu
closes
zq_start_game
zq_open_menu
zq_start_play
closes
zq_start_game
zq_open_menu
zq_start_play
zq_key F5
zq_wait_until dialog zq_is_selector dialog
closes
[[ ! -e "$ZQ_RUN/untitled.svg" ]] || zq_fail "the closed selector saved the game"
echo ok
