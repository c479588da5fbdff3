#!/usr/bin/env bash
# A room's report opened in Debian's Chromium, headless: every session has its row and its
# section, every judged one its picture, a name is shown as text and never read as markup, and
# printed on A4 each session takes a sheet of its own after the table's. A report that cannot be
# written stops station-check before it judges.
# Usage: station_room_e2e.sh STATION-CHECK SOURCE-DIR [SCREENSHOT.png]
#        (SCREENSHOT: the page's top as docs/room-report.png shows it)
set -uo pipefail
station_check=$1 data=$2/tests/tools/data shot=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

exam=$work/exam
mkdir "$exam"
capture=$data/orlanek-exercise-7-on-usb
cp "$capture.pcapng" "$exam/01 陳怡君.pcapng"
cp "$capture.usbmon" "$exam/02 林志明.usbmon"
cp "$capture.usbmon" "$exam/03 Wang Wei.usbmon"
sed 's/= 42000000 /= 43000000 /' "$capture.usbmon" >"$exam/04 黃雅婷.usbmon"
cp "$capture.pcapng" "$exam/05 O'Brien <Sean>.pcapng"
printf '{"ms":0,"report":[0,1,0,' >"$exam/06 張家豪.jsonl"
printf 'Candidate,Exercise\n' >"$work/class.csv"
for name in "01 陳怡君" "02 林志明" "03 Wang Wei" "04 黃雅婷" "05 O'Brien <Sean>" "06 張家豪" \
  "07 李淑芬"; do
  printf '"%s",7\n' "$name" >>"$work/class.csv"
done

"$station_check" --class "$work/class.csv" --report "$work/room.html" --csv "$work/room.csv" \
  "$exam" >"$work/table.txt" 2>&1
seen=$?
[ $seen -eq 2 ] || fail "station-check ended with $seen, not 2 for a room with a cut session: $(cat "$work/table.txt")"

# A report that cannot be written stops the run before any session is judged.
"$station_check" --report "$work/no such folder/room.html" "$exam" >"$work/stopped.txt" 2>&1
seen=$?
[ $seen -eq 2 ] && [ "$(cat "$work/stopped.txt")" = "station-check: cannot write $work/no such folder/room.html" ] ||
  fail "an unwritable report: status $seen, saying: $(cat "$work/stopped.txt")"

browse() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --no-first-run --user-data-dir="$work/profile" "$@" \
    "file://$work/room.html" 2>>"$work/chromium.log"
}
browse --dump-dom >"$work/dom.html" || fail "chromium could not open the page: $(cat "$work/chromium.log")"
count() { grep -o "$1" "$work/dom.html" | wc -l; }
rows=$(count '<tr><td><a href="#session-') sections=$(count '<section id="session-')
pictures=$(count '<svg ')
[ "$rows" -eq 7 ] && [ "$sections" -eq 7 ] ||
  fail "the page shows $rows rows and $sections sections for 7 candidates"
[ "$pictures" -eq 5 ] || fail "the page shows $pictures pictures for the 5 sessions judged"
grep -q '陳怡君' "$work/dom.html" || fail "a Chinese name is not shown as it is written"
grep -q '&lt;Sean&gt;' "$work/dom.html" && ! grep -qi '<sean>' "$work/dom.html" ||
  fail "a name was read as markup: $(grep -o '05 O.\{0,30\}' "$work/dom.html" | head -n 1)"

browse --print-to-pdf="$work/room.pdf" --no-pdf-header-footer ||
  fail "chromium could not print the page: $(cat "$work/chromium.log")"
sheets=$(grep -ao '/Type /Page\b' "$work/room.pdf" | wc -l)
[ "$sheets" -eq 8 ] || fail "printed on $sheets sheets, not the table's and one for each of 7"
if [ -n "$shot" ]; then
  browse --screenshot="$shot" --hide-scrollbars --window-size=1000,900 ||
    fail "chromium took no screenshot"
fi
[ $status -eq 0 ] && echo "PASS"
exit $status
