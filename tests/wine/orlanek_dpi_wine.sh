#!/usr/bin/env bash
# Orlanek.exe under Wine at 120, 144 and 192 dpi (LogPixels): the menu and exercise 3's run
# window are 560x430 times dpi/96. Leaves both pictures at 144 dpi in SHOT-DIR if given.
# Usage: orlanek_dpi_wine.sh TEST-DIR [SHOT-DIR]
#        (on a display of 1600x1200 or more; WINEPREFIX set; WINE may name Wine's loader)
set -euo pipefail
dir=$1 shots=${2:-}
wine=${WINE:-wine}
pid=""
trap 'kill $pid 2>/dev/null || true; set_dpi 96 || true; wineserver -k 2>/dev/null || true' EXIT
export STATION_CLASS=orlanek.exe STATION_SETTLE=2
source "$(dirname "$0")/../e2e/station.sh"
fail() { echo "FAIL: $*"; exit 1; }
size_is() {
  local size
  size=$(xdotool getwindowgeometry "$2" | awk '/Geometry/ {print $2}')
  [ "$size" = "$(px 560)x$(px 430)" ] || fail "at $STATION_DPI dpi the $1 window is $size"
  [ -z "$shots" ] || [ "$STATION_DPI" != 144 ] ||
    import -window "$2" "$shots/windows-$1-window-144dpi.png"
}

cd "$dir"
for STATION_DPI in 120 144 192; do
  export STATION_DPI
  wineserver -k 2>/dev/null || true  # Wine's desktop reads the dpi as it starts
  set_dpi "$STATION_DPI"
  WINEDLLOVERRIDES=setupapi,hid=n HID_BUS_BOARD=1 "$wine" Orlanek.exe >/dev/null 2>&1 &
  pid=$!
  menu=$(wait_for "")
  [ -n "$menu" ] || fail "at $STATION_DPI dpi the menu window did not appear"
  sleep "$settle"
  size_is menu "$menu"
  choose_exercise 3
  [ -n "$run" ] || fail "at $STATION_DPI dpi the run window of exercise 3 did not appear"
  size_is run "$run"
  kill $pid
  wait $pid 2>/dev/null || true
done
echo "PASS: both windows at 120, 144 and 192 dpi"
