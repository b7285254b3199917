#!/usr/bin/env bash
# Runs every benchmark (make bench) and sums up their goals. Each job prints its own figures;
# a job that fails or misses a goal does not stop the others, but makes the status 1.
#
#   bench/run.sh [JOB...]      (jobs: terrafold lumbrel strandel orbisko importdem, and fullsize
#                              when named; environment: see lib.sh)
set -uo pipefail
bench_dir=$(cd "$(dirname "$0")" && pwd)
jobs=("$@")
[ ${#jobs[@]} -gt 0 ] || jobs=(terrafold lumbrel strandel orbisko importdem)

BENCH_SUMMARY=$(mktemp)
export BENCH_SUMMARY
trap 'rm -f "$BENCH_SUMMARY"' EXIT

memory_gb=$(awk '/^MemTotal:/ { printf "%.1f", $2 / 1048576 }' /proc/meminfo)
cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo "Machine: $(nproc) cores, ${cpu_model:-unknown CPU}, $memory_gb GB"
echo "Load before: $(cut -d' ' -f1-3 /proc/loadavg); ${RUNS:-5} timed runs a side, medians"
echo

status=0
for job in "${jobs[@]}"; do
    if [ ! -x "$bench_dir/$job/run.sh" ]; then
        echo "No benchmark '$job'" >&2
        status=1
        continue
    fi
    "$bench_dir/$job/run.sh" || status=1
    echo
done

echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Goals:"
sed 's/^/  /' "$BENCH_SUMMARY"
[ "$status" -eq 0 ] && echo "All goals met." || echo "Some goals were missed or a job failed."
exit "$status"
