#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, each from its seed corpus, and fails
# when any of them finds a crash, a leak, a hang or an out-of-bounds access.
#   fuzz/run.sh BUILD_DIR [SECONDS_EACH]
# A target's corpus grows in BUILD_DIR/corpus/<name>/ (the seeds in fuzz/corpus/<name>/ are only
# read); whatever a target finds is kept as BUILD_DIR/findings/<name>-crash-... and its log as
# BUILD_DIR/logs/<name>.log.
set -u
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS_EACH]}
seconds=${2:-60}
rss_mb=${FUZZ_RSS_MB:-2048}
timeout_s=${FUZZ_TIMEOUT:-10}
seeds=$(cd "$(dirname "$0")" && pwd)/corpus

mkdir -p "$build/corpus" "$build/findings" "$build/logs"
status=0
found=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=${target##*/fuzz_}
  mkdir -p "$build/corpus/$name"
  seed_dirs=()
  [ -d "$seeds/$name" ] && seed_dirs=("$seeds/$name")
  options=()
  [ -f "$seeds/../$name.dict" ] && options=(-dict="$seeds/../$name.dict")
  log="$build/logs/$name.log"
  printf '%-10s %4s s ... ' "$name" "$seconds"
  if "$target" "$build/corpus/$name" "${seed_dirs[@]}" "${options[@]}" \
       -max_total_time="$seconds" -rss_limit_mb="$rss_mb" -timeout="$timeout_s" \
       -artifact_prefix="$build/findings/$name-" -print_final_stats=1 >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "clean (${runs:-?} runs)"
  else
    echo "FOUND A FAULT, see $log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' "$log" | head -8
    status=1
  fi
done
if [ "$found" = 0 ]; then
  echo "no fuzz targets in $build/fuzz" >&2
  exit 1
fi
exit $status
