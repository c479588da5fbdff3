#!/usr/bin/env bash
# station-check's room report and picture in Chinese and in English: the page says its language,
# the SVG's words are Chinese in a face that has them, while the PNG (its font has ASCII alone)
# and the CSV's columns and status words, which spreadsheets count, are the same in both.
# Usage: station_report_language.sh STATION-CHECK SOURCE-DIR
set -uo pipefail
station_check=$1 capture=$2/tests/tools/data/orlanek-exercise-7-on-usb.usbmon
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C  # Chinese is found by its UTF-8 lead bytes, [\xe4-\xe9]
status=0
fail() { echo "FAIL: $*"; status=1; }

mkdir "$work/exam"
cp "$capture" "$work/exam/01 passed.usbmon"
head -c 3000 "$capture" >"$work/exam/02 cut.usbmon"
for language in zh_TW en; do
  export STATION_LANGUAGE=$language
  for picture in png svg; do "$station_check" --picture "$work/$language.$picture" "$capture"; done
  "$station_check" --report "$work/$language.html" --csv "$work/$language.csv" "$work/exam"
done >/dev/null 2>&1
cmp -s "$work/zh_TW.png" "$work/en.png" || fail "the PNG differs between Chinese and English"
grep -q 'font-family="[^"]*新細明體' "$work/zh_TW.svg" && grep -qP '>[^<]*[\xe4-\xe9]' "$work/zh_TW.svg" ||
  fail "the Chinese SVG has no Chinese words in a Chinese face: $(head -c 600 "$work/zh_TW.svg")"
for page in 'zh_TW zh-Hant-TW' 'en en'; do
  set -- $page
  grep -q "<html lang=\"$2\">" "$work/$1.html" || fail "the $1 page: $(grep -m1 '<html' "$work/$1.html")"
done
fields() { cut -d, -f1-12 "$work/$1.csv"; }
[ "$(fields zh_TW)" = "$(fields en)" ] ||
  fail "the CSV's columns or status words follow the language: $(diff <(fields en) <(fields zh_TW))"
[ $status -eq 0 ] && echo "PASS"
exit $status
