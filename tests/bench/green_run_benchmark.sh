#!/usr/bin/env bash
# Orlanek in its run window during a green run for SECONDS (60 unless given) against the
# simulated board: CPU share, peak resident memory and the intervals between ticks.
# Usage: green_run_benchmark.sh BIN-DIR SIM-LIBRARY-DIR TEST-BIN-DIR [SECONDS]
#        (on a display: with_display.sh)
set -euo pipefail
bin=$1 sim=$2 test_bin=$3 seconds=${4:-60}
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "$0")/../e2e/station.sh"

start_station "$bin" "$sim" /usr/bin/time -v -o "$work/time"
[ -n "$menu" ] || { echo "benchmark: the menu window did not appear" >&2; exit 1; }
choose_exercise 9
click_run_button green
sleep "$seconds"
"$test_bin/x-close" "$menu"
wait_for_end

awk -F': ' '/User time/ {cpu += $2} /System time/ {cpu += $2}
            /Elapsed/ {n = split($2, part, ":"); wall = 0; for (i = 1; i <= n; i++) wall = wall * 60 + part[i]}
            /Maximum resident/ {rss = $2}
            END {printf "figure: orlanek_cpu_share %.2f %%\n", wall ? 100 * cpu / wall : 0
                 printf "figure: orlanek_peak_rss %.1f MiB\n", rss / 1024}' "$work/time"
# One green report a tick; its time stamps give the tick intervals.
awk '$3 == 0 {if (last) {d = $1 - last; sum += d; n++; dev = d - 1000; if (dev < 0) dev = -dev;
                         if (dev > worst) worst = dev}
              last = $1}
     END {printf "figure: orlanek_tick_interval_mean %.1f ms\n", n ? sum / n : 0
          printf "figure: orlanek_tick_worst_deviation %d ms\n", worst
          printf "figure: orlanek_ticks %d ticks\n", n + 1}' "$work/reports"
