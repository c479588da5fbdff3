#!/usr/bin/env bash
# The checks over Wine's own HID stack: the Wine prefix made on this machine (host_prefix.sh),
# then one boot of the virtual machine (tools/vm) that runs winehid_in_vm.sh.
# Usage: winehid.sh NATIVE-BUILD WIN32-BUILD WIN64-BUILD
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=$1 win32=$2 win64=$3
"$here/host_prefix.sh" "$win32/winehid-prefix"
# Wine's services, a virtual display and Orlanek.exe need more than the machine's usual memory.
ORLANEK_VM_MEMORY=1536 exec "$here/../../tools/vm/run-in-vm" "$native/vm" \
  "$here/winehid_in_vm.sh" "$native" "$win32" "$win64" "$win32/winehid-prefix"
