#!/usr/bin/env bash
# Renders the icon sources into the three looks the tool bar uses (normal,
# hot, disabled) plus a large copy for the About box. Needs ImageMagick; the
# build itself only uses the committed PNGs.
set -euo pipefail
cd "$(dirname "$0")"
python3 icons.py
out=..
for s in *.svg; do
  n=${s%.svg}
  convert -background none -density 1536 "$s" -resize 24x24 "$out/$n.png"
  convert "$out/$n.png" -modulate 112,135 "$out/$n-hot.png"
  convert "$out/$n.png" -colorspace Gray -fill '#d8d8d8' -colorize 45% -colorspace sRGB "$out/$n-disabled.png"
done
convert -background none -density 3072 00-connect.svg -resize 48x48 "$out/about-48.png"
