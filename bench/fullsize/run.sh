#!/usr/bin/env bash
# The data's own resolution: terrafold --width 43200 on the full-size tile set of the terrafold
# job, against GDAL scaling the same tiles into one 43200 x 21600 8-bit PNG; then lumbrel on
# that height image, against gdaldem color-relief + hillshade at the same size.
# Goals: ratio <= 0.30 for both; peak resident memory under 512 MB (terrafold) and 1 GB
# (lumbrel), that is bands of rows, never a whole image.
#
#   bench/fullsize/run.sh       (environment: see bench/lib.sh; RUNS=1 is enough to see it)
#   bench/run.sh fullsize strandel    (with strandel at 43200 against GMT: every full-size ratio)
#
# Needs some 10 GB of disk in bench/work/ for the BMP files of both sides.
source "$(dirname "$0")/../lib.sh"
source "$bench_dir/lumbrel/gdaldem.sh"
NeedProgram terrafold
NeedProgram lumbrel
NeedProgram maketerrain
NeedDebs gdal-bin time

work=$work_root/fullsize
tiles=$work_root/terrafold/GTOPO30
shore=$root/data/gshhs_l.b
MakeTileSet "$tiles"
vrt=$work/tiles.vrt
mkdir -p "$work/ours" "$work/theirs"
[ -f "$vrt" ] || gdalbuildvrt -q "$vrt" "$tiles"/*.dem

Terrafold() {
    cd "$work/ours" && "$bin/terrafold" --batch --width 43200 --gtopo30 "$tiles" --gshhs "$shore"
}
Translate() {
    gdal_translate -q -of PNG -ot Byte -scale 0 9000 0 255 -a_nodata none \
        -outsize 43200 21600 -r nearest "$vrt" "$work/theirs/topo.png"
}

WarmCache "$tiles"/*.dem "$shore"
echo "terrafold --batch --width 43200 vs gdal_translate -outsize 43200 21600 -r nearest"
Compare "terrafold 43200" gdal_translate 0.30 Terrafold Translate
CheckGoal "terrafold 43200: peak resident memory" "$(PeakMemory Terrafold)" 512 MB

topo=$work/ours/topo.png
ramp=$work/ramp.txt
LumbrelRamp "$ramp"
Lumbrel() {
    cd "$work/ours" && "$bin/lumbrel" --batch "$topo"
}
WarmCache "$topo"
echo "lumbrel --batch vs gdaldem color-relief + gdaldem hillshade, BMP out (43200 x 21600)"
Theirs() { Gdaldem "$topo" "$ramp" "$work/theirs"; }
Compare "lumbrel 43200" gdaldem 0.30 Lumbrel Theirs
CheckGoal "lumbrel 43200: peak resident memory" "$(PeakMemory Lumbrel)" 1024 MB
rm -f "$work/ours/combined.bmp" "$work/theirs/colour.bmp" "$work/theirs/relief.bmp"

# The same image as a PNG: no peer, but the PNG writer's share shows against the BMP's.
LumbrelPng() {
    cd "$work/ours" && "$bin/lumbrel" --batch --save combined.png "$topo"
}
echo "lumbrel --batch --save combined.png (43200 x 21600), one run after a warm-up:"
TimeOnce LumbrelPng
TimeOnce LumbrelPng
TableHeader
Row "ours: lumbrel --save combined.png" "$wall_ms" "$cpu_ms" LumbrelPng "$wall_ms"
CheckGoal "lumbrel 43200 PNG: peak resident memory" "$(PeakMemory LumbrelPng)" 1024 MB
rm -f "$work/ours/combined.png"
Finish
