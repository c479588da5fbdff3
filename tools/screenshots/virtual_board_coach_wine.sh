#!/usr/bin/env bash
# virtual-board.exe coaching exercise 3 in Chinese (Taiwan) under Wine, its window saved as OUT:
# Orlanek.exe plays the exercise on it and is held still for two seconds after the third step,
# as a program that stalls is, so that the coach has a broken rule to show.
# Usage: virtual_board_coach_wine.sh TEST-DIR BIN-DIR OUT
#        (on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE names Wine's loader)
set -euo pipefail
dir=$1 bin=$2 out=$3
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
pid="" board=""
trap 'kill -CONT $pid 2>/dev/null; kill $pid $board 2>/dev/null; wineserver -k 2>/dev/null
  rm -rf "$work"' EXIT
export STATION_CLASS=orlanek.exe STATION_SETTLE=2 WINEDLLOVERRIDES=setupapi,hid=n
source "$source/tests/e2e/station.sh"
source "$source/tests/e2e/checked_session.sh"
wine=${WINE:-wine}
fail() { echo "FAIL: $*" >&2; exit 1; }

wineserver -k 2>/dev/null || true
log=$work/session.jsonl
: >"$log"
STATION_LANGUAGE=zh_TW "$wine" "$bin/virtual-board.exe" --exercise 3 --json "Z:$log" \
  >"$work/board.log" 2>&1 &
board=$!
await_line '"plugged"' "$log" || fail "the virtual board did not start: $(cat "$work/board.log")"
board_window=$(class=virtual-board.exe wait_for "")
xdotool windowmove "$board_window" 0 0
(cd "$dir" && exec "$wine" Orlanek.exe >"$work/wine.log" 2>&1) &
pid=$!
menu=$(wait_for "")
[ -n "$menu" ] || fail "the menu window did not appear: $(cat "$work/wine.log")"
sleep "$settle"
choose_exercise 3
[ -n "$run" ] || fail "the run window of exercise 3 did not appear"
# Below the virtual board's window, which it would cover in the picture.
xdotool windowmove --sync "$run" 0 280
click_run_button green
await '[3-9]' green_writes "$log" || fail "no third step: $(cat "$log")"
kill -STOP "$pid"
sleep 2
kill -CONT "$pid"
await '[5-9]' green_writes "$log" || fail "no fifth step: $(cat "$log")"
# The window repaints a moment after the report.
sleep 0.5
import -window "$board_window" "$out"
