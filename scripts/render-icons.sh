#!/usr/bin/env bash
# Renders the program icon data/icons/kovalo.svg to the PNG sizes of the
# hicolor theme, data/icons/png/kovalo-<size>.png. The PNGs are committed, so
# a build needs no SVG renderer; run this again after changing the SVG.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
icons="$(cd "$(dirname "$0")/.." && pwd)/data/icons"
mkdir -p "$icons/png"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/kovalo.svg" -o "$icons/png/kovalo-$size.png"
done
