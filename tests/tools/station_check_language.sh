#!/usr/bin/env bash
# station-check in the user's language: Traditional Chinese where LANG, LANGUAGE or
# STATION_LANGUAGE asks for it, else byte for byte the English, with the same exit statuses and
# the same first break in a room's table either way.
# Usage: station_check_language.sh STATION-CHECK SOURCE-DIR
set -uo pipefail
station_check=$1 data=$2/tests/tools/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# A session whose green run breaks at one tick.
sed 's/= 42000000 /= 43000000 /' "$data/orlanek-exercise-7-on-usb.usbmon" >"$work/broken.usbmon"

# run NAME VARIABLE=VALUE...: the usage, a verdict, an error and a room's table in that
# environment, in NAME.help, NAME.verdict, NAME.error, NAME.csv; their statuses in NAME.status.
run() {
  local name=$1
  shift
  local in=(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u STATION_LANGUAGE "$@" "$station_check")
  "${in[@]}" --help >"$work/$name.help" 2>&1
  echo $? >"$work/$name.status"
  "${in[@]}" "$work/broken.usbmon" >"$work/$name.verdict" 2>&1
  echo $? >>"$work/$name.status"
  "${in[@]}" "$work/missing/session.jsonl" >"$work/$name.error" 2>&1
  echo $? >>"$work/$name.status"
  "${in[@]}" --csv "$work/$name.csv" "$work/broken.usbmon" >/dev/null 2>&1
}
statuses() { tr '\n' ' ' <"$work/$1.status"; }
first_break() { cut -d, -f11,12 "$work/$1.csv" | tail -n 1; }

run english LANG=C
[ "$(statuses english)" = "0 1 2 " ] || fail "in English the statuses were $(statuses english)"
grep -q '^Usage: station-check' "$work/english.help" || fail "no English usage"
[[ $(first_break english) =~ ^[0-9]+\.[0-9]{3},4$ ]] ||
  fail "the table's first break is '$(first_break english)', not rule 4's time"
for case in "language LANGUAGE=zh_TW LANG=C" "forced STATION_LANGUAGE=en LANG=zh_TW.UTF-8"; do
  read -ra settings <<<"$case"
  run "${settings[@]}"
  for part in status help verdict error csv; do
    cmp -s "$work/english.$part" "$work/${settings[0]}.$part" || fail "with ${settings[*]:1}" \
      "the $part is not LANG=C's: $(diff "$work/english.$part" "$work/${settings[0]}.$part")"
  done
done

han() { LC_ALL=C.UTF-8 grep -cP '\p{Han}' "$work/$1"; }
for case in "chinese LANG=zh_TW.UTF-8" "forced_chinese STATION_LANGUAGE=zh_TW LANG=C"; do
  read -ra settings <<<"$case"
  run "${settings[@]}"
  name=${settings[0]} with="with ${settings[*]:1}"
  [ "$(statuses "$name")" = "$(statuses english)" ] ||
    fail "$with the statuses were $(statuses "$name")"
  grep -q '^用法：station-check' "$work/$name.help" || fail "$with no Chinese usage"
  [ "$(han "$name.verdict")" -ge 6 ] ||
    fail "$with the rules are not Chinese: $(cat "$work/$name.verdict")"
  [ "$(han "$name.error")" -ge 1 ] ||
    fail "$with the error is not Chinese: $(cat "$work/$name.error")"
  [ "$(first_break "$name")" = "$(first_break english)" ] ||
    fail "$with the table's first break is '$(first_break "$name")'"
done
cmp -s "$work/chinese.help" "$work/forced_chinese.help" ||
  fail "STATION_LANGUAGE=zh_TW gives another usage than LANG=zh_TW.UTF-8"
exit $status
