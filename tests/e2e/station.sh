# Shared by the scripts that drive Orlanek as a user does, on a virtual display, against the
# simulated board. Source it after setting $work (a scratch folder). STATION_SETTLE gives the
# seconds a new window is given before it is clicked (more on a slow machine).
settle=${STATION_SETTLE:-0.5}
# The X window class the program's windows carry (Wine names it after the .exe).
class=${STATION_CLASS:-Orlanek}
# The windows' dpi (Wine's LogPixels): px N is N pixels at 96 dpi at that dpi, rounded.
px() { echo $((($1 * ${STATION_DPI:-96} + 48) / 96)); }
# set_dpi N: Wine's LogPixels, which Wine's desktop reads as it starts (wineserver -k first).
set_dpi() {
  "${WINE:-wine}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1
}
# Window titles are matched as UTF-8 text.
export LC_ALL=C.UTF-8

# wait_for NAME-PATTERN [TRIES]: prints the id of the first visible window so named (or of
# class Orlanek when the pattern is empty), trying every 0.2 s, up to 30 s.
wait_for() {
  local id="" _
  for _ in $(seq "${2:-150}"); do
    if [ -n "$1" ]; then
      id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    else
      id=$(xdotool search --onlyvisible --class "$class" 2>/dev/null | head -n 1 || true)
    fi
    [ -n "$id" ] && break
    sleep 0.2
  done
  echo "$id"
}

# start_station BIN-DIR SIM-LIBRARY-DIR [WRAPPER...]: starts Orlanek over the simulated bus with
# the board plugged in; sets $pid and $menu.
start_station() {
  local bin=$1 sim=$2
  shift 2
  touch "$work/plugged"
  LD_LIBRARY_PATH=$sim SIMBUS_BOARD_FILE=$work/plugged SIMBUS_REPORT_LOG=$work/reports \
    "$@" "$bin/Orlanek" &
  pid=$!
  menu=$(wait_for "")
  [ -n "$menu" ] && sleep "$settle"
}

# click_exercise N: clicks the menu's button for exercise N (1 to 10).
click_exercise() {
  # Buttons of 6000 by 420 twips at 1200 twips from the left; their tops from the design.
  local tops=(1200 1725 2235 2730 3240 3750 4260 4770 5265 5775)
  xdotool mousemove --window "$menu" "$(px 280)" "$(px $((tops[$1 - 1] / 15 + 14)))" click 1
}

# choose_exercise N: clicks exercise N and waits for its run window, clicking again should
# a busy display have lost the click; sets $run.
choose_exercise() {
  local _
  for _ in 1 2 3 4 5; do
    click_exercise "$1"
    run=$(wait_for "Drosvane第$1題" 30)
    [ -n "$run" ] && break
  done
  [ -n "$run" ] && sleep "$settle"
}

# click_run_button green|red|exit: the run window's buttons, 2200 by 750 twips each.
click_run_button() {
  case $1 in
    green) xdotool mousemove --window "$run" "$(px 169)" "$(px 281)" click 1 ;;
    red) xdotool mousemove --window "$run" "$(px 389)" "$(px 281)" click 1 ;;
    exit) xdotool mousemove --window "$run" "$(px 281)" "$(px 369)" click 1 ;;
  esac
}

# The run window's sixteen circles, green row then red row, by their centres in pixels: each
# 345 twips wide, 2760 twips from the top.
centres=()
for left in 3810 3405 3000 2595 2190 1770 1365 960 7080 6675 6270 5850 5445 5040 4635 4230; do
  centres+=("$(((left + 172) / 15)),$(((2760 + 172) / 15))")
done
# One character a circle: 1 where its centre shows the grey window behind it (hollow), 0 where
# it shows a fill colour.
circles() {
  local format="" centre
  for centre in "${centres[@]}"; do format+="%[fx:p{$centre}.r==p{$centre}.g&&p{$centre}.g==p{$centre}.b]"; done
  import -window "$run" "$work/run.png" 2>/dev/null && convert "$work/run.png" -format "$format" info:
}
# await_circles PATTERN: up to 8 s (a screenshot takes a while here) for the circles to match.
await_circles() {
  local end=$((${EPOCHREALTIME%.*} + 8))
  while [ "${EPOCHREALTIME%.*}" -lt $end ]; do
    [ "$(circles)" = "$1" ] && return 0
  done
  return 1
}

# await PATTERN COMMAND...: runs the command every 0.1 s, up to 40 s, until its output matches
# the glob pattern.
await() {
  local pattern=$1 _
  shift
  for _ in $(seq 400); do
    # shellcheck disable=SC2053
    [[ "$("$@")" == $pattern ]] && return 0
    sleep 0.1
  done
  return 1
}

# The green row's bytes as the board received them (control byte 0), one line.
green_row() { [ -f "$work/reports" ] && awk '$3 == 0 {print $2}' "$work/reports" | xargs; }

# wait_for_end: waits up to 20 s for Orlanek to end (a busy machine is slow to let it);
# sets $status.
wait_for_end() {
  local _
  for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  status=0
  kill -0 "$pid" 2>/dev/null && status=-1 && return
  wait "$pid" || status=$?
}

# close_and_wait X-CLOSE WINDOW: the close box of WINDOW, then wait_for_end.
close_and_wait() {
  "$1" "$2"
  wait_for_end
}
