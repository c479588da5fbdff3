#!/usr/bin/env bash
# The Windows programs under Wine with Chinese (Taiwan) the user's language and without it:
# station-check.exe's usage, errors and a broken rule's verdict on a file of a Chinese name are
# the Linux program's to the byte in the same language; virtual-board.exe's usage is Chinese on a
# pipe and on a code page 950 console alike, its title too, its files of Chinese names are
# written and the coach's verdict is station-check's on them.
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
status=0
fail() { echo "FAIL: $*"; status=1; }
[ -x "$linux" ] || { echo "FAIL: no $linux (the native build makes it)"; exit 1; }
# A locale of the test's own (LOCPATH), as the host may have none: without one Wine takes the
# command line for ASCII.
export LOCPATH=$work/locales
mkdir "$LOCPATH" && localedef -i zh_TW -f UTF-8 "$LOCPATH/zh_TW.UTF-8" 2>/dev/null
[ -f "$LOCPATH/zh_TW.UTF-8/LC_CTYPE" ] || { echo "FAIL: localedef made no zh_TW.UTF-8"; exit 1; }

sed 's/= 42000000 /= 43000000 /' "$source/tests/tools/data/orlanek-exercise-7-on-usb.usbmon" \
  >"$work/考生一.usbmon"
# same LOCALE ARG...: station-check.exe's words and exit status with the locale, the Linux
# program's with it; sets $said.
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
  [[ "$help" == "$(LANG=$locale "$linux" --help)"?* ]] || fail "the usage in $locale: $help"
  same $locale --exercise 11
  [ "$said" != "${chinese:-}" ] || fail "station-check.exe's error is the same in both: $said"
  chinese=$said
  same $locale "$work/考生一.usbmon"
  [[ "$said" == *"exit 1" ]] || fail "the session with a broken rule in $locale: $said"
  same $locale "$work/缺考.usbmon"
done

board_help=$(LANG=zh_TW.UTF-8 "$wine" "$bin/virtual-board.exe" --help | tr -d '\r')
english=$(LANG=C.UTF-8 "$wine" "$bin/virtual-board.exe" --help | tr -d '\r')
[[ "$english" == "Usage: virtual-board.exe "* && "$board_help" != "$english" ]] ||
  fail "virtual-board.exe's usage in Chinese: $board_help; in English: $english"
# A console takes the text in its code page; the Chinese reaches it whole only as UTF-16.
exe="Z:$(tr / '\\' <<<"$bin/virtual-board.exe")"
console=$(LANG=zh_TW.UTF-8 script -qec \
  "stty cols 200; $wine cmd /c 'chcp 950 >nul & $exe --help'" /dev/null |
  sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r')
[ "$console" = "$board_help" ] || fail "virtual-board.exe's usage on a console: $console"

LANG=zh_TW.UTF-8 "$wine" "$bin/virtual-board.exe" --json "$work/考生一.jsonl" --exercise 3 \
  --picture "$work/考生一.png" >"$work/verdict" 2>&1 &
board=$!
window=$(wait_for '')
title=$(xdotool getwindowname "$window" 2>/dev/null)
[[ -n "$title" && "$title" != "Virtual LED board" ]] || fail "virtual-board.exe's title: $title"
await yes eval 'grep -q "\"plugged\"" "$work/考生一.jsonl" 2>/dev/null && echo yes' &&
  xdotool windowfocus --sync "$window" key alt+F4 &&
  await gone eval 'kill -0 $board 2>/dev/null || echo gone'
verdict=$(LANG=zh_TW.UTF-8 "$linux" --exercise 3 "$work/考生一.jsonl")
[ "$(tr -d '\r' <"$work/verdict")" = "$verdict" ] && [ -s "$work/考生一.png" ] ||
  fail "virtual-board.exe's verdict: $(cat "$work/verdict"); station-check's: $verdict"
[ $status -eq 0 ] && echo "PASS: both programs in Chinese and in English"
exit $status
