#!/usr/bin/env bash
# The installer for a room, orlanek-2013.01-win32.msi. msiinfo reads its Upgrade table (earlier
# versions of the same upgrade code are found and removed) and its Shortcut table (the Start
# menu entry named as the Linux desktop entry, to the installed Orlanek.exe). Under Wine it
# installs silently: the files (as built), the shortcut and the Apps & Features entry are in
# place; Orlanek.exe plays exercise 3 from its installed folder over the test doubles (copied
# beside it for the play and taken away again); the silent uninstall leaves nothing behind.
# Usage: check_msi.sh MSI TEST-DIR SOURCE-DIR FILE...   (FILE: each path the MSI must install;
#        on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE may name Wine's loader)
set -uo pipefail
msi=$1 test_dir=$2 source=$3
shift 3
wine=${WINE:-wine}
fail() { echo "FAIL: $*"; exit 1; }
row() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }

# The tables.
upgrade_code=$(row Property | awk -F'\t' '$1 == "UpgradeCode" {print $2}')
version=$(row Property | awk -F'\t' '$1 == "ProductVersion" {print $2}')
row Upgrade | awk -F'\t' -v code="$upgrade_code" -v version="$version" \
  '$1 == code && $2 == "" && $3 == version && $7 == "WIX_UPGRADE_DETECTED" {found = 1}
   END {exit !found}' || fail "no Upgrade row finds versions below $version: $(row Upgrade)"
row InstallExecuteSequence | grep -q '^RemoveExistingProducts' ||
  fail "RemoveExistingProducts is not scheduled"
name=$(sed -n 's/^Name=//p' "$source/packaging/orlanek.desktop")
exe_key=$(row File | awk -F'\t' '$3 == "Orlanek.exe" {print $1}')
shortcut=$(row Shortcut | awk -F'\t' -v OFS='|' '{print $2, $3, $5}')
[ "$shortcut" = "ProgramMenuFolder|$name|[#$exe_key]" ] || fail "Shortcut table: $shortcut"

# Installed, played, uninstalled.
export WINEDLLOVERRIDES=winemenubuilder.exe=d  # no menu entries on this machine's desktop
"$wine" msiexec /x "Z:$msi" /qn >/dev/null 2>&1  # what an interrupted run may have left
"$wine" msiexec /i "Z:$msi" /qn || fail "msiexec /i ended with $?"
folder=""
for candidate in "Program Files (x86)" "Program Files"; do
  [ -d "$WINEPREFIX/drive_c/$candidate/Orlanek" ] && folder=$WINEPREFIX/drive_c/$candidate/Orlanek &&
    break
done
[ -n "$folder" ] || fail "no Orlanek folder under Program Files"
expected=$(for file in "$@"; do basename "$file"; done | sort | xargs)
[ "$(ls "$folder" | sort | xargs)" = "$expected" ] || fail "installed: $(ls "$folder" | xargs)"
for file in "$@"; do
  [ "${file##*.}" = txt ] || cmp -s "$file" "$folder/$(basename "$file")" ||
    fail "the installed $(basename "$file") is not the one built"
done
# Windows puts a per-machine shortcut in the common Start menu, Wine in the user's.
link=$(find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/$name.lnk")
[ -n "$link" ] || fail "no Start menu shortcut '$name'"
entry=$("$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orlanek' |
  tr -d '\r')
for value in 'DisplayVersion +REG_SZ +2013\.01$' 'Publisher +REG_SZ +.+' \
  'DisplayIcon +REG_SZ +.*\\Orlanek\\Orlanek.exe,0$' 'UninstallString +REG_SZ +MsiExec.exe /X\{'; do
  grep -qE "$value" <<<"$entry" || fail "Apps & Features entry lacks $value: $entry"
done
cp "$test_dir/setupapi.dll" "$test_dir/hid.dll" "$folder/"
"$(dirname "$0")/orlanek_station_wine.sh" "$folder" || fail "Orlanek.exe as installed did not play"
rm "$folder/setupapi.dll" "$folder/hid.dll"
"$wine" msiexec /x "Z:$msi" /qn || fail "msiexec /x ended with $?"
[ ! -e "$folder" ] || fail "the uninstall left $(find "$folder" | xargs)"
[ ! -e "$link" ] || fail "the uninstall left the shortcut"
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orlanek' >/dev/null 2>&1 &&
  fail "the uninstall left the Apps & Features entry"
echo "PASS: installed, played exercise 3 and uninstalled without a trace"
