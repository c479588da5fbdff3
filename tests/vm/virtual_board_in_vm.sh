#!/usr/bin/env bash
# virtual-board as a person runs it: one clear line when /dev/uhid is missing or refused, the
# live rows in a terminal with the unplug key, and unplug and replug by signal for scripts.
# Usage: virtual_board_in_vm.sh BIN-DIR
set -uo pipefail
board=$1/virtual-board
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# one_line_error EXPECTED-WORDS COMMAND...: the command fails with exactly one line on stderr
# that holds EXPECTED-WORDS.
one_line_error() {
  local words=$1
  shift
  "$@" >"$work/out" 2>"$work/err" && fail "$* succeeded"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$*: not one line: $(cat "$work/err")"
  grep -q "$words" "$work/err" || fail "$*: no '$words' in: $(cat "$work/err")"
}
one_line_error 'modprobe uhid' unshare -m sh -c "mount -t tmpfs none /dev && exec $board"
one_line_error 'udev rule' setpriv --reuid=65534 --regid=65534 --clear-groups "$board"
one_line_error 'bad arguments' "$board" --feature-bytes 0

nodes() { ls /sys/class/hidraw | wc -l; }
# await_nodes N: waits up to 5 s for N hidraw nodes.
await_nodes() {
  for _ in $(seq 50); do [ "$(nodes)" -eq "$1" ] && return 0; sleep 0.1; done
  return 1
}

# In a terminal: the rows, 'u' unplugs and plugs again, 'q' ends it.
{
  sleep 1
  await_nodes 1 || echo "no node after start" >>"$work/keys"
  printf u
  await_nodes 0 || echo "the node stayed after u" >>"$work/keys"
  printf u
  await_nodes 1 || echo "no node after the second u" >>"$work/keys"
  printf q
  sleep 1
} | script -qfec "$board" /dev/null >"$work/terminal"
[ ! -s "$work/keys" ] || fail "keys: $(cat "$work/keys")"
grep -q 'green ○○○○○○○○   red ○○○○○○○○   plugged in' "$work/terminal" ||
  fail "terminal: $(cat "$work/terminal")"
grep -q 'unplugged' "$work/terminal" || fail "terminal: $(cat "$work/terminal")"
await_nodes 0 || fail "the node stayed after q"

# For scripts: SIGUSR1 unplugs and plugs again, each change one JSON line.
"$board" --json >"$work/json" &
pid=$!
await_nodes 1 || fail "no node for the --json board"
kill -USR1 $pid && await_nodes 0 || fail "the node stayed after SIGUSR1"
kill -USR1 $pid && await_nodes 1 || fail "no node after the second SIGUSR1"
kill $pid
wait $pid || fail "the board ended with status $? on SIGTERM"
# Each line says when, in whole milliseconds since the board was made, in order.
[ "$(sed 's/"ms":[0-9]*,//' "$work/json")" = "$(printf '{"event":"%s"}\n' plugged unplugged plugged)" ] ||
  fail "json: $(cat "$work/json")"
sed 's/{"ms":\([0-9]*\),.*/\1/' "$work/json" | sort -nc || fail "ms out of order: $(cat "$work/json")"
echo "PASS"
