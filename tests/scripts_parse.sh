#!/usr/bin/env bash
# Parses every shell script of the tree. A script bash cannot parse stops at the bad line with the
# status of the line before it, which may pass a test; and `bash -n` itself says so only on
# standard error, with status 0.
cd "$(dirname "$0")/.." || exit 1
status=0
for script in $(git ls-files '*.sh' 'tools/vm/*' 'tools/screenshots/regenerate*' po/catalogue \
  test run); do
  said=$(bash -n "$script" 2>&1)
  [ -z "$said" ] || { echo "$said"; status=1; }
done
exit $status
