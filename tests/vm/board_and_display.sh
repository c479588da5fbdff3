# A virtual board (made as VIRTUAL_BOARD_OPTIONS says) writing its JSON lines to LOG, and a
# virtual display of its own for Orlanek; both end with the script, with Orlanek ($pid) and a
# usbmon reader ($monitor) where they were started. Source it with build and work set, then:
# start_board_and_display LOG DISPLAY-NUMBER. Sets board, display, DISPLAY; pid starts empty.
pid="" monitor=""
start_board_and_display() {
  "$build/bin/virtual-board" ${VIRTUAL_BOARD_OPTIONS:-} --json >"$1" &
  board=$!
  Xvfb ":$2" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  display=$!
  export DISPLAY=":$2"
  trap 'kill $pid $board $monitor 2>/dev/null; sleep 0.2; kill $display 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 50); do [ -e /dev/hidraw0 ] && break; sleep 0.1; done
}
