#!/usr/bin/env bash
# station-check.exe under Wine: a real session of Orlanek with a board on USB, captured by
# dumpcap (pcapng), as usbmon text, as virtual-board's JSON lines and as a capture on standard
# input, is judged PASS; the same with one step gone wrong FAIL; small captures of each link type
# (pcap, pcapng; USBPcap and usbmon) are read. Each verdict is word for word the Linux program's
# where that is given. A capture dropped onto the program in Explorer (a console window of its
# own) gets its picture beside it, the Linux program's to the byte, and the window stays until a
# key is pressed.
# Usage: station_check_wine.sh EXE SOURCE-DIR [LINUX-STATION-CHECK]
#        (on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE may name Wine's loader;
#        STATION_CHECK_BRIEF: two verdicts only)
set -uo pipefail
exe=$1 source=$2 linux=${3:-}
wine=${WINE:-wine}
work=$(mktemp -d)
pid=""
trap 'kill $pid 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
source "$source/tests/e2e/station.sh"
status=0
fail() { echo "FAIL: $*"; status=1; }

data=$source/tests/tools/data seeds=$source/tests/fuzz/corpus/station_capture
capture=$data/orlanek-exercise-7-on-usb.usbmon
sed 's/= 42000000 /= 43000000 /' "$capture" >"$work/wrong-step.usbmon"
# The same session as the board's JSON lines: each SET_REPORT(Feature) a report, the board's new
# address a plug-in after it was pulled out.
awk 'function byte(hex) {
    return index(hexits, substr(hex, 1, 1)) * 16 + index(hexits, substr(hex, 2, 1)) - 17
  }
  BEGIN { hexits = "0123456789abcdef" }
  $3 == "S" && $6 == "21" && $7 == "09" && $8 ~ /^03/ {
    split($4, at, ":")
    if (origin == "") origin = $2
    ms = int(($2 - origin) / 1000)
    if (address != "" && at[3] != address)
      printf "{\"ms\":%d,\"event\":\"unplugged\"}\n{\"ms\":%d,\"event\":\"plugged\"}\n",
        last + 1, ms
    address = at[3]; last = ms; bytes = $13 $14; report = byte(substr($8, 3, 2))
    for (i = 1; i <= 16; i += 2) report = report "," byte(substr(bytes, i, 2))
    printf "{\"ms\":%d,\"report\":[%s]}\n", ms, report
  }' "$capture" >"$work/session.jsonl"

[ -z "$linux" ] || [ -x "$linux" ] || { echo "FAIL: no $linux to compare the verdicts with"; exit 1; }
# judge EXPECTED-STATUS VERDICT-PATTERN ARG...: station-check.exe's verdict on the arguments.
judge() {
  local expected=$1 pattern=$2 got seen
  shift 2
  got=$("$wine" "$exe" "$@" 2>&1 | tr -d '\r')
  seen=${PIPESTATUS[0]}
  [ "$seen" = "$expected" ] && [[ "$got" == $pattern ]] ||
    fail "station-check.exe $* ended with $seen, saying: $got"
  [ -z "$linux" ] || [ "$got" = "$("$linux" "$@" 2>&1)" ] ||
    fail "station-check.exe $* said: $got; on Linux: $("$linux" "$@" 2>&1)"
}
judge 0 'exercise 7 *PASS' "$data/orlanek-exercise-7-on-usb.pcapng"
judge 1 '*green run of exercise 7: BROKEN*FAIL' "$work/wrong-step.usbmon"
# STATION_CHECK_BRIEF: these two verdicts only (a build whose every form the other checks).
if [ -n "${STATION_CHECK_BRIEF:-}" ]; then
  [ $status -eq 0 ] && echo "PASS (a capture and usbmon text)"
  exit $status
fi
judge 0 'exercise 7 *PASS' "$capture"
judge 0 'exercise 7 *PASS' "$work/session.jsonl"
for seed in usbpcap.pcap usbmon.pcap usbmon-mmapped.pcapng; do
  judge 1 '*report form: held - 2 reports*FAIL' "$seeds/$seed"
done
got=$("$wine" "$exe" - <"$data/orlanek-exercise-7-on-usb.pcapng" 2>&1 | tr -d '\r')
[[ "$got" == 'exercise 7 '*PASS ]] || fail "a capture on standard input: $got"

# Dropped onto the program: its one argument the capture's full Windows path (here with a space
# and a letter outside the system's code page).
mkdir "$work/exam room"
cp "$data/orlanek-exercise-7-on-usb.pcapng" "$work/exam room/Łukasz.pcapng"
"$wine" start /wait /unix "$exe" "Z:$(tr / '\\' <<<"$work/exam room/Łukasz.pcapng")" &
pid=$!
window=$(wait_for 'station-check')
await yes eval '[ -s "$work/exam room/Łukasz.png" ] && echo yes' ||
  fail "no picture beside the dropped file: $(ls "$work/exam room")"
[ "$(head -c 4 "$work/exam room/Łukasz.png" | od -An -c | tr -d ' ')" = '211PNG' ] ||
  fail "the picture is no PNG file"
for _ in $(seq 10); do
  kill -0 $pid 2>/dev/null || { fail "the window closed before a key was pressed"; break; }
  sleep 0.1
done
[ -n "$window" ] || fail "no console window of its own appeared"
xdotool mousemove --window "$window" 40 40 click 1 key space 2>/dev/null
await gone eval 'kill -0 $pid 2>/dev/null || echo gone' || fail "a key did not close the window"
wait $pid || fail "the dropped session was not judged PASS (status $?)"
pid=""
[ -z "$linux" ] || { "$linux" --picture "$work/linux.png" "$work/exam room/Łukasz.pcapng" &&
  cmp -s "$work/linux.png" "$work/exam room/Łukasz.png"; } >/dev/null ||
  fail "the picture is not the one the Linux program draws"
[ $status -eq 0 ] && echo "PASS"
exit $status
