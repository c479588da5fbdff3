#!/usr/bin/env bash
# station-check's room report and picture in Chinese and in English: the page says its language,
# the SVG's words are Chinese in a face that has them, while the PNG (its font has ASCII alone)
# and the CSV's columns and status words, which spreadsheets count, are the same in both.
# Usage: station_report_language.sh STATION-CHECK SOURCE-DIR
set -uo pipefail
station_check=$1 capture=$2/tests/tools/data/orlanek-exercise-7-on-usb.usbmon
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Chinese characters by their UTF-8 lead bytes, whatever locale runs the test.
export LC_ALL=C
han='[\xe4-\xe9]'
status=0
fail() { echo "FAIL: $*"; status=1; }

mkdir "$work/exam"
cp "$capture" "$work/exam/01 passed.usbmon"
head -c 3000 "$capture" >"$work/exam/02 cut.usbmon"
for language in zh_TW en; do
  export STATION_LANGUAGE=$language
  "$station_check" --picture "$work/$language.png" "$capture" >/dev/null 2>&1
  "$station_check" --picture "$work/$language.svg" "$capture" >/dev/null 2>&1
  "$station_check" --report "$work/$language.html" --csv "$work/$language.csv" "$work/exam" \
    >"$work/$language.txt" 2>&1
done
cmp -s "$work/zh_TW.png" "$work/en.png" || fail "the PNG differs between Chinese and English"
grep -q 'font-family="[^"]*新細明體' "$work/zh_TW.svg" && grep -qP ">[^<]*$han" "$work/zh_TW.svg" ||
  fail "the Chinese SVG has no Chinese words in a Chinese face: $(head -c 600 "$work/zh_TW.svg")"
grep -qP '[^\x00-\x7f]' "$work/en.svg" && fail "the English SVG is not ASCII"
grep -q '<html lang="zh-Hant-TW">' "$work/zh_TW.html" ||
  fail "the Chinese page: $(grep -m1 '<html' "$work/zh_TW.html")"
grep -q '<html lang="en">' "$work/en.html" || fail "the English page: $(grep -m1 '<html' "$work/en.html")"
grep -qP "<th>$han" "$work/zh_TW.html" || fail "the Chinese page's table heads are not Chinese"
cut -d, -f1-12 "$work/zh_TW.csv" >"$work/zh_TW.fields"
cut -d, -f1-12 "$work/en.csv" >"$work/en.fields"
cmp -s "$work/zh_TW.fields" "$work/en.fields" ||
  fail "the CSV's columns or status words follow the language: $(diff "$work/en.fields" "$work/zh_TW.fields")"
[ $status -eq 0 ] && echo "PASS"
exit $status
