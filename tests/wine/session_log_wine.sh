#!/usr/bin/env bash
# Varnel.dll's session log under Wine, the doubles holding the board: a station that clears the
# red row, then writes the green row with a control byte of its own, driven through
# varnel_session.exe with VARNEL_SESSION_LOG set, is logged line by line, a second run after the
# first, and judged FAIL; with a log that cannot be opened or written it answers as without one.
# Usage: session_log_wine.sh TEST-DIR
#        (WINEPREFIX set; WINE may name Wine's loader; STATION_JUDGE is the station-check
#        command, given --exercise 3 and the log's path after it)
set -uo pipefail
dir=$1
read -ra judge <<<"${STATION_JUDGE:-}"
work=$(mktemp -d)
# Wine ends with the script: a server left running without a display would keep the next
# test's windows from showing.
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v "${judge[0]:-}" >/dev/null || fail "no station-check to judge with: ${judge[*]}"

# play LOG: the session's answers on one line, with VARNEL_SESSION_LOG=LOG (unset when empty).
play() {
  printf '%s\n' "open 1234 6789" "out 0 20" "out 0 30" "out 0 20" close "open 1234 6789" \
    "out 3 40" close |
    (cd "$dir" && env ${1:+VARNEL_SESSION_LOG="$1"} WINEDLLOVERRIDES=setupapi,hid=n \
      HID_BUS_BOARD=1 "${WINE:-wine}" varnel_session.exe 2>/dev/null) | tr -d '\r' | xargs
}

[ "$(play "")" = "ready -1 sent sent sent closed -1 sent closed" ] || fail "answered: $(play "")"
for log in "Z:$work/session.jsonl" "Z:$work/missing/session.jsonl" "Z:$work" "Z:/dev/full"; do
  answers=$(play "$log")
  [ "$answers" = "ready -1 sent sent sent closed -1 sent closed" ] || fail "$log: $answers"
done

expected='{"event":"plugged"}
{"report":[0,0,32,0,0,0,0,0,0],"length":9}
{"report":[0,0,48,0,0,0,0,0,0],"length":9}
{"report":[0,0,32,0,0,0,0,0,0],"length":9}
{"report":[0,3,64,0,0,0,0,0,0],"length":9}'
[ "$(sed 's/"ms":[0-9]*,//' "$work/session.jsonl")" = "$expected" ] ||
  fail "the log holds: $(cat "$work/session.jsonl")"
verdict=$("${judge[@]}" --exercise 3 "$work/session.jsonl")
status=$?
# station-check.exe ends its lines as Windows does.
verdict=${verdict//$'\r'/}
[ $status -eq 1 ] && [[ "$verdict" == *FAIL ]] || fail "the faulty station was judged: $verdict"
play "Z:$work/session.jsonl" >/dev/null
[ "$(sed 's/"ms":[0-9]*,//' "$work/session.jsonl")" = "$expected"$'\n'"$expected" ] ||
  fail "after a second run the log holds: $(cat "$work/session.jsonl")"
echo "PASS: Varnel.dll logged the session whole, and it was judged FAIL"
