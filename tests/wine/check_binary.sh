#!/usr/bin/env bash
# Varnel.dll as Windows sees it: the module name, the seven plain names at ordinals 1 to 7,
# imports from system DLLs only, and the version resource.
# Usage: check_binary.sh OBJDUMP VARNEL-DLL   (the cross toolchain's objdump, 32- or 64-bit)
set -euo pipefail
objdump=$1 dll=$2
fail() { echo "FAIL: $*"; exit 1; }
dump=$("$objdump" -p "$dll")

grep -qE '^Name[[:space:]]+[0-9a-f]+ Varnel_DLL.dll$' <<<"$dump" || fail "module name"
names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk '$1 == "[" {print $2, $3}')
expected='0] CloseUsbDevice
1] FindHidDevice
2] FindVidPid
3] GetDeviceCapabilities
4] OpenDevice
5] OpenUsbDevice
6] OutDataCtrl'
[ "$names" = "$expected" ] || fail "export names: $names"
grep -q 'Ordinal Base 1' <<<"$dump" || fail "ordinal base"
grep -q '@' <<<"$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump")" &&
  fail "decorated export names"
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort | xargs)
for import in $imports; do
  case $import in kernel32.dll | msvcrt.dll | oleaut32.dll | user32.dll | advapi32.dll) ;;
    *) fail "imports $import" ;;
  esac
done

# The version resource: the strings in UTF-16 and the numeric version 2013.1.0.0.
strings -el "$dll" >"$dll.strings"
for text in 040404B0 ProductName InternalName OriginalFilename Varnel.dll 2013.01; do
  grep -qx "$text" "$dll.strings" || fail "version resource lacks $text"
done
rm -f "$dll.strings"
# VS_FIXEDFILEINFO: its signature, its structure version, then file version 2013.1 and 0.0,
# product version the same.
bytes=$(od -An -tx1 -v "$dll" | tr -d ' \n')
[[ $bytes == *bd04effe000001000100dd07000000000100dd0700000000* ]] || fail "numeric version 2013.1.0.0"
echo "PASS: $imports"
