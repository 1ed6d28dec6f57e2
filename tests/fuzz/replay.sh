#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each over the regression inputs,
# the seeds and the shared module folder (when present), then over a fixed
# number of inputs mutated from them with a fixed seed. Any crash, leak,
# broken module rule, timeout or excess memory fails. Given a TARGET and
# SECONDS (campaign.sh), it fuzzes that target for that long instead, with
# findings in the corpus folder's findings/.
#   tests/fuzz/replay.sh [BUILD_DIR [TARGET SECONDS]]
set -euo pipefail
# The memory limit is for what a load takes, not for the sanitizer's own
# keeping: its quarantine of freed blocks (256 MB by default) and the freed
# memory its allocator keeps mapped would reach the limit on their own.
keeping=quarantine_size_mb=64:allocator_release_to_os_interval_ms=500
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}$keeping"
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-fuzz}
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_FUZZ=ON \
  >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
bin="$build/tests/fuzz"
inputs=("$top/tests/fuzz/regressions" "$bin/seeds")
[[ -d "$top/../shared/modules" ]] && inputs+=("$top/../shared/modules")
options=(-rss_limit_mb=512 -timeout=5 -dict="$top/tests/fuzz/formats.dict")
if (($# == 3)); then
  corpus="$build/corpus/$2"
  mkdir -p "$corpus/findings" && cd "$corpus/findings"
  exec nice -n 10 "$bin/${2}_fuzz" "${options[@]}" -max_total_time="$3" -print_final_stats=1 \
    -artifact_prefix="$corpus/findings/" "$corpus" "${inputs[@]}"
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in jgm mod s3m xm detect dispatch; do
  log="$build/replay_$target.log"
  mkdir -p "$scratch/$target"
  if ! "$bin/${target}_fuzz" "${options[@]}" -runs=0 "${inputs[@]}" >"$log" 2>&1 ||
     ! "$bin/${target}_fuzz" "${options[@]}" -runs=500 -seed=1 "$scratch/$target" "${inputs[@]}" \
       >>"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz replay failed: $target" >&2
    exit 1
  fi
  echo "$target: $(grep -m1 DONE "$log")"
done
