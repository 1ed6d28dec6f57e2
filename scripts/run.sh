#!/usr/bin/env bash
# Installs what is missing, builds the game and its datafile, and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_TESTS=OFF >/dev/null
cmake --build "$top/build" -j"$(nproc)"
game="$top/build/bin/zorvane"
# The game writes its high scores and screenshots into the working directory.
mkdir -p "$top/play"
cd "$top/play"
if [[ -z "${DISPLAY:-}" ]]; then
  echo "No X display is set: starting the game on a virtual one (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 800x600x24" "$game"
fi
exec "$game"
