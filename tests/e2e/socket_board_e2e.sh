#!/usr/bin/env bash
# The virtual board without root: virtual-board, run by a user who may not open /dev/uhid
# (nobody, when the test runs as root), offers the board on a socket in that user's
# XDG_RUNTIME_DIR; Orlanek, started by the same user on libVarnel.so, plays exercise 3 on it
# with the board pulled out and put back, and the session as the board recorded it and as the
# library logged it pass station-check. No socket but the user's own board is used: one that
# another user made is not listed, nor one that others may open; one of another user's given
# to this user is listed but not opened, and one whose board does not answer is given up on.
# Usage: socket_board_e2e.sh BIN-DIR TEST-BIN-DIR (on a display of its own: with_display.sh)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$1
checker=$bin/station-check x_close=$2/x-close
work=$(mktemp -d)
source "$here/station.sh"
source "$here/checked_session.sh"
pid="" board="" other_board=""
trap 'kill $pid $board $other_board 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The user's own folder, which the user reaches through $work.
folder=$work/run socket=$work/run/varnel-virtual-board
mkdir -m 700 "$folder" && chmod 711 "$work"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody:nogroup "$folder"
fi
# The user's commands: each is the program itself, so that its pid is the program's.
as_user+=(env XDG_RUNTIME_DIR="$folder" HOME="$folder")
socket_made() { [ -S "$socket" ] && echo yes; }
# probe: varnelctl's exit status for the user: 0 ready, 1 no board, 3 listed but not opened
# (what it said in $work/probe).
probe() {
  "${as_user[@]}" timeout 10 "$bin/varnelctl" probe >"$work/probe" 2>&1
  echo $?
}

if [ "$(id -u)" -eq 0 ]; then
  XDG_RUNTIME_DIR=$folder "$bin/virtual-board" --socket --json >"$work/other.jsonl" 2>&1 &
  other_board=$!
  await yes socket_made || fail "root's board made no socket: $(cat "$work/other.jsonl")"
  [ "$(probe)" = 1 ] || fail "root's socket was listed for nobody (probe: $(probe))"
  chown nobody "$socket" && chmod 666 "$socket"
  [ "$(probe)" = 1 ] || fail "a socket that others may open was listed (probe: $(probe))"
  chmod 600 "$socket"
  [ "$(probe)" = 3 ] || fail "root's board, on nobody's socket, was not refused (probe: $(probe))"
  grep -q report "$work/other.jsonl" && fail "root's board took reports: $(cat "$work/other.jsonl")"
  kill $other_board && wait $other_board
  [ -e "$socket" ] && fail "root's board left its socket behind"
fi

"${as_user[@]}" "$bin/virtual-board" --json >"$work/session.jsonl" 2>"$work/board.err" &
board=$!
await yes socket_made || fail "no socket: $(cat "$work/board.err")"
kill -STOP $board
[ "$(probe)" = 3 ] || fail "a board that does not answer was not given up on (probe: $(probe))"
grep -q 'no virtual board answers' "$work/probe" || fail "varnelctl probe: $(cat "$work/probe")"
kill -CONT $board

unplug_board() {
  kill -USR1 $board
  await '*unplugged*' cat "$work/session.jsonl"
}
plug_board() { kill -USR1 $board; }
# The real library, named as a search folder too: under AddressSanitizer, whose dlopen is the
# caller, the program's own run path is not searched.
start_station "$bin" "$bin" "${as_user[@]}" VARNEL_SESSION_LOG="$folder/library.jsonl"
[ -n "$menu" ] || fail "the menu window did not appear"
play_checked_session 3 "$work/session.jsonl" replug || fail "$why"
[ "$status" -eq 0 ] || fail "Orlanek ended with status $status"
grep -q '"event":"unplugged"' "$work/session.jsonl" || fail "the board was not pulled out"
verdict=$("$checker" --exercise 3 "$work/session.jsonl") || fail "the board's record: $verdict"
verdict=$("$checker" --exercise 3 "$folder/library.jsonl") || fail "the library's log: $verdict"
kill $board
wait $board || fail "the board ended with status $?: $(cat "$work/board.err")"
[ -e "$socket" ] && fail "the board left its socket behind"
exit 0
