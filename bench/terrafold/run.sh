#!/usr/bin/env bash
# Times `terrafold --batch` on a full-size GTOPO30 tile set (33 tiles, 1.87 GB) and a synthetic
# shoreline file, on a warm page cache, and reports the peak resident memory.
# Targets: under 1 s for the whole run; heap under 120 MB beyond the mapped tiles.
#
#   bench/terrafold/run.sh [RUNS]     (TERRAFOLD=path overrides the optimised build's binary)
#
# The tile set is made once and kept in bench/work/terrafold/: with the maketerrain tool when
# the build has it (a relief that follows the shoreline), else as sparse files holding a few
# values (which reads like real data but is mostly one value).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
runs="${1:-7}"
build="$root/build/release"
terrafold="${TERRAFOLD:-$build/bin/terrafold}"
work="$root/bench/work/terrafold"
tiles="$work/GTOPO30"
shore="$work/gshhs_synthetic.b"

if [ ! -x "$terrafold" ]; then
    echo "No optimised terrafold at $terrafold: run 'make build' first (or set TERRAFOLD)." >&2
    exit 2
fi
mkdir -p "$work/out"

if [ ! -f "$shore" ]; then
    python3 "$root/bench/terrafold/make_shoreline.py" "$shore.part"
    mv "$shore.part" "$shore"
fi

if [ ! -f "$tiles/.complete" ]; then
    rm -rf "$tiles"
    mkdir -p "$tiles"
    if [ -x "$build/bin/maketerrain" ]; then
        echo "Making the tile set with maketerrain (once, 1.87 GB)..." >&2
        "$build/bin/maketerrain" --quiet --shore "$shore" --tiles "$tiles"
        echo maketerrain >"$tiles/.complete"
    else
        echo "No maketerrain in $build: making sparse tiles (once)..." >&2
        python3 - "$tiles" <<'EOF'
import os, struct, sys
folder = sys.argv[1]
for prefix in ["W180", "W140", "W100", "W060", "W020", "E020", "E060", "E100", "E140"]:
    for band in ["N90", "N40", "S10"]:
        with open(os.path.join(folder, prefix + band + ".dem"), "wb") as f:
            f.truncate(57_600_000)
            for row in range(0, 6000, 97):
                f.seek(2 * (row * 4800 + row % 4800))
                f.write(struct.pack(">h", row % 3000 - 9999 if row % 2 else row))
for prefix in ["W180", "W120", "W060", "W000", "E060", "E120"]:
    with open(os.path.join(folder, prefix + "S60.dem"), "wb") as f:
        f.truncate(51_840_000)
EOF
        echo sparse >"$tiles/.complete"
    fi
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
echo "terrafold --batch on $(cat "$tiles/.complete") tiles, $(nproc) cores"
echo "  median ${median} ms over ${runs} runs (target 1000 ms); runs (ms): ${times[*]}"
echo "  peak resident ${peak_kb} kB including mapped tile pages"
echo "  peak anonymous ~${peak_anon_kb} kB, sampled every 5 ms (target 120 MB)"
[ "$median" -lt 1000 ]
