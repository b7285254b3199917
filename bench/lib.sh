# shellcheck shell=bash
# Sourced by every bench/<job>/run.sh: where the programs and the work files are, installing the
# tools we compare against, and timing two commands alternately on a warm cache.
#
# Environment: BUILD (optimised build, default build/release), RUNS (timed runs of each side,
# default 5), BENCH_SUMMARY (a file that collects one line per goal, for bench/run.sh).
#
# Times are wall clock (what the user waits for) and CPU (user + system of all processes, which
# a busy machine disturbs less). A ratio is ours / theirs of the wall-clock medians.
set -euo pipefail
# Exported, so that the measuring shells of PeakMemory see the jobs' variables and functions.
set -a

bench_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench_dir")
build=${BUILD:-build/release}
case $build in /*) ;; *) build=$root/$build ;; esac
bin=$build/bin
runs=${RUNS:-5}
work_root=$bench_dir/work
goals_missed=0

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Batch runs store the folders they were given as settings; keep those out of the user's own.
XDG_CONFIG_HOME=$scratch/config
mkdir -p "$XDG_CONFIG_HOME"

# Installs the Debian packages that are missing, through sudo when not root.
NeedDebs() {
    local missing=() package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}..." >&2
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

NeedProgram() {
    if [ ! -x "$bin/$1" ]; then
        echo "No optimised $1 in $bin: run 'make build' first (or set BUILD)." >&2
        exit 2
    fi
}

# MakeTileSet FOLDER: a full-size GTOPO30 tile set from maketerrain (a relief that follows the
# bundled shorelines), made once and kept; needs NeedProgram maketerrain.
MakeTileSet() {
    if [ ! -f "$1/.complete" ]; then
        echo "Making the tile set with maketerrain (once, 1.87 GB)..." >&2
        rm -rf "$1"
        "$bin/maketerrain" --quiet --shore "$root/data/gshhs_l.b" --tiles "$1"
        touch "$1/.complete"
    fi
}

# ConvertGmtShorelines RESOLUTION OUTPUT: GMT's own shorelines of one resolution (c, l, i, h
# or f) as a GSHHS file, read out by gmt coast and converted by gshhg2gshhs; needs
# NeedProgram gshhg2gshhs, NeedDebs gmt and the GMT shoreline package of that resolution.
ConvertGmtShorelines() {
    local levels
    levels=$(mktemp -d "$scratch/levels.XXXX")
    # One run per level, so that every piece is of a known level.
    for level in 1 2 3 4; do
        (cd "$levels" && gmt coast -Rd "-D$1" -A0/$level/$level -M -W$level/0.1p >"level$level.txt")
    done
    "$bin/gshhg2gshhs" -q -o "$2" "$levels"/level{1,2,3,4}.txt
    rm -rf "$levels"
}

# Reads files once so that the timed runs start from a warm page cache.
WarmCache() {
    cat "$@" >/dev/null
}

# TimeOnce FUNCTION: runs it with its output in $scratch/last.log and sets wall_ms and cpu_ms.
# A failing run ends the benchmark with its output, since its times would mean nothing.
TimeOnce() {
    local times status=0
    times=$( { TIMEFORMAT='%3R %3U %3S'; time "$1" >"$scratch/last.log" 2>&1; } 2>&1 ) || status=$?
    if [ "$status" -ne 0 ]; then
        echo "$1 failed with status $status:" >&2
        cat "$scratch/last.log" >&2
        exit 1
    fi
    read -r wall_ms cpu_ms <<<"$(awk '{ printf "%d %d\n", $1 * 1000 + 0.5, ($2 + $3) * 1000 + 0.5 }' \
        <<<"$times")"
}

Median() {
    printf '%s\n' "$@" | sort -n |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# PeakMemory FUNCTION: peak resident set in MB of the largest process the function runs.
PeakMemory() {
    /usr/bin/time -f %M -o "$scratch/rss" bash -c "$1" >/dev/null 2>&1
    awk '{ printf "%d", $1 / 1024 + 0.5 }' "$scratch/rss"
}

# Records a goal or target as met or missed, for the job's lines and bench/run.sh's summary.
# CheckGoal LABEL VALUE LIMIT UNIT: met when VALUE <= LIMIT.
CheckGoal() {
    local label=$1 value=$2 limit=$3 unit=${4:+ $4} verdict
    if awk -v v="$value" -v l="$limit" 'BEGIN { exit !(v <= l) }'; then
        verdict=met
    else
        verdict=MISSED
        goals_missed=$((goals_missed + 1))
    fi
    local line
    line=$(printf '%-46s %9s   goal <= %-8s %s' "$label" "$value$unit" "$limit$unit" "$verdict")
    echo "  $line"
    if [ -n "${BENCH_SUMMARY:-}" ]; then echo "$line" >>"$BENCH_SUMMARY"; fi
}

# Alternate FIRST SECOND: one warm-up run of each, then $runs runs of each taken in turn, so that
# a change in the machine's load falls on both alike. Sets the medians first_wall_ms,
# first_cpu_ms, second_wall_ms, second_cpu_ms and the wall-clock runs first_runs, second_runs.
Alternate() {
    local i first_wall=() first_cpu=() second_wall=() second_cpu=()
    TimeOnce "$1"
    TimeOnce "$2"
    for ((i = 0; i < runs; i++)); do
        TimeOnce "$1"
        first_wall+=("$wall_ms")
        first_cpu+=("$cpu_ms")
        TimeOnce "$2"
        second_wall+=("$wall_ms")
        second_cpu+=("$cpu_ms")
    done
    first_wall_ms=$(Median "${first_wall[@]}")
    first_cpu_ms=$(Median "${first_cpu[@]}")
    second_wall_ms=$(Median "${second_wall[@]}")
    second_cpu_ms=$(Median "${second_cpu[@]}")
    first_runs=${first_wall[*]}
    second_runs=${second_wall[*]}
}

# Row NAME WALL CPU FUNCTION RUNS: one line of a job's table, with the peak memory of FUNCTION.
Row() {
    printf '  %-40s %8s %8s %8s   %s\n' "$1" "$2" "$3" "$(PeakMemory "$4")" "$5"
}

TableHeader() {
    printf '  %-40s %8s %8s %8s   %s\n' "" "wall ms" "CPU ms" "peak MB" "wall-clock runs (ms)"
}

# Compare OUR_NAME THEIR_NAME GOAL OURS THEIRS: our program and the alternative, alternately;
# prints the medians, the peak memory of each side and the ratio, and checks the ratio against
# GOAL. Sets ours_wall_ms for the job's own targets.
Compare() {
    local ours=$4 theirs=$5 ratio cpu_ratio
    Alternate "$ours" "$theirs"
    ours_wall_ms=$first_wall_ms
    # Three places, so that a ratio just above a goal of two places does not round down to it.
    ratio=$(awk -v a="$first_wall_ms" -v b="$second_wall_ms" 'BEGIN { printf "%.3f", a / b }')
    cpu_ratio=$(awk -v a="$first_cpu_ms" -v b="$second_cpu_ms" 'BEGIN { printf "%.3f", a / b }')
    TableHeader
    Row "ours: $1" "$first_wall_ms" "$first_cpu_ms" "$ours" "$first_runs"
    Row "theirs: $2" "$second_wall_ms" "$second_cpu_ms" "$theirs" "$second_runs"
    printf '  %-40s %8s %8s\n' "ours / theirs" "$ratio" "$cpu_ratio"
    CheckGoal "$1 vs $2: ratio ours/theirs" "$ratio" "$3" ""
}

# Ends a job: status 1 when a goal was missed, so that bench/run.sh can say so.
Finish() {
    [ "$goals_missed" -eq 0 ]
}
