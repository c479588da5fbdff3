#!/usr/bin/env bash
# Inside the test machine (through run-in-vm, from windows_vm.sh), one Wine prefix and one Wine
# server for every check: those over Wine's own HID stack (its setupapi.dll, hid.dll and winebus
# with its hidraw backend), Varnel.dll of both bitnesses and Orlanek.exe, with udevd running so
# that Wine sees boards come and go; then each check32 line of CHECKS ('-' for none). Each
# check's output is framed by "@@ begin NAME" and "@@ end NAME STATUS".
# Usage: windows_in_vm.sh NATIVE-BUILD WIN32-BUILD WIN64-BUILD PREFIX CHECKS
set -uo pipefail
native=$1 win32=$2 win64=$3 prefix=$4 checks=$5
here=$(cd "$(dirname "$0")" && pwd)
hid=$here/../winehid
export VIRTUAL_BOARD=$native/bin/virtual-board

# Wine writes to its prefix, and the host's file system is read-only here: a copy in /tmp,
# whose links to Wine's installed files stay links.
export WINEPREFIX=/tmp/vm-prefix WINEDEBUG=-all WINE=wine
# Fontconfig's cache goes under a writable home. A program's timer under Wine on the emulated
# CPU strays by a third of a second and more: its sessions are judged with the widest cadence
# allowance, every other rule as anywhere (the host's 64-bit checks judge the cadence).
export HOME=/tmp/home XDG_CACHE_HOME=/tmp/home/.cache STATION_TOLERANCE=499
mkdir -p "$XDG_CACHE_HOME"
cp -a "$prefix" "$WINEPREFIX"
/lib/systemd/systemd-udevd --daemon >/dev/null 2>&1
# Bash's process substitution needs /dev/fd, which udev would make.
[ -e /dev/fd ] || ln -s /proc/self/fd /dev/fd
trap 'wineserver -k 2>/dev/null; udevadm control --exit >/dev/null 2>&1' EXIT

# framed NAME COMMAND...
framed() {
  local name=$1 result=0
  shift
  local start=$SECONDS
  echo "@@ begin $name"
  "$@" 2>&1 || result=$?
  echo "(in the test machine: $((SECONDS - start)) s)"
  echo "@@ end $name $result"
}

over_wine_hid() {
  [ -x "$VIRTUAL_BOARD" ] || { echo "FAIL: build $native (bin/virtual-board) first"; return 1; }
  # One server for these checks, so that Wine's services start once.
  wineserver -p
  source "$here/../vm/check.sh"
  check "Varnel.dll (32-bit) over Wine's HID stack" \
    "$hid/library_in_vm.sh" 32 wine "$win32" "$native"
  check "Varnel.dll (64-bit, Wine's 64-bit loader) over Wine's HID stack" \
    "$hid/library_in_vm.sh" 64 /usr/lib/wine/wine64 "$win64" "$native"
  check "Orlanek.exe played over Wine's HID stack" \
    "$here/../e2e/with_display.sh" "$hid/orlanek_in_vm.sh" "$win32"
  wineserver -k
  return $status
}
framed winehid over_wine_hid

# check32 NAME VAR=VALUE... -- COMMAND ARG...: a check of the 32-bit programs (wine32_test).
check32() {
  local name=$1 variables=()
  shift
  while [ "$1" != -- ]; do variables+=("$1"); shift; done
  shift
  framed "$name" env "${variables[@]}" "$@"
}
[ "$checks" = - ] && exit 0
# The host's 64-bit Wine left the 32-bit system folder as Wine's files alone; the 32-bit
# wineboot registers them (the Start menu's shortcuts need the 32-bit shell's classes).
start=$SECONDS
wine wineboot -u >/dev/null 2>&1 && wineserver -w
echo "The 32-bit prefix brought up to date in $((SECONDS - start)) s."
source "$checks"
