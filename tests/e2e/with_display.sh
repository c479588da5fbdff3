#!/usr/bin/env bash
# Runs a command on a virtual X display of its own: with-display.sh COMMAND [ARG...]
# (of 1024x768 pixels, or DISPLAY_SIZE, e.g. 1600x1200x24)
# Xvfb picks a free display number itself, and is waited for at the end. (xvfb-run -a leaves its
# server to die after it has returned, and that server's clean-up could remove the socket of
# the next test's server on the same number, so that the next program found no display.)
set -uo pipefail
dir=$(mktemp -d)
# -noreset: a server resets when its last client leaves, and refuses the next one meanwhile.
Xvfb -displayfd 3 -noreset -screen 0 "${DISPLAY_SIZE:-1024x768x24}" -nolisten tcp 3>"$dir/display" \
  2>"$dir/xvfb.log" &
xvfb=$!
for _ in $(seq 150); do
  [ -s "$dir/display" ] && break
  kill -0 $xvfb 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$dir/display" ]; then
  echo "with-display: Xvfb did not start: $(cat "$dir/xvfb.log")" >&2
  kill $xvfb 2>/dev/null
  rm -rf "$dir"
  exit 1
fi
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
"$@"
status=$?
kill $xvfb 2>/dev/null
wait $xvfb 2>/dev/null
rm -rf "$dir"
exit $status
