#!/usr/bin/env bash
# The board as a USB device (virtual-board --usb: a gadget on dummy_hcd, reached through
# usbhid) in one boot of the virtual machine: its one-line advice while the kernel lacks the
# device controller, its plug line waiting for usbhid, then the board's node, the library, the
# bytes on the wire, varnelctl, the access rule and a session of Orlanek judged from the board's
# record and from usbmon, the same checks the uhid board passes, and the figures.
# Usage (inside the VM, through run-in-vm): usb_suite.sh BUILD-DIR KERNEL-ROOT
#   KERNEL-ROOT: where prepare-vm extracted the kernel package (its lib/modules)
set -uo pipefail
build=$1
kernel=$2
here=$(cd "$(dirname "$0")" && pwd)
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
export VIRTUAL_BOARD=$build/bin/virtual-board
source "$here/check.sh"
# The next part starts with no board left over.
after_check() {
  for _ in $(seq 50); do
    [ -z "$(ls /sys/class/hidraw)" ] && [ -z "$(ls /sys/kernel/config/usb_gadget 2>/dev/null)" ] &&
      break
    sleep 0.1
  done
}

advice_without_controller() {
  local err
  err=$("$VIRTUAL_BOARD" --usb 2>&1 >/dev/null) && { echo "FAIL: it started"; return 1; }
  [ "$(wc -l <<<"$err")" -eq 1 ] && grep -q 'modprobe dummy_hcd' <<<"$err" ||
    { echo "FAIL: $err"; return 1; }
}

# One report from varnelctl is one SET_REPORT(Feature) control transfer with the 8 data bytes,
# the report ID 0 not sent. The board, ended, leaves no gadget and no FunctionFS mount behind.
bytes_on_the_wire() {
  local work board monitor line
  work=$(mktemp -d)
  "$VIRTUAL_BOARD" --usb --json >"$work/board" &
  board=$!
  cat /sys/kernel/debug/usb/usbmon/0u >"$work/wire" &
  monitor=$!
  for _ in $(seq 50); do [ -e /dev/hidraw0 ] && break; sleep 0.1; done
  "$build/bin/varnelctl" green 0x5a
  for _ in $(seq 50); do grep -q ' s 21 09 ' "$work/wire" && break; sleep 0.1; done
  kill $board $monitor
  wait $board
  line=$(grep ' s 21 09 ' "$work/wire")
  rm -rf "$work"
  [[ "$line" == *" S Co:"*" s 21 09 0300 0000 0008 8 = 5a000000 00000000" ]] ||
    { echo "FAIL: on the wire: $line"; return 1; }
  [ -z "$(ls /sys/kernel/config/usb_gadget)" ] && ! grep -q functionfs /proc/mounts ||
    { echo "FAIL: left behind: $(ls /sys/kernel/config/usb_gadget; grep functionfs /proc/mounts)"; return 1; }
}

# The board says "plugged" once the host's HID driver has taken it in, not when the gadget is
# bound: a host without usbhid enumerates it and no line comes; usbhid's probe brings the line
# and the node.
plugged_once_taken_in() {
  local work board verdict=""
  work=$(mktemp -d)
  "$VIRTUAL_BOARD" --usb --json >"$work/board" &
  board=$!
  for _ in $(seq 100); do
    grep -qx 03 /sys/bus/usb/devices/*:1.0/bInterfaceClass 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -qx 03 /sys/bus/usb/devices/*:1.0/bInterfaceClass 2>/dev/null; then
    verdict="the host did not enumerate the board"
  elif grep -q plugged "$work/board"; then
    verdict="plugged before usbhid was loaded"
  else
    modprobe -d "$kernel" usbhid
    for _ in $(seq 100); do
      grep -q '"plugged"' "$work/board" && [ -e /dev/hidraw0 ] && break
      sleep 0.1
    done
    grep -q '"plugged"' "$work/board" && [ -e /dev/hidraw0 ] ||
      verdict="with usbhid: node $(ls /dev/hidraw* 2>&1), board wrote $(cat "$work/board")"
  fi
  kill $board
  wait $board
  rm -rf "$work"
  [ -z "$verdict" ] || { echo "FAIL: $verdict"; return 1; }
}

check "virtual-board --usb without a device controller says so in one line" \
  advice_without_controller
modprobe -d "$kernel" -a libcomposite usb_f_fs usbmon &&
  modprobe -d "$kernel" dummy_hcd num=4 &&
  mount -t configfs none /sys/kernel/config &&
  mount -t debugfs none /sys/kernel/debug || { echo "cannot load the USB modules"; exit 1; }
check "the USB board says plugged only once usbhid has it" plugged_once_taken_in
modprobe -d "$kernel" usbhid || { echo "cannot load usbhid"; exit 1; }

export VIRTUAL_BOARD_OPTIONS=--usb
check "the USB board through raw hidraw ioctls" "$build/tests/bin/board_node_tests" --gtest_brief=1
check "library (hidraw) against USB boards: identity, the red latch, unplug and replug" \
  "$build/tests/bin/hidraw_library_tests" --gtest_brief=1 \
  --gtest_filter='*Counted*:*Unplug*:*LowerOfTwo*'
check "a report on the wire" bytes_on_the_wire
check "varnelctl against the USB board" "$here/varnelctl_in_vm.sh" "$build/bin"
check "the access rule tags the USB board's node only" "$here/access_rule_in_vm.sh" \
  "$build/bin" "$here/../../packaging/70-orlanek-board.rules"
check "Orlanek's session on the USB board checks the same from usbmon text and pcapng (a file, and live) as from the board" \
  "$here/station_check_in_vm.sh" "$build" "$(mktemp)"
unset VIRTUAL_BOARD_OPTIONS
echo "== figures"
"$build/tests/bin/vm-feature-report-benchmark" || status=1
exit $status
