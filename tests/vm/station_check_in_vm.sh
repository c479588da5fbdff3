#!/usr/bin/env bash
# A whole session of Orlanek with the production library, recorded on a real kernel by the
# virtual board and judged by station-check: exercise 7 with the board pulled out and put back
# during its run, the red walk, EXIT and the menu closed. The session passes, and the library's
# own log of it (VARNEL_SESSION_LOG) checks the same as the board's record. Given a capture
# file, the session's USB traffic is also captured there from usbmon (a board made with
# VIRTUAL_BOARD_OPTIONS=--usb) and checks the same as the board's own record.
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

kill $monitor
wait $monitor 2>/dev/null
usbmon_form=$("$checker" --tolerance 250 --usbmon --exercise 7 "$capture")
[ "$(same <<<"$usbmon_form")" = "$(same <<<"$json_form")" ] ||
  fail "usbmon: $usbmon_form"$'\n'"JSON: $json_form"
