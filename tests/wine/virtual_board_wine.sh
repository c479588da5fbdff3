#!/usr/bin/env bash
# virtual-board.exe standing in for the LED board under Wine, found by the real Varnel.dll over
# the setupapi.dll and hid.dll doubles:
# - with only other devices on the doubles' bus, the virtual board comes after them and is the
#   one opened; with the board on the bus too, the board is opened; stopped while a program
#   holds it, it does not hold the program; killed, it is a board pulled out; with no virtual board running, nothing is added (the
#   figures say what looking for it costs);
# - on an empty bus, Orlanek.exe plays exercise 3 on the virtual board, which is pulled out by
#   its button during the run (Orlanek's circles turn hollow), and its JSON passes station-check;
# - in a second run, its window shows the green row last sent; then virtual-board.exe is killed:
#   Orlanek goes on with hollow circles, the JSON written so far reads whole, and a virtual board
#   started again is found at the next tick;
# - at 144 dpi its window is half as large again as at 96 (its picture then in SHOT-DIR).
# Usage: virtual_board_wine.sh TEST-DIR BIN-DIR STATION-CHECK [SHOT-DIR]
#        (on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE may name Wine's loader)
set -uo pipefail
dir=$1 bin=$2 checker=$3 shots=${4:-}
[ -x "$checker" ] || { echo "FAIL: no $checker (the native build makes it)"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid="" board="" dpi=""
trap 'kill $pid $board 2>/dev/null; [ -z "$dpi" ] || set_dpi 96; wineserver -k 2>/dev/null
  rm -rf "$work"' EXIT
export STATION_CLASS=orlanek.exe STATION_SETTLE=2 WINEDLLOVERRIDES=setupapi,hid=n
source "$here/../e2e/station.sh"
source "$here/../e2e/checked_session.sh"
wine=${WINE:-wine}
fail() { echo "FAIL: $*"; exit 1; }

# start_board LOG: virtual-board.exe writing LOG; sets $board and $board_window.
start_board() {
  : >"$1"
  "$wine" "$bin/virtual-board.exe" --json "Z:$1" >>"$work/board.log" 2>&1 &
  board=$!
  await_line '"plugged"' "$1" || fail "the virtual board did not start: $(cat "$work/board.log")"
  board_window=$(wait_for "Virtual LED board")
  [ -n "$board_window" ] || fail "the virtual board's window did not appear"
}
# The button across the bottom of the virtual board's window pulls it out and puts it back.
press_board_button() {
  local width height
  read -r width height <<<"$(xdotool getwindowgeometry "$board_window" |
    awk '/Geometry/ { sub("x", " ", $2); print $2 }')"
  xdotool mousemove --window "$board_window" $((width / 2)) $((height - 30)) click 1
}

# session COMMAND...: varnel_session's answers, on one line.
session() {
  (cd "$dir" && printf '%s\n' "$@" | "$wine" varnel_session.exe 2>/dev/null) | tr -d '\r' |
    tail -n +2 | xargs
}

# size WINDOW: its client area, WIDTHxHEIGHT.
size() { xdotool getwindowgeometry "$1" | awk '/Geometry/ { print $2 }'; }

start_board "$work/alone.jsonl"
at_96=$(size "$board_window")
answers=$(HID_BUS_OTHERS=1 session count 'id 2' 'open 1234 6789' 'out 5 0' close)
[ "$answers" = "3 12346789 -1 sent closed" ] || fail "other devices and the virtual board: $answers"
grep -q '"report":\[0,5,0,0,0,0,0,0,0\]' "$work/alone.jsonl" ||
  fail "the virtual board did not get 5: $(cat "$work/alone.jsonl")"
answers=$(HID_BUS_BOARD=1 HID_BUS_REPORT_LOG="Z:$work/reports" session count 'open 1234 6789' \
  'out 6 0' close)
