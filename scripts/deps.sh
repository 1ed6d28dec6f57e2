#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when
# they are missing. Runs as root (or through sudo when available).
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  liballegro4-dev            # the game library (pkg-config name: allegro)
  libfreetype-dev fonts-dejavu-core   # fonts rasterised into the datafile
  zlib1g-dev                 # the desktop icon's PNG
  freepats                   # MIDI patches for the credits song
  libgtest-dev libgmock-dev libbenchmark-dev
  libxmp-dev                 # test oracle for the module importers
  clang libclang-rt-14-dev   # fuzz targets (libFuzzer, sanitizers)
  xvfb xdotool x11-utils imagemagick sox python3   # end-to-end tests
  alsa-utils libasound2-plugins
  libasound2-dev tmux man-db   # modtool play, its terminal test, its manual page check
  dpkg-dev file desktop-file-utils appstream   # the Debian package and its test
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  run_as_root=()
  [[ $(id -u) -eq 0 ]] || run_as_root=(sudo)
  "${run_as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${run_as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
