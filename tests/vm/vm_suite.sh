#!/usr/bin/env bash
# Everything checked on a real kernel, in one boot of the virtual machine: the library's
# hidraw layer, varnelctl and Orlanek against virtual boards.
# Usage (inside the VM, through run-in-vm): vm_suite.sh BUILD-DIR
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
export VIRTUAL_BOARD=$build/bin/virtual-board
status=0
check() {  # check NAME COMMAND...: runs one part and reports it
  echo "== $1"
  shift
  if "$@"; then echo "-- passed"; else echo "-- FAILED"; status=1; fi
}
check "library (hidraw) against virtual boards" "$build/tests/bin/hidraw_library_tests" --gtest_brief=1
check "varnelctl against a virtual board" "$here/varnelctl_in_vm.sh" "$build/bin"
check "the access rule tags the board's node only" "$here/access_rule_in_vm.sh" "$build/bin" \
  "$here/../../packaging/70-orlanek-board.rules"
check "Orlanek plays exercise 3 on a virtual board" "$here/orlanek_in_vm.sh" "$build"
echo "== figures"
"$build/tests/bin/vm-tick-benchmark" || status=1
exit $status
