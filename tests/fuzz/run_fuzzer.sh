#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on one worker, starting from its committed seeds (which
# also hold every input that once found a fault), and prints how many inputs it tried.
# Usage: run_fuzzer.sh FUZZER SEED-DIR WORK-DIR SECONDS
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
name=$(basename "$fuzzer")
mkdir -p "$work/corpus" "$work/faults"
log=$work/last.log
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$work/faults/" "$work/corpus" "$seeds" >"$log" 2>&1
status=$?
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
echo "figure: fuzz_${name%_fuzzer}_executions ${executions:-0} inputs"
if [ $status -ne 0 ]; then
  tail -n 40 "$log"
  echo "$name failed (exit status $status); inputs that found faults: $(ls "$work/faults")" >&2
  exit 1
fi
