#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack, checked by lintian, installed onto
# this machine, its programs started from their installed paths, and removed again.
# Usage: install_test.sh BUILD-DIR   (as root)
set -uo pipefail
build=$(cd "$1" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "installing the package needs root"
work=$(mktemp -d)
trap 'dpkg -P orlanek >/dev/null 2>&1; rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 5 "$work/cpack.log")"
deb=$(echo "$work"/orlanek_*.deb)
[ -f "$deb" ] || fail "no package made"
# Warnings too: every program has its manual page, nothing calls ldconfig for a private library.
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 ||
  fail "lintian: $(grep '^[EW]:' "$work/lintian")"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
  fail "install: $(tail -n 5 "$work/apt.log")"
for file in /usr/bin/Orlanek /usr/bin/varnelctl /usr/bin/virtual-board /usr/bin/station-check \
  /usr/share/man/man1/station-check.1.gz /usr/share/man/zh_TW/man1/station-check.1.gz \
  /usr/share/locale/zh_TW/LC_MESSAGES/orlanek-tools.mo /usr/include/varnel.h \
  /usr/lib/udev/rules.d/70-orlanek-board.rules /usr/share/applications/orlanek.desktop; do
  [ -e "$file" ] || fail "$file not installed"
done
# Whole outputs are read before matching: grep -q ending a pipe early fails it under pipefail.
links=$(ldd /usr/bin/varnelctl)
grep -q 'libVarnel.so => /usr/bin/../lib/x86_64-linux-gnu/orlanek/libVarnel.so' <<<"$links" ||
  fail "varnelctl does not find the installed library: $links"
/usr/bin/varnelctl list >"$work/list" || fail "varnelctl list: $(cat "$work/list")"
/usr/bin/station-check --help >"$work/help" || fail "station-check --help: $(cat "$work/help")"
# A Chinese reader gets the Chinese page, whole: groff warns of a line it cannot break.
page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -L zh_TW station-check 2>&1)
grep -q '^名稱' <<<"$page" || fail "man -L zh_TW station-check: $(head -n 5 <<<"$page")"
! grep -q 'warning' <<<"$page" || fail "man -L zh_TW station-check: $(grep warning <<<"$page")"
# The installed program finds the installed catalogue: its Chinese differs from its English.
in_language() {
  local language=$1; shift
  env -u STATION_LANGUAGE -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$language" "$@"
}
english=$(in_language C /usr/bin/station-check --exercise 11 2>&1)
chinese=$(in_language zh_TW.UTF-8 /usr/bin/station-check --exercise 11 2>&1)
[ "$chinese" != "$english" ] || fail "station-check speaks English with LANG=zh_TW.UTF-8: $chinese"
libs=$(pkg-config --libs varnel 2>&1)
grep -q -- '-lVarnel' <<<"$libs" || fail "pkg-config: $libs"

# Orlanek from its installed path: it starts, and the library it loads by name is where its
# run path looks.
QT_QPA_PLATFORM=offscreen /usr/bin/Orlanek >"$work/orlanek" 2>&1 &
pid=$!
sleep 2
kill -0 $pid 2>/dev/null || fail "Orlanek ended at start: $(cat "$work/orlanek")"
kill $pid
runpath=$(readelf -d /usr/bin/Orlanek | sed -n 's/.*runpath: \[\(.*\)\]/\1/p')
[ -f "${runpath/\$ORIGIN//usr/bin}/libVarnel.so" ] || fail "Orlanek's run path $runpath"
echo "PASS: $(basename "$deb") installed, started and removed"
