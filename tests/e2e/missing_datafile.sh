#!/usr/bin/env bash
# Without zorvane.dat beside the executable the game says which file it
# looked for and ends with status 1, writing nothing into its working
# directory.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_setup

lonely="$ZQ_WORK/lonely"
mkdir -p "$lonely"
cp "$ZQ_GAME" "$lonely/zorvane"
status=0
preload=$(zq_game_preload)
(cd "$ZQ_RUN" && HOME="$ZQ_WORK/home" timeout 60 env LD_PRELOAD="$preload" "$lonely/zorvane" \
    >"$ZQ_WORK/game.log" 2>&1) || status=$?
[[ $status -eq 1 ]] || zq_fail "the game ended with status $status, not 1"
grep -q "Error loading $lonely/zorvane.dat" "$ZQ_WORK/game.log" || zq_fail "the message does not name the datafile"
[[ -z "$(ls -A "$ZQ_RUN")" ]] || zq_fail "files were written: $(ls -A "$ZQ_RUN")"
