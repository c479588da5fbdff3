#!/usr/bin/env bash
# varnelctl as a teacher runs it, against a virtual board on the kernel's HID stack.
# Usage: varnelctl_in_vm.sh BIN-DIR
set -uo pipefail
bin=$1
fail() { echo "FAIL: $*"; exit 1; }
log=$(mktemp)
"$bin/varnelctl" probe >/dev/null 2>&1 && fail "probe found a board before there was one"
"$bin/virtual-board" ${VIRTUAL_BOARD_OPTIONS:-} --json >"$log" &
board=$!
trap 'kill $board 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /dev/hidraw0 ] && break; sleep 0.1; done
sleep 0.2
listed=$("$bin/varnelctl" list)
grep -qx '  0  12346789' <<<"$listed" || fail "list: $listed"
"$bin/varnelctl" probe >/dev/null || fail "probe with the board"
"$bin/varnelctl" green 0x81 && "$bin/varnelctl" red 3 || fail "writing the rows"
sleep 0.2
shown=$(tail -n 1 "$log")
grep -q '"green":129,"red":3}' <<<"$shown" || fail "the board shows: $shown"
# A user the node does not admit is told the board is there and which rule lets them in.
advice=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$bin/varnelctl" probe 2>&1)
refused=$?
[ $refused -eq 3 ] || fail "probe as nobody exited $refused: $advice"
grep -q '70-orlanek-board.rules' <<<"$advice" || fail "no rule named: $advice"
echo "PASS"
