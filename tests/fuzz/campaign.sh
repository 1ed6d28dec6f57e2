#!/usr/bin/env bash
# Fuzzes one target for a while from the seeds, the shared module folder and
# the regression inputs; findings land in the corpus folder's findings/.
#   tests/fuzz/campaign.sh TARGET SECONDS [BUILD_DIR]
set -euo pipefail
# The memory limit is for what a load takes, not for the sanitizer's own
# keeping: its quarantine of freed blocks (256 MB by default) and the freed
# memory its allocator keeps mapped would reach the limit on their own.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=64:allocator_release_to_os_interval_ms=500"
top=$(cd "$(dirname "$0")/../.." && pwd)
target=$1 seconds=$2 build=${3:-$top/build-fuzz}
bin="$build/tests/fuzz"
corpus="$build/corpus/$target"
mkdir -p "$corpus/findings"
shared=()
[[ -d "$top/../shared/modules" ]] && shared=("$top/../shared/modules")
cd "$corpus/findings"
exec nice -n 10 "$bin/${target}_fuzz" -rss_limit_mb=512 -timeout=5 -max_total_time="$seconds" \
  -dict="$top/tests/fuzz/formats.dict" -print_final_stats=1 -artifact_prefix="$corpus/findings/" \
  "$corpus" "$bin/seeds" "$top/tests/fuzz/regressions" "${shared[@]}"
