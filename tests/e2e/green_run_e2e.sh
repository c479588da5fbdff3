#!/usr/bin/env bash
# Orlanek played as a user plays it, against the simulated board: exercise 3 chosen on the
# menu, "Green LED" clicked, the board's green row receives 3, 6, 12, 24, 48, 96, 192 and then
# 0; "EXIT" brings the menu back within a second and closing it ends the program with status 0.
# Usage: green_run_e2e.sh BIN-DIR SIM-LIBRARY-DIR TEST-BIN-DIR   (on a display: with_display.sh)
set -euo pipefail
bin=$1 sim=$2 test_bin=$3
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "$0")/station.sh"
fail() { echo "FAIL: $*"; [ -f "$work/reports" ] && cat "$work/reports"; exit 1; }

start_station "$bin" "$sim"
[ -n "$menu" ] || fail "the menu window did not appear"
choose_exercise 3
[ -n "$run" ] || fail "the run window of exercise 3 did not appear"
click_run_button green

await '*192 0*' green_row
[[ "$(green_row)" == "3 6 12 24 48 96 192 0"* ]] || fail "green row got: $(green_row)"
[ "$(awk '$4 != 9' "$work/reports" | wc -l)" -eq 0 ] || fail "a report not of 9 bytes"
reports=$(wc -l <"$work/reports")

click_run_button exit
back=""
for _ in $(seq 15); do
  back=$(xdotool search --onlyvisible --class Orlanek 2>/dev/null | grep -x "$menu" || true)
  [ -n "$back" ] && break
  sleep 0.1
done
[ -n "$back" ] || fail "the menu did not come back within 1.5 s of EXIT"
[ "$(wc -l <"$work/reports")" -gt "$reports" ] || fail "nothing sent at EXIT"
[ "$(tail -n 3 "$work/reports" | awk '{print $2, $3}' | xargs)" = "0 32 0 48 0 32" ] ||
  fail "EXIT did not clear the red row"

close_and_wait "$test_bin/x-close" "$menu"
[ "$status" -eq 0 ] || fail "exit status $status after closing the menu"
echo "PASS: exercise 3 played on the simulated board, EXIT, closed with status 0"
