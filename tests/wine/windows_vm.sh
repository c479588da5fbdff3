#!/usr/bin/env bash
# The Windows checks that need the test machine (tools/vm), all in one boot: those over Wine's
# own HID stack (winehid) always, and the 32-bit programs' checks (CHECKS, from wine32_test)
# where this host's kernel does not start 32-bit programs or ORLANEK_WINE32_VM asks for it.
# Each check's output and status go to RESULTS, where wine32.sh reports them as its test; where
# the 32-bit checks run goes to RESULTS/where. Where they run on this host, this makes their
# Wine prefix (WINEPREFIX) first. Fails only when the machine could not run the checks.
# Usage: windows_vm.sh RESULTS NATIVE-BUILD WIN32-BUILD WIN64-BUILD CHECKS
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
results=$1 native=$2 win32=$3 win64=$4 checks=$5
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$results" && mkdir -p "$results"

if [ -n "${ORLANEK_WINE32_VM:-}" ]; then
  where="inside the test machine (ORLANEK_WINE32_VM is set)"
elif ! wine --version >/dev/null 2>&1; then
  where="inside the test machine (this host's kernel does not start 32-bit programs)"
else
  where="on this host's Wine"
  "$here/make_prefix.sh" wine >"$results/prefix.log" 2>&1 ||
    fail "the 32-bit Wine prefix: $(cat "$results/prefix.log")"
  checks=-
fi
echo "$where" >"$results/where"
echo "The 32-bit Windows programs' checks run $where."

# One prefix for the machine, made by the host's 64-bit Wine (which every host runs).
"$here/../winehid/host_prefix.sh" "$win32/vm-prefix"
# Wine's services, a virtual display and the programs need more than the machine's usual memory.
status=0
ORLANEK_VM_MEMORY=2048 ORLANEK_VM_TIMEOUT=1700 "$here/../../tools/vm/run-in-vm" "$native/vm" \
  "$here/windows_in_vm.sh" "$native" "$win32" "$win64" "$win32/vm-prefix" "$checks" \
  >"$results/vm.log" 2>&1 || status=$?
# The checks' output, framed by windows_in_vm.sh, one file each.
awk -v dir="$results" '
  /^@@ begin / { name = $3; out = dir "/" name ".log"; printf "" >out; next }
  /^@@ end / { close(out); print $4 >(dir "/" $3 ".status"); close(dir "/" $3 ".status"); name = ""; next }
  name != "" { print >>out }' "$results/vm.log"
expected=(winehid)
[ "$checks" = - ] || mapfile -t -O 1 expected < <(awk '{ gsub("\047", "", $2); print $2 }' "$checks")
missing=()
for name in "${expected[@]}"; do [ -f "$results/$name.status" ] || missing+=("$name"); done
[ ${#missing[@]} -eq 0 ] ||
  fail "the test machine (status $status) did not run ${missing[*]}: $(tail -n 30 "$results/vm.log")"
echo "PASS: the test machine ran ${expected[*]}"
