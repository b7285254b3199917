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
