#!/bin/sh
# Times `strandel --batch --save` on a generated full-resolution shoreline file (about 10.8
# million points, 93 MB) on a warm page cache. Target: under 1 second for reading and drawing.
#
# Usage: bench/strandel/run.sh [RUNS]     (environment: BUILD, default build/release)
# The optimised build and the generated file (in bench/work/strandel/) are kept between runs.
set -eu
cd "$(dirname "$0")/../.."
runs=${1:-5}
build=${BUILD:-build/release}
work=bench/work/strandel
mkdir -p "$work"

{ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BUILD_TESTS=OFF &&
  cmake --build "$build" --target strandel -j2; } >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; exit 1; }

data=$work/gshhs_f_synthetic.b
if [ ! -f "$data" ] || [ bench/strandel/MakeShorelineFile.cpp -nt "$data" ]; then
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

# Prints "wall cpu" seconds of one run; cpu (user + system) is what a busy machine cannot hide.
measure() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
  else
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$start $end" | awk '{ printf "%.3f nan\n", $2 - $1 }'
  fi
}

time_run() {  # label, output file, extra options...
  label=$1; out=$2; shift 2
  "$build/bin/strandel" --batch "$@" --save "$out" "$data" >/dev/null  # warm-up
  results=$(i=0; while [ "$i" -lt "$runs" ]; do
    measure "$build/bin/strandel" --batch "$@" --save "$out" "$data"
    i=$((i + 1))
  done)
  wall=$(echo "$results" | cut -d' ' -f1 | median)
  cpu=$(echo "$results" | cut -d' ' -f2 | median)
  printf '%-36s median of %d runs: %.3f s wall, %s s cpu\n' "$label" "$runs" "$wall" "$cpu"
}

echo "strandel on $(basename "$data") ($(du -m "$data" | cut -f1) MB), $(nproc) cores," \
  "load $(cut -d' ' -f1 /proc/loadavg)"
time_run "read, draw, save BMP (both)" "$work/map.bmp"
time_run "read, draw, save PNG (both)" "$work/map.png"
# The first drawing shows both; --view land then reads and draws the file a second time.
time_run "read, draw twice, save BMP (land)" "$work/land.bmp" --view land
