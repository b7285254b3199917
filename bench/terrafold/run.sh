#!/usr/bin/env bash
# Times `terrafold --batch` on a full-size GTOPO30 tile set (33 tiles, 1.87 GB) and the bundled
# low-resolution shoreline file, on a warm page cache, and reports the peak memory.
# Targets: under 1 s for the whole run; heap under 120 MB beyond the mapped tiles.
#
#   bench/terrafold/run.sh [RUNS]     (BUILD=folder of the optimised build, default build/release)
#
# The tile set is made once by maketerrain (a relief that follows the shorelines) and kept in
# bench/work/terrafold/.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
runs="${1:-7}"
build="${BUILD:-$root/build/release}"
terrafold="$build/bin/terrafold"
work="$root/bench/work/terrafold"
tiles="$work/GTOPO30"
shore="$root/data/gshhs_l.b"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target terrafold maketerrain -j2 >/dev/null
mkdir -p "$work/out"

if [ ! -f "$tiles/.complete" ]; then
    echo "Making the tile set with maketerrain (once, 1.87 GB)..." >&2
    rm -rf "$tiles"
    "$build/bin/maketerrain" --quiet --shore "$shore" --tiles "$tiles"
    touch "$tiles/.complete"
fi

# The batch run stores both locations as settings; keep them out of the user's own.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

cd "$work/out"
run() { "$terrafold" --batch --gtopo30 "$tiles" --gshhs "$shore" >/dev/null; }
run  # warms the cache
run
times=()
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    run
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
peak_kb=$(/usr/bin/time -v "$terrafold" --batch --gtopo30 "$tiles" --gshhs "$shore" 2>&1 >/dev/null |
          awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
# Anonymous memory (heap and stacks, not the mapped tiles) has no peak counter: sample it.
"$terrafold" --batch --gtopo30 "$tiles" --gshhs "$shore" >/dev/null &
pid=$!
peak_anon_kb=0
while kill -0 "$pid" 2>/dev/null; do
    anon=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    if [ -n "$anon" ] && [ "$anon" -gt "$peak_anon_kb" ]; then peak_anon_kb=$anon; fi
    sleep 0.005
done
wait "$pid"
echo "terrafold --batch on a full-size tile set and $(basename "$shore"), $(nproc) cores"
echo "  median ${median} ms over ${runs} runs (target 1000 ms); runs (ms): ${times[*]}"
echo "  peak resident ${peak_kb} kB including mapped tile pages"
echo "  peak anonymous ~${peak_anon_kb} kB, sampled every 5 ms (target 120 MB)"
[ "$median" -lt 1000 ]
