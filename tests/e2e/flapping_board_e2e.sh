#!/usr/bin/env bash
# Orlanek in a green run against a simulated board pulled out and plugged in again after every
# tick, for SECONDS (60 unless given): each tick's screen shows the LEDs filled exactly when that
# tick found the board and sent to it, the clock moves on every tick, the program holds no more
# files at the end than after its first ticks and ends with status 0 when closed. Prints its
# resident memory before and after as figures.
# Usage: flapping_board_e2e.sh BIN-DIR SIM-LIBRARY-DIR TEST-BIN-DIR [SECONDS]
#        (on a display: with_display.sh)
set -euo pipefail
bin=$1 sim=$2 test_bin=$3 seconds=${4:-60}
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "$0")/station.sh"
fail() { echo "FAIL: $*"; exit 1; }

# The clock's box and the middle of the leftmost red LED, in pixels of the run window.
clock_box=433x105+64+40
red_led=1x1+293+195
screen() { import -window "$run" -crop "$1" -depth 8 rgb:- 2>/dev/null; }
clock() { screen "$clock_box" | md5sum; }
# The red row is dark all along: its LEDs drawn filled show the dark red of &H80.
led_filled() { [ "$(screen "$red_led" | od -An -tu1 | xargs)" = "128 0 0" ]; }
reports() { if [ -f "$work/reports" ]; then wc -l <"$work/reports"; else echo 0; fi; }
open_files() { ls "/proc/$pid/fd" | wc -l; }
resident_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$pid/status"; }

start_station "$bin" "$sim"
[ -n "$menu" ] || fail "the menu window did not appear"
choose_exercise 9
[ -n "$run" ] || fail "the run window of exercise 9 did not appear"
click_run_button green

last_clock=$(clock)
# await_tick: waits up to 5 s for the next tick to show on screen.
await_tick() {
  local now _
  for _ in $(seq 50); do
    now=$(clock)
    [ "$now" != "$last_clock" ] && last_clock=$now && return 0
    sleep 0.1
  done
  return 1
}

ticks=0 found=0 missed=0
for tick in $(seq "$seconds"); do
  sent=$(reports)
  await_tick || fail "the clock stood still after tick $ticks"
  ticks=$((ticks + 1))
  if [ "$(reports)" -gt "$sent" ]; then
    led_filled || fail "tick $tick sent to the board but drew its LEDs hollow"
    found=$((found + 1))
    rm -f "$work/plugged"
  else
    led_filled && fail "tick $tick found no board but drew its LEDs filled"
    missed=$((missed + 1))
    touch "$work/plugged"
  fi
  if [ "$tick" -eq 3 ]; then
    files_before=$(open_files)
    resident_before=$(resident_kib)
  fi
done
files_after=$(open_files)
resident_after=$(resident_kib)
[ "$found" -ge $((seconds / 4)) ] && [ "$missed" -ge $((seconds / 4)) ] ||
  fail "the board did not flap: found on $found ticks, missed on $missed"
[ "$files_after" -eq "$files_before" ] ||
  fail "open files grew from $files_before to $files_after"

close_and_wait "$test_bin/x-close" "$menu"
[ "$status" -eq 0 ] || fail "exit status $status after closing the menu"
echo "figure: orlanek_flapping_ticks $ticks ticks ($found with the board)"
echo "figure: orlanek_flapping_rss_before $resident_before KiB"
echo "figure: orlanek_flapping_rss_after $resident_after KiB"
echo "PASS: the LEDs followed a board that flapped every tick, the clock ran, no file was left open"
