#!/usr/bin/env bash
# Renders the icon sources into the three looks the tool bar uses (normal,
# hot, disabled) plus the program picture (window icon, About box). Needs ImageMagick; the
# build itself only uses the committed PNGs.
set -euo pipefail
cd "$(dirname "$0")"
python3 icons.py
python3 nodes.py
out=..
for s in [0-9]*.svg; do
  n=${s%.svg}
  convert -background none -density 1536 "$s" -resize 24x24 -strip "$out/$n.png"
  convert "$out/$n.png" -modulate 112,135 -strip "$out/$n-hot.png"
  convert "$out/$n.png" -colorspace Gray -fill '#d8d8d8' -colorize 45% -colorspace sRGB -strip "$out/$n-disabled.png"
done
# Object tree nodes: 16 pixels for the tree and small list icons, 32 for large icons.
for s in node-*.svg; do
  n=${s%.svg}
  convert -background none -density 768 "$s" -resize 16x16 -strip "$out/$n-16.png"
  convert -background none -density 1536 "$s" -resize 32x32 -strip "$out/$n-32.png"
done
convert -background none -density 3072 quodlin.svg -resize 48x48 -strip "$out/quodlin-48.png"
