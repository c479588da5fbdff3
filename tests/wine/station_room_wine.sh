#!/usr/bin/env bash
# station-check.exe under Wine on a room: a folder of sessions (its name and some of its files'
# outside the system's code page) dropped onto the program in Explorer is judged in a window of
# its own, room.html and room.csv are written beside the folder, the page is handed to the
# desktop's browser, and the window stays until a key is pressed. In a command prompt, several
# files with --csv give the Linux program's table and CSV word for word.
# Usage: station_room_wine.sh EXE SOURCE-DIR LINUX-STATION-CHECK
#        (on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE may name Wine's loader)
set -uo pipefail
exe=$1 source=$2 linux=$3
wine=${WINE:-wine}
work=$(mktemp -d)
pid=""
trap 'kill $pid 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
source "$source/tests/e2e/station.sh"
status=0
fail() { echo "FAIL: $*"; status=1; }
[ -x "$linux" ] || { echo "FAIL: no $linux to compare the room with"; exit 1; }
windows() { echo "Z:$(tr / '\\' <<<"$1")"; }

room="$work/考試 room"
mkdir "$room"
capture=$source/tests/tools/data/orlanek-exercise-7-on-usb
cp "$capture.pcapng" "$room/Łukasz.pcapng"
cp "$capture.usbmon" "$room/陳怡君.usbmon"
sed 's/= 42000000 /= 43000000 /' "$capture.usbmon" >"$room/wrong-step.usbmon"
printf '{"ms":0,"report":[0,1,0,' >"$room/cut.jsonl"

# Wine hands a page to the desktop's browser through xdg-open: here one that notes the page.
mkdir "$work/desktop"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$work/opened" >"$work/desktop/xdg-open"
chmod +x "$work/desktop/xdg-open"
PATH=$work/desktop:$PATH "$wine" start /wait /unix "$exe" "$(windows "$room")" &
pid=$!
window=$(wait_for 'station-check')
await yes eval '[ -s "$work/room.html" ] && [ -s "$work/room.csv" ] && echo yes' ||
  fail "no room.html and room.csv beside the dropped folder: $(ls "$work")"
await yes eval 'grep -q "room.html" "$work/opened" 2>/dev/null && echo yes' ||
  fail "the page was not handed to the browser: $(cat "$work/opened" 2>/dev/null)"
kill -0 $pid 2>/dev/null || fail "the window closed before a key was pressed"
[ -n "$window" ] || fail "no console window of its own appeared"
xdotool mousemove --window "$window" 40 40 click 1 key space 2>/dev/null
await gone eval 'kill -0 $pid 2>/dev/null || echo gone' || fail "a key did not close the window"
wait $pid
seen=$?
pid=""
[ $seen -eq 2 ] || fail "the dropped room ended with $seen, not 2 for its cut session"
grep -q '陳怡君' "$work/room.html" || fail "the report lacks a name outside the code page"
"$linux" --csv "$work/linux.csv" "$room" >/dev/null
cmp -s "$work/linux.csv" "$work/room.csv" ||
  fail "room.csv is not the Linux program's: $(diff "$work/linux.csv" "$work/room.csv")"

# In a command prompt: files named one by one, the table on standard output.
files=("$room/Łukasz.pcapng" "$room/陳怡君.usbmon" "$room/wrong-step.usbmon")
got=$("$wine" "$exe" --csv "$(windows "$work/files.csv")" \
  "$(windows "${files[0]}")" "$(windows "${files[1]}")" "$(windows "${files[2]}")" | tr -d '\r')
seen=${PIPESTATUS[0]}
expected=$("$linux" --csv "$work/linux-files.csv" "${files[@]}")
[ $seen -eq 1 ] && [ "$got" = "$expected" ] ||
  fail "station-check.exe on three files ended with $seen, saying: $got; on Linux: $expected"
cmp -s "$work/files.csv" "$work/linux-files.csv" || fail "the files' CSV is not the Linux program's"
[ $status -eq 0 ] && echo "PASS"
exit $status
