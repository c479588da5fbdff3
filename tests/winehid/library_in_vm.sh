#!/usr/bin/env bash
# Varnel.dll of one bitness under Wine with Wine's own setupapi.dll, hid.dll and winebus, against
# virtual boards, with one Windows process (varnel_session.exe) held open throughout: the count
# and id texts as Wine enumerates them, the open, the report bytes and length at the board, the
# red strobe, two boards (the lower member index wins), unplug and replug while Wine runs, and
# many opens and closes leaving Wine's and the kernel's handle counts where they were. Prints
# the median open and close as a figure.
# Usage (inside the VM, from windows_in_vm.sh): library_in_vm.sh BITS WINE-LOADER WINDOWS-BUILD NATIVE-BUILD
#        (WINEPREFIX set, udevd running, VIRTUAL_BOARD naming the virtual-board program)
set -uo pipefail
bits=$1 loader=$2 build=$3 native=$4
source "$(dirname "$0")/boards.sh"
session=""
fail() {
  echo "FAIL ($bits-bit): $*"
  local i
  if [ -n "$session" ] && kill -0 "$session" 2>/dev/null; then
    for ((i = 0; i < ${count:-0}; ++i)); do echo "  member $i: $(ask "path $i")"; done
  fi
  exit 1
}

# The session's input and output through named pipes: closing its input ends it.
start_session() {
  mkfifo "$work/in$bits" "$work/out$bits"
  (cd "$app" && exec "$loader" varnel_session.exe <"$work/in$bits" >"$work/out$bits" \
    2>"$work/wine$bits.log") &
  session=$!
  exec {to}>"$work/in$bits" {from}<"$work/out$bits"
  local started
  started=$(read_answer 120)
  [ "$started" = ready ] ||
    { echo "FAIL: the session did not start: $started $(cat "$work/wine$bits.log")"; exit 1; }
}
end_session() {
  [ -n "$session" ] || return 0
  exec {to}>&- {from}<&-
  if ! await_end "$session"; then
    echo "FAIL: the session did not end when its input closed"
    kill -9 "$session"
  fi
  wait "$session"
  session=""
}
trap 'end_session; unplug_all' EXIT

# A folder of its own holding only the test program and the library as shipped, so that no
# setupapi.dll or hid.dll but Wine's can be found.
app=$work/app$bits
mkdir -p "$app"
cp "$build/tests/wine/varnel_session.exe" "$build/bin/Varnel.dll" "$app/" ||
  { echo "FAIL: build $build (bin/Varnel.dll, tests/wine/varnel_session.exe) first"; exit 1; }

# read_answer SECONDS: the session's next line, without the carriage return Windows ends it with.
read_answer() {
  local reply=""
  read -r -t "$1" reply <&"$from"
  echo "${reply%$'\r'}"
}
# ask COMMAND: the session's one-line answer.
ask() {
  echo "$1" >&"$to" && read_answer 60
}
# expect COMMAND ANSWER
expect() {
  local got
  got=$(ask "$1")
  [ "$got" = "$2" ] || fail "$1 gave '$got', not '$2'"
}
# await_count N: asks for the count until Wine has seen the boards come or go (up to 30 s).
await_count() {
  local _
  for _ in $(seq 60); do
    [ "$(ask count)" = "$1" ] && return 0
    sleep 0.5
  done
  fail "the count stayed $(ask count), not $1"
}
# The member indices whose id text is the board's.
board_members() {
  local i
  for ((i = 0; i < $(ask count); ++i)); do [ "$(ask "id $i")" = 12346789 ] && echo "$i"; done
}
# sent_to BOARD DATA CTRL: an open device, one report, closed; BOARD must have it as its last.
sent_to() {
  expect "out $2 $3" sent
  expect close closed
  await_report "$1" "[0,$((16#$2)),$((16#$3)),0,0,0,0,0,0],\"length\":9" ||
    fail "board $1 did not get $2 $3: $(reports "$1" | tail -n 3)"
}

start_session
count=$(ask count)
plug a
await_count $((count + 1))
count=$((count + 1))
[ "$(board_members | wc -l)" -eq 1 ] || fail "not one member with id text 12346789 among $count"
member=$(board_members)
path=$(ask "path $member")
[[ "$path" == '\\?\hid#vid_1234&pid_6789#'*'#{4d1e55b2-f16f-11cf-88cb-001111000030}' ]] ||
  fail "the board's path is $path"

# The open, one green report and the red strobe, byte for byte with the device's length.
expect "open 1234 6789" -1
expect "out 5a 0" sent
expect "out a5 20" sent
expect "out a5 30" sent
sent_to a a5 20
[ "$(reports a | tail -n 4)" = "$(printf '[0,%s,0,0,0,0,0,0],"length":9\n' \
  90,0 165,32 165,48 165,32)" ] || fail "board a got: $(reports a)"
[ "$(last_rows a)" = "90 165" ] || fail "board a shows green and red $(last_rows a), not 90 165"

# Two boards: OpenUsbDevice takes the lower member index of the two.
plug b
await_count $((count + 1))
read -r low high <<<"$(board_members | xargs)"
[ -n "$high" ] || fail "the second board has no member of its own"
expect "opendevice $high 1234 6789" -1
expect "out 11 0" sent
expect close closed
upper=a lower=b
await_report a '[0,17,0,0,0,0,0,0,0],"length":9' || upper=b lower=a
expect "open 1234 6789" -1
sent_to $lower 22 0
reports $upper | grep -q '^\[0,34,' && fail "the board at member $high got the report of member $low"

# Unplugged while Wine runs, the lower board is gone and the other one answers; plugged again,
# both are back.
unplug $lower
await_count "$count"
expect "open 1234 6789" -1
sent_to $upper 33 0
replug $lower
await_count $((count + 1))
unplug b
await_count "$count"

# Many opens and closes leave every handle and file where it was.
expect "open 1234 6789" -1
expect close closed
handles=$(ask handles) files=$(open_files)
median=$(ask "cycles 30 1234 6789")
[[ "$median" =~ ^[0-9]+$ ]] || fail "the open-and-close cycles gave $median"
[ "$(ask handles)" = "$handles" ] || fail "Wine's handles (own, all) went from $handles to $(ask handles)"
grown=$(files_grown "$files" "$(open_files)")
[ -z "$grown" ] || fail "more open files (process, before, after): $grown"
# Its peer: the same opens and closes by the Linux library straight on hidraw, in this boot.
peer=$("$native/tests/bin/vm-tick-benchmark" --open-close 30)
[[ "$peer" =~ ^[0-9]+$ ]] || fail "the Linux library's opens and closes gave $peer"
echo "figure: vm_wine${bits}_open_close_median_us $median us"
echo "figure: vm_linux_open_close_median_us_beside_wine$bits $peer us"
awk -v w="$median" -v l="$peer" -v b="$bits" \
  'BEGIN { if (l > 0) printf "figure: vm_wine%s_to_linux_open_close %.0f ratio\n", b, w / l }'
echo "PASS: Varnel.dll ($bits-bit) over Wine's HID stack"
