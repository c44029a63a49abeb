#!/usr/bin/env bash
# Renders the program picture into the hicolor theme sizes the install uses and
# the window icon. Needs rsvg-convert (librsvg2-bin; ImageMagick's own SVG
# renderer draws stray lines across the arcs). The build only uses the
# committed PNGs.
set -euo pipefail
cd "$(dirname "$0")"
src=../../resources/icons/src/quodlin.svg
for n in 16 32 48 64 128 256; do
  rsvg-convert -w "$n" -h "$n" "$src" -o "quodlin-$n.png"
done
cp quodlin-48.png ../../resources/icons/quodlin-48.png
