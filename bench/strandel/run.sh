#!/bin/sh
# Times `strandel --batch --save` on a generated full-resolution shoreline file (about 10.8
# million points, 93 MB) on a warm page cache. Target: under 1 second for reading and drawing.
#
# Usage: bench/strandel/run.sh [RUNS]     (environment: BUILD, default build/release)
# The optimised build and the generated file are kept between runs.
set -eu
cd "$(dirname "$0")/../.."
runs=${1:-5}
build=${BUILD:-build/release}
work=$build/bench/strandel
mkdir -p "$work"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target strandel -j2 >/dev/null

data=$work/gshhs_f_synthetic.b
if [ ! -f "$data" ]; then
  c++ -O2 -std=c++20 -o "$work/MakeShorelineFile" bench/strandel/MakeShorelineFile.cpp
  "$work/MakeShorelineFile" "$data.part"
  mv "$data.part" "$data"
fi

# The batch run stores the file name as the viewer's setting; keep it out of the user's own.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
cat "$data" >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

time_run() {  # label, output file, extra options...
  label=$1; out=$2; shift 2
  "$build/bin/strandel" --batch "$@" --save "$out" "$data" >/dev/null  # warm-up
  i=0
  while [ "$i" -lt "$runs" ]; do
    start=$(date +%s.%N)
    "$build/bin/strandel" --batch "$@" --save "$out" "$data" >/dev/null
    end=$(date +%s.%N)
    echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }'
    i=$((i + 1))
  done | median | awk -v label="$label" -v runs="$runs" \
    '{ printf "%-36s median of %d runs: %.3f s\n", label, runs, $1 }'
}

echo "strandel on $(basename "$data") ($(du -m "$data" | cut -f1) MB), $(nproc) cores"
time_run "read, draw, save BMP (both)" "$work/map.bmp"
time_run "read, draw, save PNG (both)" "$work/map.png"
time_run "read, draw, save BMP (land)" "$work/land.bmp" --view land
