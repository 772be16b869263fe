#!/usr/bin/env bash
# Renders the hicolor PNG icons in data/icons from data/icons/dorvantile.svg. The PNGs are
# checked in, so that a build needs no SVG renderer; run this after a change of the SVG.
# 32 x 32 is the hand-drawn data/dorvantile.png itself, whose grid the SVG follows.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" dorvantile.svg --output "dorvantile-$size.png"
done
