#!/usr/bin/env bash
# A Windows program as Windows 7 loads it: imports from system DLLs only, and none of the dpi
# functions of Windows 8.1 and 10 (the program binds them at run time where they exist).
# Usage: check_program.sh OBJDUMP PROGRAM.exe
set -euo pipefail
objdump=$1 program=$2
fail() { echo "FAIL: $*"; exit 1; }
dump=$("$objdump" -p "$program")
for import in $(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u); do
  case $import in kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll) ;;
    *) fail "imports $import" ;;
  esac
done
newer=$(grep -oE '\b[A-Za-z]*(Dpi|DPI)[A-Za-z]*\b' <<<"$dump" | sort -u | xargs || true)
[ -z "$newer" ] || fail "imports $newer, which Windows 7 lacks"
echo "PASS: $(basename "$program") starts without Windows 8.1 or 10"
