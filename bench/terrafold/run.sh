#!/usr/bin/env bash
# terrafold --batch on a full-size GTOPO30 tile set (33 tiles, 1.87 GB) and the bundled
# shorelines, against GDAL scaling a mosaic of the same tiles into one 5400 x 2700 8-bit PNG.
# Goal: ratio <= 0.30 (stretch 0.20), though ours writes two images and fills the large lakes.
# Targets of its own: under 1 s for the whole run, heap under 120 MB.
#
#   bench/terrafold/run.sh       (environment: see bench/lib.sh)
#
# The tile set is made once by maketerrain (a relief that follows the shorelines) and kept in
# bench/work/terrafold/.
source "$(dirname "$0")/../lib.sh"
NeedProgram terrafold
NeedProgram maketerrain
NeedDebs gdal-bin time

work=$work_root/terrafold
tiles=$work/GTOPO30
shore=$root/data/gshhs_l.b
MakeTileSet "$tiles"
vrt=$work/tiles.vrt
if [ ! -f "$vrt" ]; then
    gdalbuildvrt -q "$vrt" "$tiles"/*.dem
fi
mkdir -p "$work/ours" "$work/theirs"

Ours() {
    cd "$work/ours" && "$bin/terrafold" --batch --gtopo30 "$tiles" --gshhs "$shore"
}
# Heights 0 to 9000 m over the byte range, as a user would scale them; no statistics pass.
Theirs() {
    gdal_translate -q -of PNG -ot Byte -scale 0 9000 0 255 -a_nodata none \
        -outsize 5400 2700 -r nearest "$vrt" "$work/theirs/topo.png"
}

# Only the sampled rows are read, but a warm cache should hold all of them.
WarmCache "$tiles"/*.dem "$shore"
echo "terrafold --batch vs gdal_translate -outsize 5400 2700 -r nearest (33 tiles, 1.87 GB)"
Compare terrafold gdal_translate 0.30 Ours Theirs
CheckGoal "terrafold: whole batch run" "$ours_wall_ms" 1000 ms

# Anonymous memory (heap and stacks, not the mapped tiles) has no peak counter: sample it.
(cd "$work/ours" && exec "$bin/terrafold" --batch --gtopo30 "$tiles" --gshhs "$shore" >/dev/null) &
pid=$!
peak_anon_kb=0
while kill -0 "$pid" 2>/dev/null; do
    anon=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    if [ -n "$anon" ] && [ "$anon" -gt "$peak_anon_kb" ]; then peak_anon_kb=$anon; fi
    sleep 0.005
done
wait "$pid"
CheckGoal "terrafold: peak heap, sampled every 5 ms" "$((peak_anon_kb / 1024))" 120 MB
Finish
