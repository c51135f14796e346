#!/usr/bin/env bash
# The program's logic reaches the desktop only through platform interfaces, so
# the executables that test it must not be linked against the desktop
# adapters' libraries. Checks the libraries each given executable names
# directly (its NEEDED entries): none may be Qt WebEngine or xcb.
# Usage: direct_libraries_test.sh EXECUTABLE...
set -euo pipefail

if ! command -v readelf >/dev/null; then
    echo "SKIP: readelf (binutils) is not installed"
    exit 77
fi
[ "$#" -gt 0 ] || { echo "usage: $0 EXECUTABLE..." >&2; exit 2; }

failed=0
for executable in "$@"; do
    needed=$(readelf -d "$executable" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    [ -n "$needed" ] || { echo "FAIL: $executable names no libraries (not a dynamic executable?)"; failed=1; continue; }
    forbidden=$(grep -E '^lib(Qt6WebEngine|xcb)' <<<"$needed" || true)
    if [ -n "$forbidden" ]; then
        echo "FAIL: $(basename "$executable") is linked against:" $forbidden
        failed=1
    else
        echo "ok: $(basename "$executable") links neither Qt WebEngine nor xcb"
    fi
done
exit "$failed"
