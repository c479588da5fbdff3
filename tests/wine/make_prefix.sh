#!/usr/bin/env bash
# Makes (or brings up to date) the Wine prefix named by WINEPREFIX with the given wine loader,
# with winebus's SDL backend off: with it on (the default) winebus never starts its hidraw
# backend where libSDL2 is missing, and no program under Wine sees the board; and the display at
# 96 dpi, as the tests expect unless they set another (a test stopped midway may have).
# Usage: make_prefix.sh WINE
set -euo pipefail
wine=$1
"$wine" wineboot --init
"$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD \
  /d 0 /f
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f
