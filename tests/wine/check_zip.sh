#!/usr/bin/env bash
# The Windows download: cpack makes orlanek-2013.01-win32.zip holding Orlanek.exe, Varnel.dll,
# varnel.h, station-check.exe, virtual-board.exe and the text on putting them on a station and
# checking a candidate's program, in one folder, the programs as built, each needing no DLL but
# Windows's own (and Orlanek.exe our Varnel.dll, which it loads by name).
# Usage: check_zip.sh CPACK BUILD-DIR SOURCE-DIR OBJDUMP
set -uo pipefail
cpack=$1 build=$2 source=$3 objdump=$4
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
expected=$(printf './orlanek-2013.01-win32/%s ' INSTALL.txt Orlanek.exe Varnel.dll station-check.exe \
  varnel.h virtual-board.exe)
[ "$listed " = "$expected" ] || fail "the zip holds: $listed"
in=$work/out/orlanek-2013.01-win32
for program in Orlanek.exe Varnel.dll station-check.exe virtual-board.exe; do
  cmp -s "$in/$program" "$build/bin/$program" || fail "$program is not the one built"
done
cmp -s "$in/varnel.h" "$source/devicelib/varnel.h" || fail "varnel.h is not the project's"
for program in Orlanek.exe station-check.exe virtual-board.exe; do
  for dll in $("$objdump" -p "$in/$program" | awk '/DLL Name:/ {print tolower($3)}'); do
    case $dll in kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | shell32.dll | ws2_32.dll) ;;
      *) fail "$program imports $dll" ;;
    esac
  done
done
grep -q 'Orlanek.exe and Varnel.dll' "$in/INSTALL.txt" || fail "INSTALL.txt: $(head -n 5 "$in/INSTALL.txt")"
grep -q 'set VARNEL_SESSION_LOG=' "$in/INSTALL.txt" || fail "INSTALL.txt has no teacher's section"
echo "PASS"
