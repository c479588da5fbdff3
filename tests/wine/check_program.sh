#!/usr/bin/env bash
# The Windows programs' manifest (resource 1 of type RT_MANIFEST): per-monitor v2 dpi awareness
# with its fallbacks, asInvoker, Windows 7 to 11, no code page of its own; and no dpi function
# among their imports (Windows 7 lacks them; the programs bind them at run time).
# Usage: check_program.sh OBJDUMP WINDRES PROGRAM.exe...
set -euo pipefail
objdump=$1 windres=$2
shift 2
fail() { echo "FAIL: $program: $*"; exit 1; }
for program in "$@"; do
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
  ! "$objdump" -p "$program" | sed -n '/DLL Name:/,$p' | grep -qiE '\b[a-z]*dpi[a-z]*\b' ||
    fail "imports a dpi function (not in Windows 7)"
done
echo "PASS: the manifest and imports of $*"
