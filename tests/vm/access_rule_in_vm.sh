#!/usr/bin/env bash
# The package's access rule on a real kernel: udev tags the board's hidraw node for the seat
# (uaccess) and leaves another HID device's node alone; once the seat's access applies, a user
# who was refused reaches the board.
# Usage: access_rule_in_vm.sh BIN-DIR RULE-FILE
set -uo pipefail
bin=$1 rule=$2
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p /run/udev/rules.d
cp "$rule" /run/udev/rules.d/
"$bin/virtual-board" ${VIRTUAL_BOARD_OPTIONS:-} --json --vendor 0abc --product 0001 >/dev/null &
other=$!
for _ in $(seq 50); do [ -e /dev/hidraw0 ] && break; sleep 0.1; done
"$bin/virtual-board" ${VIRTUAL_BOARD_OPTIONS:-} --json >/dev/null &
board=$!
trap 'kill $board $other 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /dev/hidraw1 ] && break; sleep 0.1; done
sleep 0.3

tags() { udevadm test --action=add "/sys/class/hidraw/$1" 2>/dev/null | sed -n 's/^TAGS=//p'; }
[[ "$(tags hidraw1)" == *:uaccess:* ]] || fail "the board's node is not tagged: $(tags hidraw1)"
[[ "$(tags hidraw0)" != *uaccess* ]] || fail "another device's node is tagged: $(tags hidraw0)"

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$bin/varnelctl" probe >/dev/null 2>&1; }
as_nobody
[ $? -eq 3 ] || fail "the board was not refused before the rule applied"
# What logind does for a uaccess-tagged node: the seat's user gets read and write.
setfacl -m u:nobody:rw /dev/hidraw1
as_nobody || fail "the board is still refused after its access applied"
echo "PASS"
