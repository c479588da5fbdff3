#!/usr/bin/env bash
# The MSI under Wine (its tables: check_msi_tables.sh): a silent install puts the files, the
# English Start menu shortcut and the Apps & Features entry in place, the installed Orlanek.exe
# plays exercise 3 over the test doubles (its log judged, with STATION_JUDGE as
# orlanek_station_wine.sh takes it), and a silent uninstall leaves nothing behind.
# Usage: check_msi.sh MSI TEST-DIR SOURCE-DIR FILE...   (FILE: each file it installs; on a
#        display; WINEPREFIX set; WINE may name Wine's loader)
set -uo pipefail
msi=$1 test_dir=$2 source=$3
shift 3
wine=${WINE:-wine}
fail() { echo "FAIL: $*"; exit 1; }
name=$(sed -n 's/^Name=//p' "$source/packaging/orlanek.desktop")

# No menu entries on this machine's desktop, nor the work of making them from the new shortcut
# while Orlanek.exe plays (work enough to hold a tick back past any allowance in the test VM).
export WINEDLLOVERRIDES=winemenubuilder.exe=d
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orlanek'
"$wine" msiexec /x "Z:$msi" /qn >/dev/null 2>&1  # what an interrupted run may have left
"$wine" msiexec /i "Z:$msi" /qn || fail "msiexec /i ended with $?"
folder=$(ls -d "$WINEPREFIX/drive_c/Program Files"*/Orlanek 2>/dev/null)
[ -d "$folder" ] || fail "no Orlanek folder under Program Files"
[ "$(ls "$folder" | xargs)" = "$(for file in "$@"; do echo "${file##*/}"; done | sort | xargs)" ] ||
  fail "installed: $(ls "$folder" | xargs)"
# Windows puts a per-machine shortcut in the common Start menu, Wine in the user's.
link=$(find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/$name.lnk")
[ -n "$link" ] || fail "no Start menu shortcut '$name'"
values=$("$wine" reg query "$entry" | tr -d '\r')
for value in 'DisplayName +REG_SZ +Orlanek$' 'DisplayVersion +REG_SZ +2013\.01$' \
  'Publisher +REG_SZ +.' 'DisplayIcon +REG_SZ +.*\\Orlanek\\Orlanek.exe,0$' \
  'UninstallString +REG_SZ +MsiExec.exe /X\{'; do
  grep -qE "$value" <<<"$values" || fail "the Apps & Features entry lacks $value: $values"
done
cp "$test_dir/setupapi.dll" "$test_dir/hid.dll" "$folder/"
# An emulated machine (the test VM) can stall Wine for most of a second, and a tick that late is
# rightly judged a fault: one more play tells such a stall from a station that plays wrong.
played=$("$(dirname "$0")/orlanek_station_wine.sh" "$folder") && echo "$played" || {
  echo "$played"
  echo "the first play failed; playing once more"
  "$(dirname "$0")/orlanek_station_wine.sh" "$folder" || fail "the installed Orlanek.exe did not play"
}
rm "$folder/setupapi.dll" "$folder/hid.dll"
"$wine" msiexec /x "Z:$msi" /qn || fail "msiexec /x ended with $?"
[ ! -e "$folder" ] || fail "the uninstall left $(find "$folder" | xargs)"
[ ! -e "$link" ] || fail "the uninstall left the shortcut"
! "$wine" reg query "$entry" >/dev/null 2>&1 || fail "the uninstall left the Apps & Features entry"
echo "PASS: installed, played exercise 3 and uninstalled without a trace"
