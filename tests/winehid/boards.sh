# shellcheck shell=bash
# Virtual boards for the checks over Wine's HID stack, sourced by their scripts: each board a
# virtual-board process (VIRTUAL_BOARD) whose JSON lines land in $work/NAME.json, each line after
# the time it was written in seconds. unplug_all ends them.
work=${work:-$(mktemp -d)}
declare -A board_pids

hidraw_nodes() { ls /sys/class/hidraw | wc -l; }
# await_nodes N: up to 10 s for N hidraw nodes.
await_nodes() {
  local _
  for _ in $(seq 100); do
    [ "$(hidraw_nodes)" -eq "$1" ] && return 0
    sleep 0.1
  done
  echo "FAIL: $(hidraw_nodes) hidraw nodes, not $1"
  return 1
}
# Closes every file but the standard three in this (sub)shell: a board's processes keep no pipe
# of the script's open, which would never see its end otherwise.
close_inherited() {
  local fd
  for fd in "/proc/$BASHPID/fd"/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] && eval "exec $fd>&-"
  done
  return 0
}
stamp() { while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done; }

# plug NAME: a new board, its node made.
plug() {
  local before
  before=$(hidraw_nodes)
  (close_inherited && exec "$VIRTUAL_BOARD" --json) > >(close_inherited && stamp >"$work/$1.json") &
  board_pids[$1]=$!
  await_nodes $((before + 1))
}
# unplug NAME, replug NAME: the board's unplug key, its node gone or back.
unplug() {
  local before
  before=$(hidraw_nodes)
  kill -USR1 "${board_pids[$1]}" && await_nodes $((before - 1))
}
replug() {
  local before
  before=$(hidraw_nodes)
  kill -USR1 "${board_pids[$1]}" && await_nodes $((before + 1))
}
unplug_all() {
  local name
  for name in "${!board_pids[@]}"; do
    kill "${board_pids[$name]}" 2>/dev/null
    await_end "${board_pids[$name]}" || echo "FAIL: board $name did not end on SIGTERM"
  done
  board_pids=()
}
# await_end PID: up to 20 s for the process to end.
await_end() {
  local _
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.2
  done
  return 1
}

# The reports a board received, one a line: the bytes and the length.
reports() { grep -o '"report":\[[0-9,]*\],"length":[0-9]*' "$work/$1.json" | sed 's/"report"://'; }
# The times of the reports with control byte CTRL, and the rows after each.
report_times() {
  sed -n "s/^\([0-9.]*\) .*\"report\":\[0,[0-9]*,$2,.*/\1/p" "$work/$1.json"
}
rows_after() {  # rows_after NAME CTRL green|red: that row after each report with CTRL
  sed -n "s/.*\"report\":\[0,[0-9]*,$2,.*\"$3\":\([0-9]*\).*/\1/p" "$work/$1.json" | xargs
}
# The green and red rows after the board's last report.
last_rows() {
  grep '"report"' "$work/$1.json" | tail -n 1 |
    sed -n 's/.*"green":\([0-9]*\).*"red":\([0-9]*\).*/\1 \2/p'
}
# await_report NAME TEXT: up to 10 s for the board's last report to be TEXT.
await_report() {
  local _
  for _ in $(seq 100); do
    [ "$(reports "$1" | tail -n 1)" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# The open files of every process but udevd's (whose workers come and go), "PID COUNT" a line,
# and the number on hidraw nodes ("hidraw COUNT").
open_files() {
  local udevd
  udevd=$(pgrep -d '|' -x systemd-udevd)
  find /proc/[0-9]*/fd -mindepth 1 -maxdepth 1 -printf '%h %l\n' 2>/dev/null |
    grep -Ev "^/proc/(${udevd:-none})/fd " |
    awk '{ split($1, path, "/"); files[path[3]]++ } $2 ~ /^\/dev\/hidraw/ { hidraw++ }
      END { for (pid in files) print pid, files[pid]; print "hidraw", hidraw + 0 }' | LC_ALL=C sort
}
# files_grown BEFORE AFTER: the processes in both lists that hold more files than before, with
# their names, and the hidraw count when it changed. (Wine's services end idle threads, each
# with files of its own, at times of their own: fewer files are no fault.)
files_grown() {
  LC_ALL=C join <(echo "$1") <(echo "$2") | while read -r pid before after; do
    if [ "$pid" = hidraw ] && [ "$before" != "$after" ] || [ "$after" -gt "$before" ]; then
      echo "$pid ($(cat "/proc/$pid/comm" 2>/dev/null)) $before -> $after"
    fi
  done
}
