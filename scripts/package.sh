#!/usr/bin/env bash
# Builds the Debian package from this checkout: a Release build (no tests,
# no sanitizers) and cpack. Prints the package's path as its last line.
#
#   scripts/package.sh [BUILD_DIR]    default: build-release
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-release}
compiler_cache=()
! command -v ccache >/dev/null || compiler_cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZQ_TESTS=OFF -DZQ_SANITIZE=OFF "${compiler_cache[@]}"
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/zorvane_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/zorvane_*_"$(dpkg --print-architecture)".deb)
[[ -f "${debs[0]}" ]] || { echo "package.sh: cpack made no zorvane_VERSION_ARCH.deb" >&2; exit 1; }
echo "${debs[0]}"
