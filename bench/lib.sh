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

# Compare LABEL GOAL OURS THEIRS: one warm-up run of each, then $runs runs of each taken in
# turn, so that a change in the machine's load falls on both sides alike. Prints the medians,
# the peak memory of each side and the ratio, and checks the ratio against GOAL ("" for none).
# Sets ours_wall_ms and theirs_wall_ms for the job's own targets.
Compare() {
    local label=$1 goal=$2 ours=$3 theirs=$4 i
    local ours_wall=() ours_cpu=() theirs_wall=() theirs_cpu=()
    TimeOnce "$ours"
    TimeOnce "$theirs"
    for ((i = 0; i < runs; i++)); do
        TimeOnce "$ours"
        ours_wall+=("$wall_ms")
        ours_cpu+=("$cpu_ms")
        TimeOnce "$theirs"
        theirs_wall+=("$wall_ms")
        theirs_cpu+=("$cpu_ms")
    done
    ours_wall_ms=$(Median "${ours_wall[@]}")
    theirs_wall_ms=$(Median "${theirs_wall[@]}")
    local ours_cpu_ms theirs_cpu_ms ratio cpu_ratio
    ours_cpu_ms=$(Median "${ours_cpu[@]}")
    theirs_cpu_ms=$(Median "${theirs_cpu[@]}")
    ratio=$(awk -v a="$ours_wall_ms" -v b="$theirs_wall_ms" 'BEGIN { printf "%.2f", a / b }')
    cpu_ratio=$(awk -v a="$ours_cpu_ms" -v b="$theirs_cpu_ms" 'BEGIN { printf "%.2f", a / b }')
    printf '  %-12s %10s %10s %10s   %s\n' "" "wall ms" "CPU ms" "peak MB" "wall-clock runs (ms)"
    printf '  %-12s %10s %10s %10s   %s\n' "ours" "$ours_wall_ms" "$ours_cpu_ms" \
        "$(PeakMemory "$ours")" "${ours_wall[*]}"
    printf '  %-12s %10s %10s %10s   %s\n' "theirs" "$theirs_wall_ms" "$theirs_cpu_ms" \
        "$(PeakMemory "$theirs")" "${theirs_wall[*]}"
    printf '  %-12s %10s %10s\n' "ours/theirs" "$ratio" "$cpu_ratio"
    if [ -n "$goal" ]; then
        CheckGoal "$label: ratio ours/theirs" "$ratio" "$goal" ""
    fi
}

# Measure LABEL FUNCTION: absolute figures where there is nothing to compare against.
# Sets measured_wall_ms and measured_cpu_ms.
Measure() {
    local label=$1 command=$2 i walls=() cpus=()
    TimeOnce "$command"
    for ((i = 0; i < runs; i++)); do
        TimeOnce "$command"
        walls+=("$wall_ms")
        cpus+=("$cpu_ms")
    done
    measured_wall_ms=$(Median "${walls[@]}")
    measured_cpu_ms=$(Median "${cpus[@]}")
    printf '  %-36s %8s %8s %8s   %s\n' "$label" "$measured_wall_ms" "$measured_cpu_ms" \
        "$(PeakMemory "$command")" "${walls[*]}"
}

# Ends a job: status 1 when a goal was missed, so that bench/run.sh can say so.
Finish() {
    [ "$goals_missed" -eq 0 ]
}
