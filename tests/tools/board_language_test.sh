#!/usr/bin/env bash
# virtual-board and varnelctl under a Chinese locale: usage, errors and the coach's lines in
# Traditional Chinese; with no language (LANG=C) byte for byte what English forced gives.
# Usage: board_language_test.sh VIRTUAL-BOARD VARNELCTL
set -uo pipefail
board=$1 ctl=$2
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
unset LANGUAGE LC_ALL LC_MESSAGES STATION_LANGUAGE
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

# run NAME ENV...: usages, errors, and a coached board ended once it serves, its picture's folder
# missing; into NAME.*
run() {
  local out=$work/$1
  shift
  env "$@" "$board" --help >"$out.board-usage"
  env -u XDG_RUNTIME_DIR "$@" "$board" --socket 2>"$out.board-error"
  env "$@" "$ctl" --help >"$out.ctl-usage"
  env "$@" "$ctl" green 256 2>"$out.ctl-error"
  env "$@" "$board" --socket --exercise 3 --picture "$work/missing/session.svg" \
    >"$out.session" 2>"$out.session-error" &
  for _ in $(seq 500); do [ -S "$XDG_RUNTIME_DIR/varnel-virtual-board" ] && break; sleep 0.01; done
  kill $!; wait $!; echo "status $?" >>"$out.session-error"
}
run zh LANG=zh_TW.UTF-8
run c LANG=C
run en LANG=zh_TW.UTF-8 STATION_LANGUAGE=en

seen() { grep -qF "$1" "$work/zh.$2" || fail "no \"$1\" in $2: $(cat "$work/zh.$2")"; }
seen '用法：virtual-board [--usb | --socket]' board-usage
seen 'virtual-board：沒有可放 LED 板 socket 的資料夾：XDG_RUNTIME_DIR 未設定' board-error
seen '用法：varnelctl list | probe' ctl-usage
seen 'varnelctl：「256」不是 0 到 255 的位元組（請看 varnelctl --help）' ctl-error
seen '已插上   | 參考站台 綠燈列 ○○○○○○○○   紅燈列 ○○○○○○○○ | 規則  1 尚未  2 尚未' session
seen "virtual-board：無法寫入 $work/missing/session.svg" session-error
for file in board-usage board-error ctl-usage ctl-error session session-error; do
  cmp -s "$work/"{c,en}."$file" || fail "$file: LANG=C differs: $(diff "$work/"{c,en}."$file")"
done
echo "PASS"
