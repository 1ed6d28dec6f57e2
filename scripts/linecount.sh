#!/usr/bin/env bash
# Counts non-blank, non-comment lines of C++, Python and shell in the tracked
# tree and prints code lines, test lines (everything under tests/ but the
# benchmarks) and their ratio. Benchmarks measure and assert nothing, so they
# are neither: their lines are printed on their own. Golden data and generated
# files are not source and are not counted.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  # C++: drops // lines and /* ... */ blocks; Python and shell: drops # lines.
  awk '
    FNR == 1 { cxx = (FILENAME ~ /\.(cpp|h|hpp|cc)$/); in_block = 0 }
    {
      line = $0
      gsub(/^[ \t]+|[ \t]+$/, "", line)
      if (line == "") next
      if (cxx) {
        if (in_block) { if (line ~ /\*\//) in_block = 0; next }
        if (line ~ /^\/\*/) { if (line !~ /\*\//) in_block = 1; next }
        if (line ~ /^\/\//) next
      } else if (line ~ /^#/) next
      n++
    }
    END { print n + 0 }' "$@" /dev/null
}

mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.hpp' '*.cc' '*.py' '*.sh' '*.bash' | grep -v '/golden/')
tests=() code=() bench=()
for f in "${files[@]}"; do
  [[ -f "$f" ]] || continue
  case "$f" in
    tests/bench/*) bench+=("$f") ;;
    tests/*) tests+=("$f") ;;
    *) code+=("$f") ;;
  esac
done
code_lines=$(count "${code[@]}")
test_lines=$(count "${tests[@]}")
echo "code lines: $code_lines"
echo "test lines: $test_lines"
echo "benchmark lines: $(count "${bench[@]}")"
awk -v t="$test_lines" -v c="$code_lines" 'BEGIN { printf "ratio: %.2f\n", (c ? t / c : 0) }'
