# The suites' parts, each run and reported alike. Source it; $status starts at 0 and becomes 1
# when a part fails. A suite whose parts must start afresh defines after_check, run after each.
status=0
check() {  # check NAME COMMAND...: runs one part and reports it
  echo "== $1"
  shift
  if "$@"; then echo "-- passed"; else echo "-- FAILED"; status=1; fi
  if declare -F after_check >/dev/null; then after_check; fi
}
