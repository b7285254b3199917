#!/usr/bin/env bash
# Runs the four programs in batch mode on the bundled sample data; results go to the demo folder.
# Usage: tools/demo.sh BINDIR OUTDIR
set -euo pipefail
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
data=$(cd "$(dirname "$0")/../data" && pwd)

# Keep the demo's remembered folders out of the user's own settings.
export XDG_CONFIG_HOME="$out/config"

if [ ! -f "$out/gtopo30/.complete" ] || [ ! -f "$out/grid/etopo5.dat" ]; then
    echo "Generating the sample GTOPO30 tile set and ETOPO5 grid (once)..."
    rm -rf "$out/gtopo30" "$out/grid"
    mkdir -p "$out/grid"
    "$bin/maketerrain" -q --shore "$data/gshhs_l.b" --tiles "$out/gtopo30" \
        --grid "2:$out/grid/etopo5.dat"
    touch "$out/gtopo30/.complete"
fi

# How to look at the outputs in the four windows (the demo's own settings, its folders).
windows() {
    echo
    echo "To open the four windows on the demo's outputs:"
    echo "  cd $out"
    echo "  XDG_CONFIG_HOME=$out/config $bin/terrafold --gtopo30 $out/gtopo30/ --gshhs $data/gshhs_l.b"
    echo "  $bin/lumbrel topo.png"
    echo "  XDG_CONFIG_HOME=$out/config $bin/strandel $data/gshhs_l.b"
    echo "  $bin/orbisko --data $out/grid/"
}

cd "$out"
run() { echo "+ $*"; "$@"; }
run "$bin/terrafold" --batch --gtopo30 "$out/gtopo30/" --gshhs "$data/gshhs_l.b"
run "$bin/lumbrel" --batch topo.png
run "$bin/strandel" --batch --view both --save shorelines.png "$data/gshhs_l.b"
run "$bin/orbisko" --batch --data "$out/grid/" --preset world --save world.bmp
run "$bin/orbisko" --batch --data "$out/grid/" --preset uk --topography --save uk-topography.bmp

echo
echo "Results in $out:"
for f in topo.png LandSeaMask.png combined.bmp shorelines.png world.bmp uk-topography.bmp; do
    printf '  %-20s %s\n' "$f" "$(stat -c %s "$f") bytes"
done

# Full resolution: larger maps drawn by the same rules, in full/.
full=$out/full
mkdir -p "$full"
echo
(cd "$full" && run "$bin/terrafold" --batch --width 10800 --gtopo30 "$out/gtopo30/" \
    --gshhs "$data/gshhs_l.b" &&
    run "$bin/lumbrel" --batch --save combined-10800.png topo.png &&
    run "$bin/strandel" --batch --width 7200 --view both --save shorelines-7200.png \
        "$data/gshhs_l.b")
for f in topo.png LandSeaMask.png combined-10800.png shorelines-7200.png; do
    printf '  %-26s %s\n' "full/$f" "$(stat -c %s "$full/$f") bytes"
done

# Round trip through today's formats: the sample tiles as one GeoTIFF (the ocean kept as a
# -9999 m deep sea, as bathymetry), converted back by importdem; terrafold must then draw the
# same heights, and orbisko colours from the converted grid.
if [ ! -x "$bin/importdem" ] || ! command -v gdal_translate >/dev/null; then
    echo "No importdem or GDAL commands: round trip skipped."
    windows
    exit 0
fi
rt=$out/roundtrip
mkdir -p "$rt/grid"
if [ ! -f "$rt/world.tif" ]; then
    echo "Saving the sample tiles as a GeoTIFF (once)..."
    gdalbuildvrt -q -srcnodata None -vrtnodata None "$rt/tiles.vrt" "$out"/gtopo30/*.dem
    gdal_translate -q -of GTiff -a_srs EPSG:4326 -co TILED=YES -co COMPRESS=DEFLATE -co PREDICTOR=2 \
        -co BIGTIFF=YES -co NUM_THREADS=ALL_CPUS "$rt/tiles.vrt" "$rt/world.tif.partial"
    mv "$rt/world.tif.partial" "$rt/world.tif"
    rm -f "$rt/tiles.vrt"
fi
echo
run "$bin/importdem" --quiet --tiles "$rt/gtopo30" --grid "$rt/grid/etopo5.elev" "$rt/world.tif"
cd "$rt"
run "$bin/terrafold" --batch --gtopo30 "$rt/gtopo30/" --gshhs "$data/gshhs_l.b"
run "$bin/orbisko" --batch --data "$rt/grid/" --preset uk --topography --save uk-topography.bmp
checksum() { gdalinfo -checksum "$1" | sed -n 's/.*Checksum=//p'; }
if [ "$(checksum "$out/topo.png")" = "$(checksum "$rt/topo.png")" ]; then
    echo "Round trip: roundtrip/topo.png has the same pixels as topo.png."
    windows
else
    echo "Round trip: roundtrip/topo.png differs from topo.png." >&2
    exit 1
fi
