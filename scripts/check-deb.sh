#!/usr/bin/env bash
# Installs build/kovalo_*.deb into a fresh Debian 12 root and starts the
# installed programs there: apt-get must find every dependency that
# dpkg-shlibdeps wrote into the package, and the program started as its
# desktop entry starts it must download a puzzle from the kovalo-sites it
# starts itself and save into ~/.local/share/kovalo/Saves.
# Needs root, debootstrap and Debian's mirror; slow (minutes), so it is no
# part of the test command.
#   scripts/check-deb.sh [ROOT]     ROOT defaults to /tmp/kovalo-bookworm
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-/tmp/kovalo-bookworm}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
deb=$(ls "$top"/build/kovalo_*.deb | head -1)

if [ ! -x "$root/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
cp "$deb" "$root/tmp/"
for fs in proc sys dev; do mountpoint -q "$root/$fs" || mount --bind "/$fs" "$root/$fs"; done
trap 'for fs in dev sys proc; do umount -l "$root/$fs" 2>/dev/null || true; done' EXIT

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
in_root apt-get update
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "/tmp/$(basename "$deb")"
in_root dpkg -L kovalo
in_root kovalo --version
in_root kovalo-sites --generate 1 --level easy --seed 7
# Started as the desktop entry starts it, on the X display given in
# DISPLAY (an Xvfb on the host, reached through its abstract socket), with no
# window manager, so that the window sits at 0,0: press "Mon", then
# "Save Position", and the save must land in ~/.local/share/kovalo/Saves.
# The weekly site goes to a port of its own, so that the installed
# kovalo-sites is the one the program starts.
if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null; then
  port=${CHECK_DEB_PORT:-8651}
  exec_line=$(sed -n 's/^Exec=//p' "$root"/usr/share/applications/*.desktop)
  rm -rf "$root/root/.local/share/kovalo"
  chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root DISPLAY="$DISPLAY" \
    KOVALO_MAIN_WEEKLY_URL="http://127.0.0.1:$port/main/" sh -c "cd / && exec $exec_line" &
  app=$!
  sleep 5
  xdotool mousemove 95 48 click 1     # "Mon"
  sleep 6
  xdotool mousemove 426 28 click 1    # "Save Position"
  sleep 2
  kill "$app"
  wait "$app" || true
  sites=$(ss -ltnpH "sport = :$port" | sed -n 's/.*pid=\([0-9]*\).*/\1/p' | head -1)
  [ -n "$sites" ] && kill "$sites"
  saves=("$root"/root/.local/share/kovalo/Saves/Sudoku*.ini)
  [ -s "${saves[0]}" ] || { echo "no save in ~/.local/share/kovalo/Saves"; exit 1; }
  echo "saved into ${saves[0]#"$root"}:"
  head -c 400 "${saves[0]}"; echo
  [ -n "$sites" ] || { echo "the program did not start kovalo-sites on port $port"; exit 1; }
  echo "the program started the installed kovalo-sites (pid $sites)"
fi
echo "kovalo installed and started in $root"
