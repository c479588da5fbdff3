#!/usr/bin/env bash
# Starts the built Orlanek on a virtual display as a user would: the menu window alone shows,
# 560 by 430 with an empty title, and its close box ends the program with status 0.
# Usage: menu_window_e2e.sh BIN-DIR TEST-BIN-DIR   (on a display: with_display.sh)
set -euo pipefail
bin=$1 test_bin=$2
fail() { echo "FAIL: $*"; exit 1; }

"$bin/Orlanek" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

windows=""
for _ in $(seq 150); do
  windows=$(xdotool search --onlyvisible --class Orlanek 2>/dev/null || true)
  [ -n "$windows" ] && break
  sleep 0.2
done
[ -n "$windows" ] || fail "no window appeared"
sleep 0.5
windows=$(xdotool search --onlyvisible --class Orlanek)
[ "$(echo "$windows" | wc -l)" -eq 1 ] || fail "more than one window shown: $windows"
window=$windows
size=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[ "$size" = 560x430 ] || fail "menu window is $size, not 560x430"
title=$(xprop -id "$window" _NET_WM_NAME)
[ "$title" = '_NET_WM_NAME(UTF8_STRING) = ' ] || fail "title is not empty: $title"

work=$(mktemp -d)
source "$(dirname "$0")/station.sh"
close_and_wait "$test_bin/x-close" "$window"
rmdir "$work"
[ "$status" -ne -1 ] || fail "Orlanek still runs after its menu window was closed"
trap - EXIT
[ $status -eq 0 ] || fail "exit status $status"
echo "PASS: menu window shown alone, closed, status 0"
