#!/usr/bin/env bash
# The MSI as msiinfo reads it, without Wine: a later version replaces it; every component has its
# GUID; the database's code page is 950 (Big5); a Windows whose system language is Chinese of
# Taiwan, Hong Kong or Macao gets the Start menu shortcut and the Apps & Features name of the
# desktop entry in Chinese, any other Windows the English ones.
# Usage: check_msi_tables.sh MSI SOURCE-DIR
set -uo pipefail
msi=$1 desktop=$2/packaging/orlanek.desktop
fail() { echo "FAIL: $*"; exit 1; }
table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
property() { table Property | awk -F'\t' -v name="$1" '$1 == name {print $2}'; }
entry() { sed -n "s/^$1=//p" "$desktop"; }

upgrade=$(table Upgrade | awk -F'\t' -v OFS='|' '$7 == "WIX_UPGRADE_DETECTED" {print $1, $2, $3}')
[ "$upgrade" = "$(property UpgradeCode)||$(property ProductVersion)" ] || fail "Upgrade: $upgrade"
table InstallExecuteSequence | grep -q '^RemoveExistingProducts' || fail "no RemoveExistingProducts"
unmanaged=$(table Component | awk -F'\t' '$2 == "" {print $1}' | xargs)
[ -z "$unmanaged" ] || fail "components without a GUID: $unmanaged"
codepage=$(msiinfo export "$msi" _ForceCodepage | tr -d '\r' | cut -sf1)
[ "$codepage" = 950 ] || fail "the database's code page is '$codepage'"

# Windows Installer's reading of a condition (=, OR, AND, NOT, parentheses) on system language $2.
holds() {
  local e=${1:-1}
  e=${e//SystemLanguageID/$2} e=${e//=/==} e=${e// OR / || } e=${e// AND / && } e=${e//NOT /!}
  ((e))
}
# What a Windows of system language $1 gets: for each component whose condition holds, its
# shortcut's folder, name, target and description, and its name in Apps & Features.
components=$(table Component | cut -f1,5) shortcuts=$(table Shortcut) registry=$(table Registry)
names_on() {
  local component condition
  while IFS=$'\t' read -r component condition; do
    holds "$condition" "$1" || continue
    awk -F'\t' -v c="$component" '$4 == c {printf "%s|%s|%s|%s|", $2, $3, $5, $7}' <<<"$shortcuts"
    awk -F'\t' -v c="$component" '$6 == c && $4 == "DisplayName" {print $5}' <<<"$registry"
  done <<<"$components"
}
exe=$(table File | awk -F'\t' '$3 == "Orlanek.exe" {print $1}')
english="ProgramMenuFolder|$(entry Name)|[#$exe]|$(entry Comment)|Orlanek"
zh=$(entry 'Name\[zh_TW\]')
chinese="ProgramMenuFolder|$zh|[#$exe]|$(entry 'Comment\[zh_TW\]')|$zh"
expect() {
  got=$(names_on "$1") && [ "$got" = "$2" ] || fail "system language $1 gets: ${got:-nothing}"
}
for chinese_windows in 1028 3076 5124; do expect $chinese_windows "$chinese"; done  # Taiwan, HK, Macao
for others in 1033 2052 4100 1041; do expect $others "$english"; done  # US, China, Singapore, Japan
echo "PASS"
