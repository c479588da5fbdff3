#!/usr/bin/env bash
# The Windows download: cpack makes NAME.zip (orlanek-2013.01-win32.zip) holding exactly the
# given files (the programs, varnel.h, the text on putting them on a station and checking a
# candidate's program) in one folder NAME, each as built, each program needing no DLL but
# Windows's own (and Orlanek.exe our Varnel.dll, which it loads by name).
# Usage: check_zip.sh CPACK BUILD-DIR NAME OBJDUMP FILE...
set -uo pipefail
cpack=$1 build=$2 name=$3 objdump=$4
shift 4
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
zip=$work/$name.zip
[ -f "$zip" ] || fail "no $name.zip among: $(ls "$work")"
mkdir "$work/out"
(cd "$work/out" && cmake -E tar xf "$zip") || fail "the zip does not unpack"
listed=$(cd "$work/out" && find . -type f | sort | xargs)
[ "$listed" = "$(for file in "$@"; do echo "./$name/${file##*/}"; done | sort | xargs)" ] ||
  fail "the zip holds: $listed"
in=$work/out/$name
for file in "$@"; do
  cmp -s "$in/${file##*/}" "$file" || fail "${file##*/} is not the one built"
  [[ $file == *.exe ]] || continue
  for dll in $("$objdump" -p "$file" | awk '/DLL Name:/ {print tolower($3)}'); do
    case $dll in kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | shell32.dll | ws2_32.dll) ;;
      *) fail "${file##*/} imports $dll" ;;
    esac
  done
done
grep -q 'Orlanek.exe and Varnel.dll' "$in/INSTALL.txt" || fail "INSTALL.txt: $(head -n 5 "$in/INSTALL.txt")"
grep -q 'set VARNEL_SESSION_LOG=' "$in/INSTALL.txt" || fail "INSTALL.txt has no teacher's section"
echo "PASS"
