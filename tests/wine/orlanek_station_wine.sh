#!/usr/bin/env bash
# Orlanek.exe played as a user plays it, under Wine on a virtual display, with the real
# Varnel.dll over the setupapi.dll and hid.dll doubles holding the board: exercise 3 chosen,
# "Green LED" clicked, the board receives 3, 6, 12, 24, 48, 96, 192 and then 0; "EXIT" brings the
# menu back. Leaves screenshots of both windows in SHOT-DIR when one is given. With
# STATION_JUDGE naming the station-check command, the red row is walked before EXIT, and the
# session as Varnel.dll logged it (VARNEL_SESSION_LOG) passes.
# Usage: orlanek_station_wine.sh TEST-DIR [SHOT-DIR]
#        (on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE may name Wine's loader;
#        STATION_TOLERANCE widens the judge's cadence allowance, for an emulated machine's clock;
#        WINEDLLOVERRIDES is kept beside the doubles' own)
set -euo pipefail
dir=$1 shots=${2:-}
read -ra judge <<<"${STATION_JUDGE:-}"
work=$(mktemp -d)
pid=""
trap 'kill $pid 2>/dev/null || true; wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export STATION_CLASS=orlanek.exe STATION_SETTLE=2
source "$(dirname "$0")/../e2e/station.sh"
fail() { echo "FAIL: $*"; [ -f "$work/reports" ] && cat "$work/reports"; exit 1; }

cd "$dir"
# A Wine server that a test without a display left running would keep its desktop off this one.
wineserver -k 2>/dev/null || true
WINEDLLOVERRIDES="setupapi,hid=n${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" HID_BUS_BOARD=1 HID_BUS_REPORT_LOG="Z:$work/reports" \
  VARNEL_SESSION_LOG="Z:$work/session.jsonl" "${WINE:-wine}" Orlanek.exe >"$work/wine.log" 2>&1 &
pid=$!
menu=$(wait_for "")
[ -n "$menu" ] || fail "the menu window did not appear: $(cat "$work/wine.log")"
sleep "$settle"
size=$(xdotool getwindowgeometry "$menu" | awk '/Geometry/ {print $2}')
[ "$size" = 560x430 ] || fail "the menu window's client area is $size, not 560x430"
[ -z "$shots" ] || import -window "$menu" "$shots/windows-menu-window.png"
choose_exercise 3
[ -n "$run" ] || fail "the run window of exercise 3 did not appear"
size=$(xdotool getwindowgeometry "$run" | awk '/Geometry/ {print $2}')
[ "$size" = 560x430 ] || fail "the run window's client area is $size, not 560x430"
click_run_button green
await '*192 0*' green_row || fail "green row got: $(green_row)"
[[ "$(green_row)" == "3 6 12 24 48 96 192 0"* ]] || fail "green row got: $(green_row)"
[ -z "$shots" ] || import -window "$run" "$shots/windows-run-window.png"
if [ ${#judge[@]} -gt 0 ]; then
  click_run_button red
  await '*128 48 9*' cat "$work/reports" || fail "the red walk did not reach the last LED"
fi
click_run_button exit
back=""
for _ in $(seq 30); do
  back=$(xdotool search --onlyvisible --class "$class" 2>/dev/null | grep -x "$menu" || true)
  [ -n "$back" ] && break
  sleep 0.1
done
[ -n "$back" ] || fail "the menu did not come back after EXIT"
if [ ${#judge[@]} -gt 0 ]; then
  verdict=$("${judge[@]}" ${STATION_TOLERANCE:+--tolerance "$STATION_TOLERANCE"} --exercise 3 \
    "$work/session.jsonl") ||
    fail "the session as Varnel.dll logged it: $verdict"
fi
echo "PASS: exercise 3 played through Orlanek.exe, Varnel.dll and the doubles${judge[0]:+, and its log}"
