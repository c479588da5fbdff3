#!/usr/bin/env bash
# Everything checked over Wine's own HID stack (its setupapi.dll, hid.dll and winebus with its
# hidraw backend), in one boot of the virtual machine: Varnel.dll of both bitnesses, then
# Orlanek.exe played on a virtual display. udevd runs, so that Wine sees boards come and go.
# Usage (inside the VM, through run-in-vm):
#   winehid_in_vm.sh NATIVE-BUILD WIN32-BUILD WIN64-BUILD PREFIX
set -uo pipefail
native=$1 win32=$2 win64=$3 prefix=$4
here=$(cd "$(dirname "$0")" && pwd)
export VIRTUAL_BOARD=$native/bin/virtual-board
[ -x "$VIRTUAL_BOARD" ] || { echo "FAIL: build $native (bin/virtual-board) first"; exit 1; }

# Wine writes to its prefix, and the host's file system is read-only here: a copy in /tmp,
# whose links to Wine's installed files stay links.
export WINEPREFIX=/tmp/winehid-prefix WINEDEBUG=-all
cp -a "$prefix" "$WINEPREFIX"
/lib/systemd/systemd-udevd --daemon >/dev/null 2>&1
# Bash's process substitution needs /dev/fd, which udev would make.
[ -e /dev/fd ] || ln -s /proc/self/fd /dev/fd
# One server for all the checks, so that Wine's services start once.
wineserver -p
trap 'wineserver -k; udevadm control --exit >/dev/null 2>&1' EXIT

source "$here/../vm/check.sh"
check "Varnel.dll (32-bit) over Wine's HID stack" \
  "$here/library_in_vm.sh" 32 wine "$win32" "$native"
check "Varnel.dll (64-bit, Wine's 64-bit loader) over Wine's HID stack" \
  "$here/library_in_vm.sh" 64 /usr/lib/wine/wine64 "$win64" "$native"
check "Orlanek.exe played over Wine's HID stack" \
  "$here/../e2e/with_display.sh" "$here/orlanek_in_vm.sh" "$win32"
exit $status
