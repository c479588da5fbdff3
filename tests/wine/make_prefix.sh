#!/usr/bin/env bash
# Makes (or brings up to date) the Wine prefix named by WINEPREFIX with the given wine loader,
# with winebus's SDL backend off: with it on (the default) winebus never starts its hidraw
# backend where libSDL2 is missing, and no program under Wine sees the board.
# Usage: make_prefix.sh WINE
set -euo pipefail
wine=$1
"$wine" wineboot --init
"$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD \
  /d 0 /f
