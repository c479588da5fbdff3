#!/usr/bin/env bash
# varnelctl as a teacher runs it: against the simulated board (LIBRARY-DIR holds the test build
# of the library) and with bad arguments.
# Usage: varnelctl_test.sh VARNELCTL SIM-LIBRARY-DIR
set -uo pipefail
ctl=$1 sim=$2
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The simulated bus alone: no virtual board of this user's beside it.
unset XDG_RUNTIME_DIR

run() {  # run EXPECTED-STATUS ARGS...: runs varnelctl over the simulated bus
  local expected=$1
  shift
  LD_LIBRARY_PATH=$sim SIMBUS_BOARD_FILE=$work/plugged SIMBUS_REPORT_LOG=$work/reports \
    "$ctl" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  [ $status -eq "$expected" ] || fail "varnelctl $* exited $status, not $expected: $(cat "$work/err")"
}

run 1 probe
grep -q 'not there' "$work/err" || fail "probe without the board: $(cat "$work/err")"
run 1 green 1
run 0 list
[ "$(head -n 1 "$work/out")" = "0 HID interfaces" ] || fail "list: $(cat "$work/out")"

touch "$work/plugged"
run 0 probe
run 0 list
grep -qx '1 HID interface' "$work/out" || fail "list with the board: $(cat "$work/out")"
grep -qx '  0  12346789' "$work/out" || fail "list with the board: $(cat "$work/out")"
run 0 green 0x81
run 0 red 255
run 0 green 010
run 0 green 0XfF
[ "$(cut -d' ' -f2- "$work/reports")" = "$(printf '129 0 9\n255 32 9\n255 48 9\n255 32 9\n10 0 9\n255 0 9')" ] ||
  fail "reports: $(cat "$work/reports")"

touch "$work/plugged"
SIMBUS_BOARD_REFUSED=1 run 3 probe
grep -q '70-orlanek-board.rules' "$work/err" || fail "refused board: $(cat "$work/err")"
grep -q 'udevadm control --reload-rules' "$work/err" || fail "no reload advice: $(cat "$work/err")"

run 2 green " 5"
run 2 green ""
for args in "" "flash" "green" "green 256" "green -1" "green +5" "green 0x" "green 0x100" \
  "green 0x-1" "green 1e1" "red 1 2" "list x"; do
  # shellcheck disable=SC2086
  run 2 $args
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "varnelctl $args: not one line: $(cat "$work/err")"
done
run 0 --help
echo "PASS"
