#!/usr/bin/env bash
# Installs the build into a fresh folder and checks the tree a desktop
# needs: both programs, which answer --help and --version without a display,
# the desktop entry and the metainfo (both validators pass), the icon at
# every size, and the manual pages.
#   check_install_tree.sh BUILD_DIR APP_ID
set -uo pipefail
build=$1
id=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/kovalo-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

for f in bin/kovalo bin/kovalo-sites; do
  [ -x "$prefix/$f" ] || fail "$f missing or not executable"
done
expected=(
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  "share/man/man1/kovalo.1"
  "share/man/man1/kovalo-sites.1"
)
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || fail "$f missing or empty"
done

# Each PNG's width and height, from its header, match its folder.
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  if [ ! -s "$png" ]; then
    fail "icon ${size}x${size} missing"
    continue
  fi
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$(head -c8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
  [ "$w $h" = "$size $size" ] || fail "icon ${size}x${size} is ${w}x${h}"
done

desktop="$prefix/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx "Exec=kovalo --data-folder" "$desktop" || fail "desktop entry does not start kovalo --data-folder"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

for page in kovalo.1 kovalo-sites.1; do
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "$page: $out"
done

# No display: the programs must answer on the terminal all the same.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$prefix/bin/kovalo" --help 2>&1) ||
  fail "kovalo --help failed: $help"
grep -q -- "--data-folder" <<<"$help" || fail "kovalo --help does not name --data-folder"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$prefix/bin/kovalo" --version 2>&1)
[ "$version" = "kovalo $(sed -n 's/^.*<release version="\([^"]*\)".*/\1/p' \
  "$prefix/share/metainfo/$id.metainfo.xml" | head -1)" ] ||
  fail "kovalo --version says '$version', not the metainfo's newest release"
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/kovalo" --no-such-option >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown option does not end with status 2"
"$prefix/bin/kovalo-sites" --help | grep -q -- "--generate" || fail "kovalo-sites --help"
lines=$("$prefix/bin/kovalo-sites" --generate 2 --level easy --seed 1 | grep -cE '^[1-9.]{81}$')
[ "$lines" = 2 ] || fail "installed kovalo-sites --generate gave $lines puzzles"

if ((failures)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "install tree complete"
