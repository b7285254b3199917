#!/bin/sh
# Renders the PNG sizes of the program icons from their SVGs (Debian's librsvg2-bin). The PNGs
# are committed, so that building needs no SVG renderer; run this again after changing an SVG.
# The 32-pixel ones are also compiled into the programs as their window and About-box icons.
set -eu
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert missing: apt-get install librsvg2-bin" >&2; exit 1; }
for svg in *.svg; do
    for size in 16 24 32 48 64 128 256; do
        mkdir -p "$size"
        rsvg-convert -w "$size" -h "$size" -o "$size/${svg%.svg}.png" "$svg"
    done
done
