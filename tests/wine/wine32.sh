#!/usr/bin/env bash
# One check of the 32-bit Windows programs: its result from the test machine's boot, where
# windows_vm.sh ran it (RESULTS/NAME.status and NAME.log), or else the command itself on this
# host. A check with neither fails.
# Usage: wine32.sh RESULTS NAME [COMMAND ARG...]
set -uo pipefail
results=$1 name=$2
shift 2
if [ -f "$results/$name.status" ]; then
  cat "$results/$name.log"
  exit "$(cat "$results/$name.status")"
fi
[ $# -gt 0 ] || { echo "FAIL: the test machine did not run $name (see $results/vm.log)"; exit 1; }
exec "$@"
