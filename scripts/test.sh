#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test (under Xvfb when no display
# is set, since the game and its end-to-end tests need one).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build="$top/build-test"
# Warnings fail the build here: the code is kept warning-free.
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# The guard between the game's thread and the player's tick, under ThreadSanitizer.
tsan="$top/build-tsan"
cmake -S "$top" -B "$tsan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$tsan" -j"$(nproc)" --target player_race_test
with_display=()
[[ -n "${DISPLAY:-}" ]] || with_display=(xvfb-run -a -s -noreset)
TSAN_OPTIONS="halt_on_error=1" "${with_display[@]}" "$tsan/bin/player_race_test"
# The fuzz targets, built with clang, replay their regression inputs and seeds.
"$top/tests/fuzz/replay.sh" "$top/build-fuzz"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 800x600x24 -noreset" ctest --output-on-failure -j"$(nproc)" "$@"
fi
exec ctest --output-on-failure -j"$(nproc)" "$@"
