# Plays one whole session of Orlanek for station-check, as a teacher would record it. Source it
# after station.sh, with $checker (station-check) and $x_close set and Orlanek started ($menu set); the
# caller defines unplug_board and plug_board for the board it uses.
# play_checked_session N LOG [replug]: chooses exercise N, plays it on the green row (with the
# board pulled out and put back after its third step when asked), walks the red row, clicks
# EXIT and closes the menu; LOG is the session as the board wrote it. Sets $status (Orlanek's
# exit status) and $why (what went wrong, empty when all went as planned).
play_checked_session() {
  local n=$1 log=$2 replug=${3:-}
  why=""
  choose_exercise "$n"
  [ -n "$run" ] || { why="the run window of exercise $n did not appear"; return 1; }
  click_run_button green
  if [ -n "$replug" ]; then
    await '[4-9]' green_writes "$log" || { why="no third step: $(green_writes "$log")"; return 1; }
    unplug_board
    # The board stays away for two ticks, so that the steps that fall into them are skipped.
    sleep 2
    plug_board
  fi
  await_check "rule 4, green run of exercise $n: held" "$n" "$log" ||
    { why="no whole green run: $("$checker" --exercise "$n" "$log")"; return 1; }
  click_run_button red
  await_check 'rule 5, red walk: held' "$n" "$log" ||
    { why="no whole red walk: $("$checker" --exercise "$n" "$log")"; return 1; }
  click_run_button exit
  await "*$menu*" xdotool search --onlyvisible --class "$class" || { why="no menu after EXIT"; return 1; }
  close_and_wait "$x_close" "$menu"
}

# green_writes LOG: how many green-row writes LOG holds.
green_writes() { grep -c '"report":\[0,[0-9]*,0,' "$1"; }

# await_check TEXT N LOG: waits up to 60 s for station-check to say TEXT of LOG so far, asking
# twice a second (more often would take time from the ticks on a small machine).
await_check() {
  local _
  for _ in $(seq 120); do
    [[ "$("$checker" --exercise "$2" "$3")" == *"$1"* ]] && return 0
    sleep 0.5
  done
  return 1
}
