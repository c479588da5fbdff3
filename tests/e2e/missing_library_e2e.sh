#!/usr/bin/env bash
# Orlanek without its device library: the menu still shows; the first exercise chosen brings
# one error message naming the library, and the program ends with a non-zero status.
# Usage: missing_library_e2e.sh BIN-DIR   (on a display: with_display.sh)
set -euo pipefail
bin=$1
fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/station.sh"

# A copy of the program alone in a folder, so that no library stands beside it.
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$bin/Orlanek" "$work/"
LD_LIBRARY_PATH= "$work/Orlanek" 2>"$work/stderr" &
pid=$!

menu=$(wait_for "")
[ -n "$menu" ] || fail "the menu window did not appear without the library: $(cat "$work/stderr")"
sleep 0.5
click_exercise 1
message=$(wait_for '^Orlanek$')
[ -n "$message" ] || fail "no error message appeared"
grep -q 'libVarnel.so' "$work/stderr" || fail "the error does not name libVarnel.so: $(cat "$work/stderr")"
xdotool windowactivate --sync "$message" 2>/dev/null || true
xdotool key Return

wait_for_end
[ "$status" -ne -1 ] || fail "Orlanek still runs after the error message"
[ "$status" -ne 0 ] || fail "exit status 0 after a run-time error"
echo "PASS: error message naming the library, exit status $status"
