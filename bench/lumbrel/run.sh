#!/usr/bin/env bash
# Times `lumbrel --batch` on a 5400 x 2700 height image on a warm cache.
# Target: under 0.3 s for the whole run. The image is made once and kept in bench/work/.
#   bench/lumbrel/run.sh [RUNS]        (LUMBREL=path overrides the optimised build's binary)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
runs="${1:-9}"
lumbrel="${LUMBREL:-$root/build/release/bin/lumbrel}"
work="$root/bench/work/lumbrel"

if [ ! -x "$lumbrel" ]; then
    echo "No optimised lumbrel at $lumbrel: run 'make build' first (or set LUMBREL)." >&2
    exit 2
fi
mkdir -p "$work"
if [ ! -f "$work/topo.png" ]; then
    echo "Making the 5400 x 2700 height image (once)..." >&2
    python3 "$root/bench/lumbrel/make_height_image.py" "$work/topo.png.part"
    mv "$work/topo.png.part" "$work/topo.png"
fi

cd "$work"
"$lumbrel" --batch topo.png >/dev/null  # warms the cache
times=()
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$lumbrel" --batch topo.png >/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
echo "lumbrel --batch, 5400 x 2700: median ${median} ms over ${runs} runs (target 300 ms)"
echo "runs (ms): ${times[*]}"
[ "$median" -lt 300 ]
