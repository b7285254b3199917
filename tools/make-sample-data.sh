#!/bin/sh
# Regenerates the bundled sample data, data/gshhs_l.b and data/Countries.dat, from the
# low-resolution GSHHG 2.3.7 data of Debian's gmt-gshhg-low package, read out through gmt.
# Only needed to refresh data/; the build and the tests never need gmt.
#
#   apt-get install gmt gmt-gshhg-low
#   make build            (or set BIN to the folder holding gshhg2gshhs and makecountries)
#   tools/make-sample-data.sh
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${BIN:-}" ]; then
    for candidate in "$root/build/release/bin" "$root/build/bin"; do
        if [ -x "$candidate/gshhg2gshhs" ] && [ -x "$candidate/makecountries" ]; then
            BIN=$candidate
            break
        fi
    done
fi
if [ -z "${BIN:-}" ] || [ ! -x "$BIN/gshhg2gshhs" ] || [ ! -x "$BIN/makecountries" ]; then
    echo "make-sample-data.sh: build the tools first (make build), or set BIN" >&2
    exit 1
fi
BIN=$(cd "$BIN" && pwd)
command -v gmt >/dev/null || {
    echo "make-sample-data.sh: gmt not found: apt-get install gmt gmt-gshhg-low" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"  # gmt leaves its history file in the current folder

# One run per level, so that every segment is of a known level: 1 land, 2 lakes,
# 3 islands in lakes, 4 ponds on those islands. Antarctica is its ice front (gmt's default).
for level in 1 2 3 4; do
    gmt coast -Rd -Dl -A0/$level/$level -M -W$level/0.1p > "level$level.txt"
done
gmt coast -Rd -Dl -M -N1/0.1p > borders.txt

# Cut at the 180th meridian so that readers drawing from 180 W to 180 E draw no line across
# the map for Chukotka, Wrangel Island and Fiji.
"$BIN/gshhg2gshhs" --cut-dateline -o "$root/data/gshhs_l.b" \
    level1.txt level2.txt level3.txt level4.txt
"$BIN/makecountries" -o "$root/data/Countries.dat" \
    --shore "$root/data/gshhs_l.b" --borders borders.txt
