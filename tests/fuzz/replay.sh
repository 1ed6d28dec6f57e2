#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each once over the regression
# inputs and the seed corpus; any crash, leak, timeout or excess memory fails.
#   tests/fuzz/replay.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-fuzz}
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
bin="$build/tests/fuzz"
for target in jgm mod s3m xm detect dispatch; do
  log="$build/replay_$target.log"
  if ! "$bin/${target}_fuzz" -rss_limit_mb=512 -timeout=5 -runs=0 \
      "$top/tests/fuzz/regressions" "$bin/seeds" >"$log" 2>&1; then
    cat "$log" >&2
    echo "fuzz replay failed: $target" >&2
    exit 1
  fi
  echo "$target: $(grep -m1 DONE "$log")"
done
