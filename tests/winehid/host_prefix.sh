#!/usr/bin/env bash
# Makes the Wine prefix that the virtual machine's checks copy into their /tmp: 64-bit, so that
# it holds both loaders' system folders (the 32-bit loader cannot start on every host), made by
# make_prefix.sh, then kept small: every file identical to one of Wine's installed files becomes
# a link to it, and the running server's lock file is left out. Made again only when Wine or
# the way it is made changed.
# Usage: host_prefix.sh PREFIX-DIR
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || { echo "host_prefix: $wine64 is missing (package wine64)" >&2; exit 1; }
stamp=$prefix/.made-by
if [ -f "$stamp" ] && [ "$stamp" -nt /usr/share/wine/wine.inf ] &&
  [ "$stamp" -nt "$here/host_prefix.sh" ] && [ "$stamp" -nt "$here/../wine/make_prefix.sh" ]; then
  exit 0
fi

rm -rf "$prefix" "$prefix.new"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix.new WINEARCH=win64 WINEDEBUG=-all
"$here/../wine/make_prefix.sh" "$wine64" >/dev/null 2>&1 || {
  echo "host_prefix: wineboot failed for $WINEPREFIX" >&2
  exit 1
}
/usr/lib/wine/wineserver -w
rm -f "$WINEPREFIX/wineserver"
# Where the host's kernel does not start 32-bit programs, wineboot leaves the 32-bit system
# folder empty: its files are Wine's own 32-bit ones, which the machine's Wine completes.
syswow64=$WINEPREFIX/drive_c/windows/syswow64
if [ -z "$(ls -A "$syswow64")" ]; then
  ln -s /usr/lib/i386-linux-gnu/wine/i386-windows/* "$syswow64/"
fi

# Wine's installed files by content; a prefix file with the same content becomes a link.
index=$(mktemp)
trap 'rm -f "$index"' EXIT
find /usr/lib/x86_64-linux-gnu/wine /usr/lib/i386-linux-gnu/wine /usr/share/wine -type f \
  -print0 | xargs -0 sha1sum | sort -k1,1 -u >"$index"
find "$WINEPREFIX/drive_c" -type f -print0 | xargs -0 sha1sum | sort -k1,1 |
  join -o 1.2,2.2 - "$index" | while read -r file installed; do
    ln -sf "$installed" "$file"
  done
touch "$WINEPREFIX/.made-by"
mv "$WINEPREFIX" "$prefix"
