#!/bin/sh
# Starts the game from wherever its tree was installed or unpacked: the
# executable sits in ../lib/games/zorvane beside its datafile. The game
# keeps its high scores, screenshots and saved games in the folder it is
# started from, so that folder is the player's own.
set -eu

here=$(dirname "$(readlink -f "$0")")
game="$here/../lib/games/zorvane/zorvane"
if [ ! -x "$game" ]; then
    echo "zorvane: the game is missing: $game" >&2
    exit 1
fi

# Relative or empty values are to be ignored, as for every XDG variable.
case "${XDG_DATA_HOME:-}" in
    /*) data_home=$XDG_DATA_HOME ;;
    *)
        if [ -z "${HOME:-}" ]; then
            echo "zorvane: neither XDG_DATA_HOME nor HOME is set: no folder for high scores" >&2
            exit 1
        fi
        data_home=$HOME/.local/share
        ;;
esac
player_dir=$data_home/zorvane
if ! mkdir -p "$player_dir" || ! cd "$player_dir"; then
    echo "zorvane: cannot use $player_dir for high scores and saved games" >&2
    exit 1
fi
exec "$game" "$@"
