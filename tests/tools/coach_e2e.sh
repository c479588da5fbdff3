#!/usr/bin/env bash
# The practice coach live: the virtual board on this user's socket, coaching exercise 3, while a
# station program on libVarnel.so plays it a tick a second with the board pulled out and put
# back. A right session holds every rule and passes; one with a wrong green step, coached in
# Chinese, is told at that tick, with what was sent and what the reference sends, while the board
# takes every report, and ends with station-check's verdict.
# Usage: coach_e2e.sh BIN-DIR COACH-STATION
set -uo pipefail
bin=$1 station=$2
work=$(mktemp -d)
board=""
trap 'kill $board 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=$XDG_RUNTIME_DIR/varnel-virtual-board

# play NAME WRONG-TICK [LANGUAGE]: the session coached (in English unless LANGUAGE is given),
# its JSON in NAME.jsonl, the coach in NAME.coach.
play() {
  STATION_LANGUAGE=${3:-en} "$bin/virtual-board" --socket --json --exercise 3 --picture "$work/$1.svg" \
    >"$work/$1.jsonl" 2>"$work/$1.coach" &
  board=$!
  for _ in $(seq 500); do [ -S "$socket" ] && break; sleep 0.01; done
  [ -S "$socket" ] || fail "$1: no socket: $(cat "$work/$1.coach")"
  sent=$("$station" $board "$2") || fail "$1: the station program failed"
  kill $board
  wait $board || fail "$1: the board ended with status $?: $(cat "$work/$1.coach")"
  board=""
  reports=$(grep -c '"report"' "$work/$1.jsonl")
  [ "$reports" = "$sent" ] || fail "$1: the program sent $sent reports, the board took $reports"
}

play right -1
live=$(grep -c 'rules' "$work/right.coach")
[ "$live" -gt 20 ] || fail "the coach showed $live views of the rules: $(cat "$work/right.coach")"
grep -q 'first break' "$work/right.coach" && fail "a right session broke: $(grep -m1 'first break' "$work/right.coach")"
grep -q 'rules  1 held  2 held  3 held  4 held  5 held  6 held' "$work/right.coach" ||
  fail "the rules were never all held: $(tail -n 10 "$work/right.coach")"
[ "$(tail -n 1 "$work/right.coach")" = PASS ] || fail "right session: $(tail -n 8 "$work/right.coach")"
grep -q '^rule 6, plug-in clear: held' "$work/right.coach" || fail "no plug-in: $(tail -n 8 "$work/right.coach")"
"$bin/station-check" --exercise 3 "$work/right.jsonl" >/dev/null || fail "station-check disagrees"
grep -q '<svg' "$work/right.svg" || fail "no picture drawn"

# The wrong session coached in Chinese: the break's sentence is told once, at its tick, naming the
# line and both bytes, and the coach ends with station-check's own verdict in that language.
play wrong 4 zh_TW
first=$(grep -m1 -o '首次違反：.*' "$work/wrong.coach" | sed 's/ | .*//')
[[ $first =~ "首次違反：規則 4，第 3 題的綠燈列執行：於 "[0-9.]+" s（第 "([0-9]+)" 行：0 "([0-9]+)" 0 "[0-9[:space:]]*"）：送出綠燈列 "([0-9]+)"，參考站台此處送出綠燈列 "([0-9]+) ]] ||
  fail "the first break: $first"
named=$(sed -n "${BASH_REMATCH[1]}p" "$work/wrong.jsonl")
[[ $named == *"\"report\":[0,${BASH_REMATCH[2]},0,"* ]] || fail "$first names another line: $named"
[ "${BASH_REMATCH[2]}" = "${BASH_REMATCH[3]}" ] || fail "the sentence names another report: $first"
[ $(( BASH_REMATCH[3] ^ BASH_REMATCH[4] )) = 16 ] || fail "the bytes told are not the wrong step's: $first"
breaks() { grep -o '首次違反：[^|]*' "$work/wrong.coach" | sed 's/（此後又有.*//' | sort -u; }
[ "$(breaks | wc -l)" = 1 ] || fail "the first break changed: $(breaks)"
verdict=$(STATION_LANGUAGE=zh_TW "$bin/station-check" --exercise 3 "$work/wrong.jsonl")
[ "$(tail -n 1 <<<"$verdict")" = '不通過（FAIL）' ] &&
  [ "$(tail -n "$(wc -l <<<"$verdict")" "$work/wrong.coach")" = "$verdict" ] ||
  fail "not station-check's verdict: $(tail -n 10 "$work/wrong.coach")"
exit 0
