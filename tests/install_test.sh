#!/usr/bin/env bash
# `cmake --install` puts the program, its menu entry, its icons, its AppStream
# description and its manual page where a desktop and man find them.
set -euo pipefail
build="${1:?usage: $0 BUILD-DIR}"
prefix="$(mktemp -d /tmp/clipvoice-install.XXXXXX)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/clipvoice share/applications/clipvoice.desktop share/icons/hicolor/scalable/apps/clipvoice.svg \
         share/metainfo/org.example.clipvoice.metainfo.xml share/man/man1/clipvoice.1; do
    [ -s "$prefix/$f" ] || { echo "FAIL: $f was not installed"; exit 1; }
done
[ -x "$prefix/bin/clipvoice" ] || { echo "FAIL: the program is not executable"; exit 1; }
grep -qx 'Exec=clipvoice' "$prefix/share/applications/clipvoice.desktop" || { echo "FAIL: the menu entry does not start clipvoice"; exit 1; }
grep -qx 'Icon=clipvoice' "$prefix/share/applications/clipvoice.desktop" || { echo "FAIL: the menu entry names no icon"; exit 1; }
for size in 16 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/clipvoice.png"
    [ -s "$icon" ] || { echo "FAIL: no ${size}x${size} icon"; exit 1; }
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || { echo "FAIL: the ${size}x${size} icon is $(identify -format '%wx%h' "$icon")"; exit 1; }
    # The figure is drawn, not an empty picture: some pixels are opaque.
    [ "$(convert "$icon" -alpha extract -format '%[fx:maxima]' info:)" = 1 ] || { echo "FAIL: the ${size}x${size} icon is empty"; exit 1; }
done
echo "PASS"
