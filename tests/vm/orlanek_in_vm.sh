#!/usr/bin/env bash
# Orlanek with the production library against a virtual board on a real kernel: exercise 3
# chosen and played; the board's green row shows 3, 6, 12, 24, 48, 96, 192, then 0, and "Red
# LED" walks its red row.
# Usage: orlanek_in_vm.sh BUILD-DIR
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
fail() { echo "FAIL: $*"; tail -n 20 "$work/board"; exit 1; }
source "$here/board_and_display.sh"
start_board_and_display "$work/board" 7

# The green and red rows as the board showed them after each report.
rows() { sed -n "s/.*\"report\":\[0,[0-9]*,$1,.*\"green\":\([0-9]*\),\"red\":\([0-9]*\)}/\\$2/p" "$work/board" | xargs; }

export STATION_SETTLE=3
source "$here/../e2e/station.sh"
run_station() {
  start_station "$build/bin" "$build/bin"
  [ -n "$menu" ] || fail "the menu window did not appear"
  choose_exercise 3
  [ -n "$run" ] || fail "the run window did not appear"
  click_run_button green
  await '*192 0*' rows 0 1
  [[ "$(rows 0 1)" == "3 6 12 24 48 96 192 0"* ]] || fail "green row: $(rows 0 1)"
  click_run_button red
  await '*128*' rows 48 2
  [[ "$(rows 48 2)" == *"0 1 2 4 8 16 32 64 128"* ]] || fail "red row: $(rows 48 2)"
}
run_station
echo "PASS"
