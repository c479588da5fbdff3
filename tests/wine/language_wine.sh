#!/usr/bin/env bash
# The Windows programs in the user's language under Wine. With Chinese (Taiwan) the user's
# language (LANG=zh_TW.UTF-8), and again without it, station-check.exe's usage, an error, a
# verdict with a broken rule on a session of a Chinese name and an error for a file it cannot
# read are the Linux program's to the byte in the same language. virtual-board.exe gives its
# usage in Chinese, the same on a pipe and on a code page 950 console, titles its window in
# Chinese, writes its JSON lines and picture to files of Chinese names and gives the coach's
# verdict as the Linux station-check does on them.
# Usage: language_wine.sh BIN-DIR SOURCE-DIR LINUX-STATION-CHECK
#        (on a display: tests/e2e/with_display.sh; WINEPREFIX set; WINE may name Wine's loader)
set -uo pipefail
bin=$1 source=$2 linux=$3
wine=${WINE:-wine}
work=$(mktemp -d)
board=""
trap 'kill $board 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
source "$source/tests/e2e/station.sh"
class=virtual-board.exe
unset LC_ALL LANGUAGE LC_MESSAGES STATION_LANGUAGE
status=0 error=()
fail() { echo "FAIL: $*"; status=1; }
[ -x "$linux" ] || { echo "FAIL: no $linux (the native build makes it)"; exit 1; }
# The locale of the test's own, where Wine's loader finds it (LOCPATH) whether or not the host
# has it: without it Wine takes the command line for ASCII.
export LOCPATH=$work/locales
mkdir "$LOCPATH"
localedef -i zh_TW -f UTF-8 "$LOCPATH/zh_TW.UTF-8" 2>/dev/null
[ -f "$LOCPATH/zh_TW.UTF-8/LC_CTYPE" ] || { echo "FAIL: localedef made no zh_TW.UTF-8"; exit 1; }

sed 's/= 42000000 /= 43000000 /' "$source/tests/tools/data/orlanek-exercise-7-on-usb.usbmon" \
  >"$work/考生一.usbmon"
# same LOCALE ARG...: station-check.exe's words and exit status in Wine with the locale, which
# must be the Linux program's with it; sets $said.
same() {
  local locale=$1 on_linux
  shift
  said=$(LANG=$locale "$wine" "$bin/station-check.exe" "$@" 2>&1 | tr -d '\r'
    echo "exit ${PIPESTATUS[0]}")
  on_linux=$(LANG=$locale "$linux" "$@" 2>&1; echo "exit $?")
  [ "$said" = "$on_linux" ] || fail "station-check.exe $* in $locale: $said; on Linux: $on_linux"
}
for locale in zh_TW.UTF-8 C.UTF-8; do
  # The Windows usage goes on to how Explorer's drops are judged.
  help=$(LANG=$locale "$wine" "$bin/station-check.exe" --help | tr -d '\r')
  on_linux=$(LANG=$locale "$linux" --help)
  [[ "$help" == "$on_linux"?* ]] ||
    fail "station-check.exe's usage in $locale: $help; on Linux: $on_linux"
  same $locale --exercise 11
  error[${#error[@]}]=$said
  same $locale "$work/考生一.usbmon"
  [[ "$said" == *"exit 1" ]] || fail "the session with a broken rule in $locale: $said"
  same $locale "$work/缺考.usbmon"
done
[ "${error[0]}" != "${error[1]}" ] || fail "station-check.exe's error is the same in both: ${error[0]}"

board_help=$(LANG=zh_TW.UTF-8 "$wine" "$bin/virtual-board.exe" --help | tr -d '\r')
english=$(LANG=C.UTF-8 "$wine" "$bin/virtual-board.exe" --help | tr -d '\r')
[[ "$english" == "Usage: virtual-board.exe "* ]] && [ "$board_help" != "$english" ] ||
  fail "virtual-board.exe's usage in Chinese: $board_help; in English: $english"
# A console takes the text in its code page; the Chinese reaches it whole only as UTF-16.
exe="Z:$(tr / '\\' <<<"$bin/virtual-board.exe")"
console=$(LANG=zh_TW.UTF-8 script -qec \
  "stty cols 200; $wine cmd /c 'chcp 950 >nul & $exe --help'" /dev/null |
  sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r')
[ "$console" = "$board_help" ] || fail "virtual-board.exe's usage on a console: $console"

# Files of Chinese names, and the coach's verdict at the end as station-check gives it on them.
LANG=zh_TW.UTF-8 "$wine" "$bin/virtual-board.exe" --json "$work/考生一.jsonl" --exercise 3 \
  --picture "$work/考生一.png" >"$work/verdict" 2>&1 &
board=$!
window=$(wait_for '')
title=$(xdotool getwindowname "$window" 2>/dev/null)
[ -n "$title" ] && [ "$title" != "Virtual LED board" ] || fail "virtual-board.exe's title: $title"
await yes eval 'grep -q "\"plugged\"" "$work/考生一.jsonl" 2>/dev/null && echo yes' &&
  xdotool windowfocus --sync "$window" key alt+F4 &&
  await gone eval 'kill -0 $board 2>/dev/null || echo gone'
verdict=$(LANG=zh_TW.UTF-8 "$linux" --exercise 3 "$work/考生一.jsonl")
[ "$(tr -d '\r' <"$work/verdict")" = "$verdict" ] && [ -s "$work/考生一.png" ] ||
  fail "virtual-board.exe's verdict: $(cat "$work/verdict"); station-check's: $verdict; $(ls "$work")"
[ $status -eq 0 ] && echo "PASS: station-check.exe as on Linux in both languages;" \
  "virtual-board.exe in Chinese on a pipe, a console and its window"
exit $status