[ "$answers" = "2 -1 sent closed" ] || fail "the board and the virtual board: $answers"
awk '$2 == 6 && $3 == 0' "$work/reports" | grep -q . || fail "the board did not get 6: $(cat "$work/reports")"
grep -q '"report":\[0,6,' "$work/alone.jsonl" && fail "the virtual board got 6, not the board"
# Its key pulls it out and puts it back, as its button does.
xdotool windowfocus --sync "$board_window" key u
await_line '"unplugged"' "$work/alone.jsonl" || fail "the key U did not pull the board out"
[ "$(HID_BUS_OTHERS=1 session count)" = 2 ] || fail "the board pulled out is still listed"
xdotool windowfocus --sync "$board_window" key u
await '2' grep -c '"plugged"' "$work/alone.jsonl" || fail "the key U did not put the board back"

# The virtual board killed while a program holds it open: the report goes nowhere without
# harm, and the next open finds no board.
coproc held { cd "$dir" && exec "$wine" varnel_session.exe 2>/dev/null; }
ask() {
  local answer=""
  [ -z "$1" ] || echo "$1" >&"${held[1]}"
  read -r -t 30 answer <&"${held[0]}"
  echo "${answer%$'\r'}"
}
[ "$(ask '')" = ready ] && [ "$(ask 'open 1234 6789')" = -1 ] || fail "no virtual board to hold"
# A virtual board that stops answering does not hold the program: the report gives up, and the
# board answers again once it goes on.
kill -STOP "$board"
answers="$(ask 'out 5 0') $(ask close)"
kill -CONT "$board"
[ "$answers" = "sent closed" ] || fail "with the virtual board stopped: $answers"
[ "$(ask 'open 1234 6789')" = -1 ] || fail "the virtual board was not found after it went on"
kill -KILL "$board"
wait "$board" 2>/dev/null
answers="$(ask 'out 5 0') $(ask close) $(ask 'open 1234 6789') $(ask close)"
[ "$answers" = "sent closed 0 closed" ] || fail "after the virtual board vanished: $answers"
exec {held[1]}>&-
wait
answers=$(HID_BUS_OTHERS=1 session count 'open 1234 6789')
[ "$answers" = "2 0" ] || fail "with no virtual board running: $answers"
cycle=$(HID_BUS_BOARD=1 session 'cycles 300 1234 6789')
# The look the library makes at every set it acquires, for the board's presence event.
look=$(session 'openevent 300 Local\varnel-virtual-board')
echo "figure: wine_open_close_cycle $cycle us"
echo "figure: wine_virtual_board_absent_look $look us"
# An open with the board at member index 0 acquires three sets, each with one look; the share
# of the open and close over the doubles (far quicker than a system's HID stack), and of the
# second between two ticks.
awk -v l="$look" -v c="$cycle" 'BEGIN {
  printf "figure: wine_virtual_board_absent_share_of_open %.1f percent\n", 300 * l / c
  printf "figure: wine_virtual_board_absent_share_of_tick %.4f percent\n", 3 * l / 1e4 }'


# Orlanek.exe on an empty bus, the virtual board its only board.
start_orlanek() {
  (cd "$dir" && exec "$wine" Orlanek.exe >>"$work/wine.log" 2>&1) &
  pid=$!
  menu=$(wait_for "")
  [ -n "$menu" ] || fail "the menu window did not appear: $(cat "$work/wine.log")"
  sleep "$settle"
}
log=$work/session.jsonl
unplug_board() {
  [ "$(circles)" = 0000000000000000 ] || fail "Orlanek's circles are not filled: $(circles)"
  press_board_button
  await_line '"unplugged"' "$log" || fail "the button did not pull the board out"
  local start=$EPOCHREALTIME
  await_circles 1111111111111111 || fail "Orlanek's circles did not turn hollow: $(circles)"
  echo "Orlanek's circles turned hollow $(awk -v a="$start" -v b="$EPOCHREALTIME" \
    'BEGIN { printf "%.1f", b - a }') s after the board was pulled out"
}
plug_board() { press_board_button; }
end_orlanek() { kill "$pid"; }
x_close=end_orlanek
start_board "$log"
start_orlanek
play_checked_session 3 "$log" replug || fail "$why"
# Wine's timer on a shared machine runs rough: ticks may come late.
verdict=$("$checker" --exercise 3 --tolerance 499 "$log") || fail "station-check: $verdict"
echo "$verdict" | tail -n 1
# One virtual board a desktop: a second one says so and ends.
"$wine" "$bin/virtual-board.exe" >"$work/second.log" 2>&1
[ $? -eq 1 ] && grep -q 'Another virtual board is running' "$work/second.log" ||
  fail "a second virtual board: $(cat "$work/second.log")"
