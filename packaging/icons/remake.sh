#!/usr/bin/env bash
# Renders the program's icon tackwisp.svg (a yellow note with a folded corner and a pin) into the PNG
# sizes of the hicolor icon theme that are installed beside it. The PNGs are kept in the source tree;
# run this after a change of the drawing (rsvg-convert: Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" tackwisp.svg -o "tackwisp-$size.png"
done
