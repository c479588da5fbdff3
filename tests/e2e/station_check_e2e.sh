#!/usr/bin/env bash
# Orlanek's own sessions judged by station-check: the ten exercises recorded side by side, each
# Orlanek on a display and a simulated board of its own (exercise 5's board pulled out and put
# back during its run), and every session passes, as the board saw it and as the library logged
# it (VARNEL_SESSION_LOG), while varnelctl's green write logged as a station fails. A usbmon
# capture of that session checks the same as its JSON form, and input that cannot be read ends
# station-check with status 2, naming the line.
# Usage: station_check_e2e.sh BIN-DIR SIM-LIBRARY-DIR TEST-BIN-DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/station.sh"

if [ "$1" = --one ]; then
  # One session, on the display with_display.sh gave it: --one N WORK BIN-DIR SIM TEST-BIN-DIR
  n=$2 work=$3 bin=$4 sim=$5
  checker=$bin/station-check x_close=$6/x-close
  source "$here/checked_session.sh"
  pid=""
  trap 'kill $pid 2>/dev/null' EXIT
  unplug_board() {
    rm -f "$work/plugged"
    await '*unplugged*' cat "$work/session.jsonl"
  }
  plug_board() { touch "$work/plugged"; }
  start_station "$bin" "$sim" env SIMBUS_SESSION_LOG="$work/session.jsonl" \
    VARNEL_SESSION_LOG="$work/library.jsonl"
  [ -n "$menu" ] || { echo "the menu window did not appear" >"$work/why"; exit 1; }
  play_checked_session "$n" "$work/session.jsonl" "$([ "$n" = 5 ] && echo replug)" ||
    { echo "$why" >"$work/why"; exit 1; }
  [ "$status" -eq 0 ] || { echo "Orlanek ended with status $status" >"$work/why"; exit 1; }
  exit 0
fi

bin=$1 sim=$2 test_bin=$3
checker=$bin/station-check
work=$(mktemp -d)
sessions=()
trap 'kill "${sessions[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
# started N: whether session N has begun, or ended without beginning.
started() {
  [ -e "$work/$1/session.jsonl" ] || [ -e "$work/$1/why" ] || ! kill -0 "${sessions[$1 - 1]}" 2>/dev/null &&
    echo yes
}

# Each starts once the one before has chosen its exercise (its session begins): ten programs
# starting at once on a small machine would hold up the ticks of those already running.
# A program that finds no display at its start is given a second one.
for n in $(seq 10); do
  mkdir "$work/$n"
  for _ in 1 2; do
    rm -f "$work/$n/why"
    "$here/with_display.sh" "$0" --one "$n" "$work/$n" "$bin" "$sim" "$test_bin" &
    sessions[n - 1]=$!
    await 'yes' started "$n" || break
    grep -qs 'did not appear' "$work/$n/why" || break
  done
done
for n in $(seq 10); do
  wait "${sessions[n - 1]}" || fail "exercise $n: $(cat "$work/$n/why" 2>/dev/null)"
done
sessions=()
for n in $(seq 10); do
  log=$work/$n/session.jsonl
  verdict=$("$checker" "$log") || fail "exercise $n: $verdict"
  [[ "$verdict" == "exercise $n (by the steps seen)"*PASS ]] || fail "exercise $n: $verdict"
done
grep -q '"event":"unplugged"' "$work/5/session.jsonl" || fail "exercise 5's board was not pulled out"
rules() { sed 's/ - .*//'; }

# The library's own log of each session (VARNEL_SESSION_LOG) is judged as the board's is, rule
# by rule; a program that lights the green row at once, without clearing the red row after
# the plug-in, fails.
for n in $(seq 10); do
  board=$("$checker" --exercise "$n" "$work/$n/session.jsonl" | rules)
  library=$("$checker" --exercise "$n" "$work/$n/library.jsonl" | rules)
  [ "$library" = "$board" ] || fail "exercise $n: the library's log gave $library, the board's $board"
done
touch "$work/plugged"
LD_LIBRARY_PATH=$sim SIMBUS_BOARD_FILE=$work/plugged VARNEL_SESSION_LOG=$work/varnelctl.jsonl \
  "$bin/varnelctl" green 3
verdict=$("$checker" --exercise 3 "$work/varnelctl.jsonl")
[ $? -eq 1 ] && [[ "$verdict" == *FAIL ]] || fail "varnelctl green 3 as a station: $verdict"

# The same session as usbmon would have caught it from a board on USB: each report a
# SET_REPORT(Feature) with its 8 data bytes, the board at a new address after it was plugged in
# again, the stamps starting shortly before they run over (every 4096 s).
sed -n -e 's/.*"unplugged".*/unplugged/p' \
  -e 's/{"ms":\([0-9]*\),"report":\[0,\([0-9,]*\)\].*/\1,\2/p' "$work/5/session.jsonl" |
  awk -F, '
    /unplugged/ { address++; next }
    {
      us = (4095000000 + $1 * 1000) % 4096000000
      printf "ffff9e3c8a2b6000 %.0f S Co:1:%03d:0 s 21 09 0300 0000 0008 8 = %02x%02x%02x%02x %02x%02x%02x%02x\n",
        us, 5 + address, $2, $3, $4, $5, $6, $7, $8, $9
      printf "ffff9e3c8a2b6000 %.0f C Co:1:%03d:0 0 8 >\n", us + 180, 5 + address
    }' >"$work/usbmon"
json_form=$("$checker" --exercise 5 "$work/5/session.jsonl" | rules)
usbmon_form=$("$checker" --usbmon --exercise 5 "$work/usbmon" | rules)
[ "$json_form" = "$usbmon_form" ] || fail "usbmon: $usbmon_form, JSON: $json_form"

# Input that cannot be read: status 2 and the line named.
printf '{"ms":0,"event":"plugged"}\n{"ms":5,"report":[0,1,0\n' >"$work/broken"
"$checker" "$work/broken" >/dev/null 2>"$work/error"
[ $? -eq 2 ] && grep -q 'line 2: ' "$work/error" || fail "broken input: $(cat "$work/error")"
[ $status -eq 0 ] &&
  echo "PASS: ten sessions of Orlanek and their library logs, a usbmon capture and broken input"
exit $status