kill "$board"
wait "$board" 2>/dev/null

# The virtual board's green row as its window shows it, bit 7 first: 1 lit, 0 dark.
shown_green() {
  import -window "$board_window" "$work/board.png" 2>/dev/null &&
    convert "$work/board.png" txt:- | awk '
      /^#/ { next }
      { split($1, at, "[,:]"); colour = substr($3, 1, 7) }
      colour == "#00FF00" || colour == "#008000" {
        lit[at[2], at[1]] = colour == "#00FF00"
        if (++count[at[2]] > most) { most = count[at[2]]; row = at[2] }
        if (at[1] > right) right = at[1]
      }
      END {
        for (x = 0; x <= right; x++)
          if ((row, x) in lit && !((row, x - 1) in lit)) printf "%d", lit[row, x]
        print ""
      }'
}
last_green() {
  local value
  value=$(grep '"report"' "$log" | tail -n 1 | sed 's/.*"green":\([0-9]*\).*/\1/')
  for bit in 7 6 5 4 3 2 1 0; do printf '%d' $((value >> bit & 1)); done
}
log=$work/killed.jsonl
start_board "$log"
start_orlanek
choose_exercise 3
[ -n "$run" ] || fail "the run window of exercise 3 did not appear"
click_run_button green
await '[3-9]' green_writes "$log" || fail "no third step: $(cat "$log")"
# A picture taken while no report came (the window repaints a moment after one comes).
for _ in $(seq 10); do
  sent=$(last_green)
  shown=$(shown_green)
  [ "$shown" = "$sent" ] && [ "$sent" = "$(last_green)" ] && break
done
[ "$shown" = "$sent" ] || fail "the virtual board shows $shown after $sent was sent"
echo "the virtual board's window shows $shown, the green row last sent"
[ -z "$shots" ] || cp "$work/board.png" "$shots/virtual-board-window.png"

kill -KILL "$board"
wait "$board" 2>/dev/null
await_circles 1111111111111111 || fail "Orlanek's circles did not turn hollow: $(circles)"
kill -0 "$pid" 2>/dev/null || fail "Orlanek ended with the virtual board"
"$checker" --exercise 3 "$log" >/dev/null
[ $? -ne 2 ] || fail "the JSON of the killed board does not read whole: $(tail -n 2 "$log")"
start_board "$work/again.jsonl"
await_circles 0000000000000000 || fail "the virtual board started again was not found: $(circles)"
await_line '"report"' "$work/again.jsonl" || fail "no report reached the new virtual board"
kill -0 "$pid" 2>/dev/null || fail "Orlanek ended"

kill "$pid" "$board"
wineserver -k
wait "$pid" "$board" 2>/dev/null
dpi=144
set_dpi $dpi
start_board "$work/144.jsonl"
at_144=$(size "$board_window")
[ "$at_144" = "$((${at_96%x*} * 3 / 2))x$((${at_96#*x} * 3 / 2))" ] ||
  fail "the virtual board's window is $at_144 at 144 dpi, $at_96 at 96"
[ -z "$shots" ] || import -window "$board_window" "$shots/virtual-board-window-144dpi.png"
echo "PASS: the virtual board was found, played exercise 3, was pulled out, ended, and scaled to 144 dpi"
