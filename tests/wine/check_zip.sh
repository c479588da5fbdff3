#!/usr/bin/env bash
# The Windows download: cpack makes NAME.zip (orlanek-2013.01-win32.zip) holding exactly the
# given files (the programs, varnel.h, the text on putting them on a station and checking a
# candidate's program, in English and in Chinese) in one folder NAME, each as built. Both texts
# are as Notepad reads them (UTF-8 with its byte order mark, CRLF lines) and give the same
# commands. Each program needs no DLL but
# Windows's own (Orlanek.exe loads our Varnel.dll by name), none of the dpi functions that
# Windows 7 lacks (they are bound at run time), and carries the programs' manifest (resource 1
# of type RT_MANIFEST): per-monitor v2 dpi awareness with its fallbacks, asInvoker, Windows 7
# to 11, no code page of its own.
# Usage: check_zip.sh CPACK BUILD-DIR NAME OBJDUMP WINDRES FILE...
set -uo pipefail
cpack=$1 build=$2 name=$3 objdump=$4 windres=$5
shift 5
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
  imports=$("$objdump" -p "$file" | sed -n '/DLL Name:/,$p')
  for dll in $(awk '/DLL Name:/ {print tolower($3)}' <<<"$imports"); do
    case $dll in kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | shell32.dll | ole32.dll | ws2_32.dll) ;;
      *) fail "${file##*/} imports $dll" ;;
    esac
  done
  # Spelt Dpi, so that a named pipe's functions (CreateNamedPipeA) are not taken for one.
  ! grep -qE '\b[A-Za-z]*Dpi[A-Za-z]*\b' <<<"$imports" || fail "${file##*/} imports a dpi function"
  manifest=$("$windres" -i "$file" -O rc 2>/dev/null | sed -n '/^1 24 .* RT_MANIFEST/,/^END/p')
  for wanted in '>PerMonitorV2, PerMonitor</dpiAwareness>' '>true/pm</dpiAware>' \
    'level=""asInvoker""' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qF "$wanted" <<<"$manifest" || fail "${file##*/}'s manifest lacks $wanted"
  done
  [ "$(grep -c '<supportedOS ' <<<"$manifest")" = 4 ] && ! grep -q activeCodePage <<<"$manifest" ||
    fail "${file##*/}'s manifest: not Windows 7 to 11 alone, or a code page of its own"
done
grep -q 'Orlanek.exe and Varnel.dll' "$in/INSTALL.txt" || fail "INSTALL.txt: $(head -n 5 "$in/INSTALL.txt")"
grep -q 'set VARNEL_SESSION_LOG=' "$in/INSTALL.txt" || fail "INSTALL.txt has no teacher's section"
for text in "$in"/INSTALL*.txt; do
  [ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "${text##*/} has no BOM"
  [ "$(grep -c $'\r$' "$text")" = "$(wc -l <"$text")" ] || fail "${text##*/}: lines without CR"
done
# The indented lines are what a reader types, up to the note after two spaces.
commands() { tr -d '\r' <"$1" | sed -n 's/^ \{4,\}\([^ ]\)/\1/p' | sed 's/  .*//' | sort; }
chinese=$(diff <(commands "$in/INSTALL.txt") <(commands "$in/INSTALL.zh_TW.txt")) ||
  fail "INSTALL.zh_TW.txt's commands differ from INSTALL.txt's: $chinese"
echo "PASS"
