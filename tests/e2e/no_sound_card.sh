#!/usr/bin/env bash
# On a machine whose sound card cannot be opened the game still starts,
# plays silently and ends normally through EXIT.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

# The default device becomes a card that does not exist.
cat >"$ZQ_WORK/home/.asoundrc" <<'CFG'
pcm.!default {
    type hw
    card 31
}
CFG
zq_start_game
zq_open_menu
zq_start_play
zq_key F2
zq_wait_until menu zq_is_menu menu
zq_quit_from_menu
[[ -f "$ZQ_RUN/zorvane.hsc" ]] || zq_fail "EXIT did not write the table"
[[ ! -e "$ZQ_SOUND" ]] || zq_fail "something was recorded through the default device"
