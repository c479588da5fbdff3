#!/usr/bin/env bash
# Orlanek.exe under Wine with the display's dpi set through Wine's LogPixels to 120, 144 and 192
# (96 is orlanek_station_wine.sh's): at each, the menu and the run window of exercise 3 have the
# design's client areas (560x430 at 96) times dpi/96. With SHOT-DIR, leaves the pictures of both
# windows at 144 dpi there. The prefix is left at 96 dpi.
# Usage: orlanek_dpi_wine.sh TEST-DIR [SHOT-DIR]
#        (on a display of 1600x1200 or more; WINEPREFIX set; WINE may name Wine's loader)
set -euo pipefail
dir=$1 shots=${2:-}
wine=${WINE:-wine}
work=$(mktemp -d)
pid=""
set_dpi() {
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'kill $pid 2>/dev/null || true; set_dpi 96 || true; wineserver -k 2>/dev/null || true
  rm -rf "$work"' EXIT
export STATION_CLASS=orlanek.exe STATION_SETTLE=2
source "$(dirname "$0")/../e2e/station.sh"
fail() { echo "FAIL: $*"; exit 1; }
client_size() { xdotool getwindowgeometry "$1" | awk '/Geometry/ {print $2}'; }

cd "$dir"
for dpi in 120 144 192; do
  # A program reads the dpi when it starts; Wine's desktop when the server does.
  wineserver -k 2>/dev/null || true
  set_dpi "$dpi"
  WINEDLLOVERRIDES=setupapi,hid=n HID_BUS_BOARD=1 HID_BUS_REPORT_LOG="Z:$work/reports" \
    "$wine" Orlanek.exe >"$work/wine.log" 2>&1 &
  pid=$!
  expected=$(((560 * dpi + 48) / 96))x$(((430 * dpi + 48) / 96))  # rounded to the nearest pixel
  menu=$(wait_for "")
  [ -n "$menu" ] || fail "at $dpi dpi the menu window did not appear: $(cat "$work/wine.log")"
  sleep "$settle"
  [ "$(client_size "$menu")" = "$expected" ] ||
    fail "at $dpi dpi the menu's client area is $(client_size "$menu"), not $expected"
  [ -z "$shots" ] || [ $dpi != 144 ] || import -window "$menu" "$shots/windows-menu-window-144dpi.png"
  choose_exercise 3
  [ -n "$run" ] || fail "at $dpi dpi the run window of exercise 3 did not appear"
  [ "$(client_size "$run")" = "$expected" ] ||
    fail "at $dpi dpi the run window's client area is $(client_size "$run"), not $expected"
  [ -z "$shots" ] || [ $dpi != 144 ] || import -window "$run" "$shots/windows-run-window-144dpi.png"
  kill $pid
  wait $pid 2>/dev/null || true
  echo "at $dpi dpi: both windows $expected"
done
echo "PASS: the windows at 120, 144 and 192 dpi"
