#!/usr/bin/env bash
# A Windows program's manifest (resource 1 of type RT_MANIFEST) and imports: per-monitor v2 dpi
# awareness with its fallbacks, asInvoker, Windows 7 to 11, no code page of its own; system DLLs
# only, and no dpi function (Windows 7 lacks them; the program binds them at run time).
# Usage: check_program.sh OBJDUMP WINDRES PROGRAM.exe
set -euo pipefail
objdump=$1 windres=$2 program=$3
fail() { echo "FAIL: $*"; exit 1; }
manifest=$("$windres" -i "$program" -O rc 2>/dev/null | sed -n '/^1 24 .* RT_MANIFEST/,/^END/p' ||
  true)
[ -n "$manifest" ] || fail "no manifest resource"
for wanted in '>PerMonitorV2, PerMonitor</dpiAwareness>' '>true/pm</dpiAware>' \
  'level=""asInvoker""' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
  '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
  grep -qF "$wanted" <<<"$manifest" || fail "the manifest lacks $wanted"
done
[ "$(grep -c '<supportedOS ' <<<"$manifest")" = 4 ] || fail "not Windows 7, 8, 8.1 and 10/11"
! grep -q activeCodePage <<<"$manifest" || fail "the manifest sets an active code page"
imports=$("$objdump" -p "$program" | sed -n '/DLL Name:/,$p')
dlls=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$imports")
! grep -qvxE '(kernel32|user32|gdi32|msvcrt)\.dll' <<<"$dlls" || fail "imports $(xargs <<<"$dlls")"
! grep -qiE '\b[a-z]*dpi[a-z]*\b' <<<"$imports" || fail "imports a dpi function (not in Windows 7)"
echo "PASS: $(basename "$program"): manifest and imports"
