# Plays one whole session of Orlanek for station-check, as a teacher would record it. Source it
# after station.sh, with $checker (station-check) and $x_close set and Orlanek started ($menu
# set); the caller defines unplug_board and plug_board for the board it uses.
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
  # The first 0 on the green row comes after the exercise's last step.
  await_line '"report":[0,0,0,' "$log" ||
    { why="no whole green run: $("$checker" --exercise "$n" "$log")"; return 1; }
  click_run_button red
  await_line '"red":128}' "$log" ||
    { why="no whole red walk: $("$checker" --exercise "$n" "$log")"; return 1; }
  click_run_button exit
  local _
  for _ in $(seq 60); do
    [[ "$(xdotool search --onlyvisible --class "$class" 2>/dev/null)" == *"$menu"* ]] && break
    sleep 0.5
  done
  [[ "$(xdotool search --onlyvisible --class "$class" 2>/dev/null)" == *"$menu"* ]] ||
    { why="no menu after EXIT"; return 1; }
  close_and_wait "$x_close" "$menu"
}

# green_writes LOG: how many green-row writes LOG holds.
green_writes() {
  local line count=0
  while IFS= read -r line; do
    [[ "$line" =~ \"report\":\[0,[0-9]+,0, ]] && count=$((count + 1))
  done <"$1"
  echo $count
}

# await_line TEXT LOG: waits up to 60 s for LOG to hold TEXT, looking five times a second with
# the shell alone. (Programs started that often, station-check or xdotool, take time from the
# ticks in an emulated machine: the menu after EXIT is looked for twice a second.)
await_line() {
  local _ line
  for _ in $(seq 300); do
    while IFS= read -r line; do
      [[ "$line" == *"$1"* ]] && return 0
    done <"$2"
    sleep 0.2
  done
  return 1
}
