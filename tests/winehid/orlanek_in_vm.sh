#!/usr/bin/env bash
# Orlanek.exe and the shipped Varnel.dll under Wine, over Wine's own HID stack, against a virtual
# board, clicked as a person does: exercise 3 shows 3, 6, 12 ... 192, then 0 on the board's green
# row, one a second; "Red LED" walks the red row; "EXIT" darkens it; the run window's circles
# turn hollow the second after the board is unplugged.
# Usage (inside the VM, on a display: tests/e2e/with_display.sh): orlanek_in_vm.sh WIN32-BUILD
#        (WINEPREFIX set, udevd running, VIRTUAL_BOARD naming the virtual-board program)
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid=""
source "$here/boards.sh"
export STATION_CLASS=orlanek.exe STATION_SETTLE=3
source "$here/../e2e/station.sh"
trap 'kill $pid 2>/dev/null; unplug_all' EXIT
fail() { echo "FAIL: $*"; tail -n 12 "$work/station.json"; exit 1; }

plug station
cd "$build/bin" || fail "no $build/bin"
wine Orlanek.exe >"$work/wine.log" 2>&1 &
pid=$!
menu=$(wait_for "")
[ -n "$menu" ] || fail "the menu window did not appear: $(cat "$work/wine.log")"
sleep "$settle"
choose_exercise 3
[ -n "$run" ] || fail "the run window of exercise 3 did not appear"

click_run_button green
await '*192 0*' rows_after station 0 green || fail "green row: $(rows_after station 0 green)"
[[ "$(rows_after station 0 green)" == "3 6 12 24 48 96 192 0"* ]] ||
  fail "green row: $(rows_after station 0 green)"
# One report a tick: the seven steps from 3 to 0 take about seven seconds.
read -r first last <<<"$(report_times station 0 | head -n 8 | sed -n '1p;8p' | xargs)"
span=$(awk -v a="$first" -v b="$last" 'BEGIN { printf "%.1f", b - a }')
awk -v s="$span" 'BEGIN { exit !(s >= 5.6 && s <= 9.8) }' ||
  fail "the green row's eight steps took $span s, not about 7 s"
echo "the green row's eight steps took $span s"

click_run_button red
await '*128*' rows_after station 48 red || fail "red row: $(rows_after station 48 red)"
[[ "$(rows_after station 48 red)" == *"0 1 2 4 8 16 32 64 128"* ]] ||
  fail "red row: $(rows_after station 48 red)"

# EXIT latches 0 into the red row and brings the menu back.
before=$(reports station | wc -l)
click_run_button exit
await_report station '[0,0,32,0,0,0,0,0,0],"length":9' ||
  fail "no red clear after EXIT: $(reports station | tail -n 3)"
reports station | tail -n +$((before + 1)) | grep -q '^\[0,0,48,' ||
  fail "no red strobe of 0 after EXIT: $(reports station | tail -n +$((before + 1)))"
[ "$(last_rows station | cut -d' ' -f2)" = 0 ] || fail "the red row shows $(last_rows station) after EXIT"
# Without a window manager Wine takes 2 s to hide the run window.
back=""
for _ in $(seq 50); do
  back=$(xdotool search --onlyvisible --class "$class" 2>/dev/null | grep -x "$menu")
  [ -n "$back" ] && break
  sleep 0.2
done
[ -n "$back" ] || fail "the menu did not come back after EXIT"

# The run window again, idle: its circles filled while the board is in, hollow once it is out.
sleep "$settle"
choose_exercise 3
[ -n "$run" ] || fail "the run window did not appear the second time"
await_circles 0000000000000000 || fail "the circles are not all filled: $(circles)"
unplug station
start=$EPOCHREALTIME
await_circles 1111111111111111 || fail "the circles did not all turn hollow: $(circles)"
echo "the circles turned hollow $(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }') s after the unplug"
echo "PASS: Orlanek.exe played over Wine's HID stack"
