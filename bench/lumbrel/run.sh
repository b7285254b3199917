#!/usr/bin/env bash
# lumbrel --batch on a 5400 x 2700 height image, against GDAL making the colour image
# (gdaldem color-relief) and the relief image (gdaldem hillshade) from the same PNG, each
# written as a BMP. Ours also combines the two and counts the height steps.
# Goal: ratio <= 0.30 (stretch 0.25). Target of its own: under 0.3 s for the whole run.
#
#   bench/lumbrel/run.sh       (environment: see bench/lib.sh)
#
# The height image is made once and kept in bench/work/lumbrel/.
source "$(dirname "$0")/../lib.sh"
source "$bench_dir/lumbrel/gdaldem.sh"
NeedProgram lumbrel
NeedDebs gdal-bin python3 time

work=$work_root/lumbrel
mkdir -p "$work/ours" "$work/theirs"
topo=$work/topo.png
if [ ! -f "$topo" ]; then
    echo "Making the 5400 x 2700 height image (once)..." >&2
    python3 "$bench_dir/lumbrel/make_height_image.py" "$topo.part"
    mv "$topo.part" "$topo"
fi

ramp=$work/ramp.txt
LumbrelRamp "$ramp"

# The height image terrafold writes from the benchmark tiles (Paeth on most rows, a third
# slower to decode than the generated one), when the terrafold job has run; else only the
# generated image.
terrafold_topo=$work_root/terrafold/ours/topo.png
images=()
if [ -f "$terrafold_topo" ]; then
    cp "$terrafold_topo" "$work/terrafold-topo.png"
    images+=("$work/terrafold-topo.png")
else
    echo "Note: no topo.png from the terrafold job yet; measuring the generated image only." >&2
fi
images+=("$work/topo.png")

Ours() {
    cd "$work/ours" && "$bin/lumbrel" --batch "$topo"
}
Theirs() { Gdaldem "$topo" "$ramp" "$work/theirs"; }

for topo in "${images[@]}"; do
    WarmCache "$topo"
    echo "lumbrel --batch vs gdaldem color-relief + gdaldem hillshade, BMP out" \
        "($(basename "$topo"), 5400 x 2700)"
    Compare "lumbrel ($(basename "$topo"))" gdaldem 0.30 Ours Theirs
    CheckGoal "lumbrel ($(basename "$topo")): whole batch run" "$ours_wall_ms" 300 ms
done
Finish
