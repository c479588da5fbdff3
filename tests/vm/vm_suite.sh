#!/usr/bin/env bash
# Everything checked on a real kernel, in one boot of the virtual machine: virtual-board, the
# library's hidraw layer, varnelctl and Orlanek against virtual boards, then the figures. A
# sanitized build tree runs the HID checks only; Orlanek and the figures are the plain tree's.
# Usage (inside the VM, through run-in-vm): vm_suite.sh BUILD-DIR [--sanitized]
set -uo pipefail
build=$1
sanitized=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
export VIRTUAL_BOARD=$build/bin/virtual-board
source "$here/check.sh"
check "virtual-board as a person and a script run it" "$here/virtual_board_in_vm.sh" "$build/bin"
check "the virtual board through raw hidraw ioctls" "$build/tests/bin/board_node_tests" --gtest_brief=1
check "library (hidraw) against virtual boards" "$build/tests/bin/hidraw_library_tests" --gtest_brief=1
check "varnelctl against a virtual board" "$here/varnelctl_in_vm.sh" "$build/bin"
check "the library through a hotplug storm of two devices" "$build/tests/bin/hotplug_storm"
if [ "$sanitized" = --sanitized ]; then exit $status; fi
check "the access rule tags the board's node only" "$here/access_rule_in_vm.sh" "$build/bin" \
  "$here/../../packaging/70-orlanek-board.rules"
check "Orlanek plays exercise 3 on a virtual board" "$here/orlanek_in_vm.sh" "$build"
check "station-check passes a session of Orlanek" "$here/station_check_in_vm.sh" "$build"
echo "== figures"
"$build/tests/bin/vm-tick-benchmark" || status=1
exit $status
