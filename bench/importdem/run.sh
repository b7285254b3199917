#!/usr/bin/env bash
# importdem --tiles on a 30" global GeoTIFF (43200 x 21600 int16, 1.87 GB) against gdalwarp
# resampling the same input onto the same grid into one ENVI file. Goal: ratio <= 1.5, though
# ours also cuts the grid into 33 big-endian tiles. Target of its own: peak memory under 1 GB.
#
#   bench/importdem/run.sh       (environment: see bench/lib.sh)
#
# The GeoTIFF is made once in bench/work/importdem/ from the terrafold job's tile set (a relief
# that follows the shorelines), its ocean kept as the value -9999, as deep bathymetry.
source "$(dirname "$0")/../lib.sh"
NeedProgram importdem
NeedProgram maketerrain
NeedDebs gdal-bin time

work=$work_root/importdem
# The terrafold job's tile set: made once for both.
tiles=$work_root/terrafold/GTOPO30
input=$work/world30.tif
if [ ! -f "$input" ]; then
    MakeTileSet "$tiles"
    echo "Making the GeoTIFF (once, 1.87 GB)..." >&2
    gdalbuildvrt -q -srcnodata None -vrtnodata None "$work/tiles.vrt" "$tiles"/*.dem
    gdal_translate -q -of GTiff -a_srs EPSG:4326 -co TILED=YES -co BIGTIFF=YES "$work/tiles.vrt" "$input.partial"
    mv "$input.partial" "$input"
    rm -f "$work/tiles.vrt"
fi
mkdir -p "$work/ours" "$work/theirs"

Ours() {
    "$bin/importdem" --quiet --tiles "$work/ours" "$input"
}
Theirs() {
    rm -f "$work/theirs/world.envi" "$work/theirs/world.hdr"
    gdalwarp -q -overwrite -ts 43200 21600 -r average -of ENVI "$input" "$work/theirs/world.envi"
}

WarmCache "$input"
echo "importdem --tiles vs gdalwarp -ts 43200 21600 -r average -of ENVI (30\" int16, 1.87 GB)"
Compare importdem gdalwarp 1.5 Ours Theirs
CheckGoal "importdem: peak memory" "$(PeakMemory Ours)" 1024 MB
Finish
