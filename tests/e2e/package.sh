#!/usr/bin/env bash
# The Debian package as a player gets it: built by scripts/package.sh,
# unpacked into a scratch root, its desktop entry and metainfo validated, and
# the game started there through its launcher with HOME in a scratch folder:
# the title shows, Escape ends it, and the high scores land in the player's
# own folder, not in the one the game was started from.
source "$ZQ_SOURCE_DIR/tests/support/e2e_game.bash"
zq_need cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file convert

root="$ZQ_BINARY_DIR/package-root" log="$ZQ_BINARY_DIR/package.log"
deb=$("$ZQ_SOURCE_DIR/scripts/package.sh" "$ZQ_BINARY_DIR/package-build" 2>&1 | tee "$log" | tail -n1) ||
    { tail -40 "$log" >&2; zq_fail "the package was not built"; }
rm -rf "$root" && dpkg-deb -x "$deb" "$root"

usr="$root/usr" fields=$(dpkg-deb -f "$deb" Section Maintainer Depends)
for needed in "Section: games" "Maintainer: [^ ]" "Depends: .*liballegro4" "Depends: .*freepats" \
    "Depends: .*libc6"; do
    grep -q "^$needed" <<<"$fields" || zq_fail "the control fields lack \"$needed\": $fields"
done
paths=(games/zorvane bin/modtool lib/games/zorvane/zorvane lib/games/zorvane/allegro.cfg)
for page in "$ZQ_SOURCE_DIR"/docs/man/*.[16]; do paths+=("share/man/man${page##*.}/${page##*/}"); done
for path in "${paths[@]}"; do
    [[ -s "$usr/$path" ]] || zq_fail "missing from the package: /usr/$path"
done
[[ "$(readlink -f "$usr/lib/games/zorvane/zorvane.dat")" == "$usr/share/games/zorvane/zorvane.dat" ]] ||
    zq_fail "the datafile beside the game does not lead to share/games/zorvane"
desktop-file-validate "$usr/share/applications/zorvane.desktop" || zq_fail "the desktop entry does not validate"
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml || zq_fail "the metainfo does not validate"
icons="$usr/share/icons/hicolor"
[[ "$(convert "$icons/48x48/apps/zorvane.png" -format '%w %h %[opaque]' info:)" == "48 48 false" ]] ||
    zq_fail "no 48x48 PNG icon with a transparent margin"
file -b "$icons/scalable/apps/zorvane.svg" | grep -q '^SVG' || zq_fail "no SVG icon"

ZQ_BIN="$usr/lib/games/zorvane" zq_setup
launcher="$usr/games/zorvane"

# A player folder that cannot be made is reported, and the game not started.
: >"$ZQ_WORK/a-file"
! XDG_DATA_HOME="$ZQ_WORK/a-file/data" "$launcher" 2>"$ZQ_WORK/refused.txt" &&
    grep -q "cannot use $ZQ_WORK/a-file/data/zorvane" "$ZQ_WORK/refused.txt" || zq_fail "no refusal: $(cat "$ZQ_WORK/refused.txt")"

# The launcher replaces itself with the game, so its process is the game's.
zq_start_game "$launcher"
[[ "$(zq_pixel title 245 320)" != "$(zq_pixel title 385 345)" ]] || zq_fail "no title buttons"
zq_key Escape
zq_wait_exit
scores="$ZQ_WORK/home/.local/share/zorvane/zorvane.hsc"
[[ "$(stat -c %s "$scores" 2>/dev/null)" == 480 ]] || zq_fail "no 480-byte table in $scores"
[[ ! -e "$ZQ_RUN/zorvane.hsc" ]] || zq_fail "the table was written where the game was started from"
echo "package $(basename "$deb"): installs, validates and starts"
