#!/usr/bin/env bash
# A whole session of Orlanek with the production library, recorded on a real kernel by the
# virtual board and judged by station-check: exercise 7 with the board pulled out and put back
# during its run, the red walk, EXIT and the menu closed. The session passes, and the library's
# own log of it (VARNEL_SESSION_LOG) checks the same as the board's record. Given a capture
# file, the session's USB traffic is also captured there from usbmon (a board made with
# VIRTUAL_BOARD_OPTIONS=--usb), as text and by dumpcap as pcapng (CAPTURE.pcapng, and judged
# live from dumpcap's standard output), and all check the same as the board's own record.
# Usage: station_check_in_vm.sh BUILD-DIR [USBMON-CAPTURE]
set -uo pipefail
build=$1
capture=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
checker=$build/bin/station-check x_close=$build/tests/bin/x-close
fail() { echo "FAIL: $*"; tail -n 20 "$work/session.jsonl"; exit 1; }
source "$here/board_and_display.sh"
if [ -n "$capture" ]; then
  cat /sys/kernel/debug/usb/usbmon/0u >"$capture" &
  monitor=$!
  # dumpcap's pcapng goes to station-check live, on standard input, and into a file.
  mkfifo "$work/stream"
  tee "$capture.pcapng" <"$work/stream" | "$checker" --tolerance 250 --exercise 7 >"$work/live" &
  dumpcap -q -i usbmon0 -w - 2>"$work/dumpcap" >"$work/stream" &
  dumpcap=$!
  # dumpcap writes the capture's header once it captures.
  for _ in $(seq 100); do [ -s "$capture.pcapng" ] && break; sleep 0.1; done
  [ -s "$capture.pcapng" ] || fail "dumpcap did not start: $(cat "$work/dumpcap")"
fi
start_board_and_display "$work/session.jsonl" 8

export STATION_SETTLE=3
source "$here/../e2e/station.sh"
source "$here/../e2e/checked_session.sh"
unplug_board() { kill -USR1 $board; }
plug_board() { kill -USR1 $board; }
start_station "$build/bin" "$build/bin" env VARNEL_SESSION_LOG="$work/library.jsonl"
[ -n "$menu" ] || fail "the menu window did not appear"
play_checked_session 7 "$work/session.jsonl" replug || fail "$why"
[ "$status" -eq 0 ] || fail "Orlanek ended with status $status"
grep -q '"event":"unplugged"' "$work/session.jsonl" || fail "the board was not pulled out"
# This machine's CPU is emulated and shares the host's cores: its one-second timer may run
# late by more than a real PC's would, so the cadence is judged with a wider allowance.
json_form=$("$checker" --tolerance 250 --exercise 7 "$work/session.jsonl") ||
  fail "station-check: $json_form"
# Other forms hold every report and give the same verdict, rule by rule; the times (and the
# plug-ins usbmon cannot see, such as the board's first) may differ.
same() { sed -e '/^rule 1,/!s/ - .*//'; }
library_form=$("$checker" --tolerance 250 --exercise 7 "$work/library.jsonl")
[ "$(same <<<"$library_form")" = "$(same <<<"$json_form")" ] ||
  fail "the library's log: $library_form"$'\n'"the board's: $json_form"
[ -n "$capture" ] || exit 0

kill $monitor $dumpcap
wait $monitor $dumpcap 2>/dev/null
# The live check gives its verdict once dumpcap's stream has ended.
for _ in $(seq 100); do grep -qx 'PASS\|FAIL' "$work/live" && break; sleep 0.1; done
for form in "$capture" "$capture.pcapng" live; do
  if [ $form = live ]; then
    form_verdict=$(cat "$work/live")
  else
    form_verdict=$("$checker" --tolerance 250 --exercise 7 "$form")
  fi
  [ "$(same <<<"$form_verdict")" = "$(same <<<"$json_form")" ] ||
    fail "$(basename "$form"): $form_verdict"$'\n'"JSON: $json_form"
done
