#!/usr/bin/env bash
# The Windows download: cpack makes orlanek-2013.01-win32.zip holding Orlanek.exe, Varnel.dll,
# virtual-board.exe, varnel.h and the text on putting them on a station, in one folder, the
# programs as built.
# Usage: check_zip.sh CPACK BUILD-DIR SOURCE-DIR
set -uo pipefail
cpack=$1 build=$2 source=$3
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
zip=$work/orlanek-2013.01-win32.zip
[ -f "$zip" ] || fail "no orlanek-2013.01-win32.zip among: $(ls "$work")"
mkdir "$work/out"
(cd "$work/out" && cmake -E tar xf "$zip") || fail "the zip does not unpack"
listed=$(cd "$work/out" && find . -type f | sort | xargs)
[ "$listed" = "./orlanek-2013.01-win32/INSTALL.txt ./orlanek-2013.01-win32/Orlanek.exe ./orlanek-2013.01-win32/Varnel.dll ./orlanek-2013.01-win32/varnel.h ./orlanek-2013.01-win32/virtual-board.exe" ] ||
  fail "the zip holds: $listed"
in=$work/out/orlanek-2013.01-win32
cmp -s "$in/Orlanek.exe" "$build/bin/Orlanek.exe" || fail "Orlanek.exe is not the one built"
cmp -s "$in/Varnel.dll" "$build/bin/Varnel.dll" || fail "Varnel.dll is not the one built"
cmp -s "$in/virtual-board.exe" "$build/bin/virtual-board.exe" ||
  fail "virtual-board.exe is not the one built"
cmp -s "$in/varnel.h" "$source/devicelib/varnel.h" || fail "varnel.h is not the project's"
grep -q 'Orlanek.exe and Varnel.dll' "$in/INSTALL.txt" || fail "INSTALL.txt: $(head -n 5 "$in/INSTALL.txt")"
echo "PASS"
