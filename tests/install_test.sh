#!/usr/bin/env bash
# `cmake --install` puts the program, its menu entry and its icons where a
# desktop's application menu finds them.
set -euo pipefail
build="${1:?usage: $0 BUILD-DIR}"
prefix="$(mktemp -d /tmp/clipvoice-install.XXXXXX)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/clipvoice share/applications/clipvoice.desktop \
         share/icons/hicolor/scalable/apps/clipvoice.svg share/icons/hicolor/32x32/apps/clipvoice.png; do
    [ -s "$prefix/$f" ] || { echo "FAIL: $f was not installed"; exit 1; }
done
[ -x "$prefix/bin/clipvoice" ] || { echo "FAIL: the program is not executable"; exit 1; }
grep -qx 'Exec=clipvoice' "$prefix/share/applications/clipvoice.desktop" || { echo "FAIL: the menu entry does not start clipvoice"; exit 1; }
grep -qx 'Icon=clipvoice' "$prefix/share/applications/clipvoice.desktop" || { echo "FAIL: the menu entry names no icon"; exit 1; }
[ "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/32x32/apps/clipvoice.png")" = "32x32" ] || { echo "FAIL: the icon is not 32x32"; exit 1; }
echo "PASS"
