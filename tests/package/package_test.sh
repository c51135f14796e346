#!/usr/bin/env bash
# The Debian package that scripts/package built (build/package/clipvoice_*.deb):
# lintian finds no errors; the AppStream file and the menu entry inside it are
# valid; its dependencies come from the linked libraries and the voices are
# only recommended or suggested; it has no maintainer scripts that could touch
# the users' files; and the program unpacked from it, started with none of the
# program's CLIPVOICE_* settings, shows its main window and the characters
# shipped in the package, one of which shows when clicked.
# Usage: package_test.sh SOURCE-DIR
set -euo pipefail
source_dir="$(cd "${1:?usage: $0 SOURCE-DIR}" && pwd)"

skip() { echo "SKIP: $*"; exit 77; }

debs=("$source_dir"/build/package/clipvoice_*_"$(dpkg --print-architecture)".deb)
[ -f "${debs[0]}" ] || skip "no package in $source_dir/build/package: run scripts/package first"
[ "${#debs[@]}" -eq 1 ] || { echo "FAIL: more than one package in build/package: ${debs[*]}"; exit 1; }
deb="${debs[0]}"
for tool in lintian appstreamcli desktop-file-validate dpkg-deb Xvfb xdotool xwininfo import; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done

# None of the program's settings may leak in from the caller: the unpacked
# program has to find everything by itself. lib.sh then sets only the home
# page, which must never reach the internet from a test.
while read -r name; do unset "$name"; done < <(compgen -e | grep '^CLIPVOICE_' || true)
# lib.sh takes the program's path; it is set below, once the package is unpacked.
source "$source_dir/tests/e2e/lib.sh" /nonexistent
e2e_log "checking $deb"

# lintian: no errors (warnings are printed, not failed on).
lintian --fail-on error "$deb" >"$E2E_DIR/lintian.txt" 2>&1 \
    || { cat "$E2E_DIR/lintian.txt"; e2e_fail "lintian reports errors"; }
grep -q '^E:' "$E2E_DIR/lintian.txt" && e2e_fail "lintian reports errors: $(cat "$E2E_DIR/lintian.txt")"
e2e_log "lintian: $(grep -c '^W:' "$E2E_DIR/lintian.txt" || true) warnings"

# The control fields. The version is the program's own (a package left over
# from an older version is not taken for this one).
field() { dpkg-deb -f "$deb" "$1"; }
version=$(sed -n '/^project(ClipVoice/,/)/s/^[[:space:]]*VERSION[[:space:]]\{1,\}\([0-9][0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ "$(field Version)" = "$version" ] || e2e_fail "the package is version $(field Version), the program $version: run scripts/package again"
depends=$(field Depends)
recommends=$(field Recommends)
suggests=$(field Suggests)
grep -qE '(^|, )libqt6core6 \(>=' <<<"$depends" || e2e_fail "Depends does not come from the linked libraries: $depends"
grep -qE '(^|, )libespeak-ng1' <<<"$depends" || e2e_fail "Depends lacks espeak-ng: $depends"
grep -qE '(^|, )libsndfile1' <<<"$depends" || e2e_fail "Depends lacks libsndfile (saving speech to a file): $depends"
for voice in open-jtalk rhvoice libttspico0 mbrola libflite1 hts-voice-nitech-jp-atr503-m001; do
    grep -qE "(^|, )$voice( |,|$)" <<<"$depends" && e2e_fail "the voice $voice is a hard dependency"
    grep -qE "(^|, )$voice( |,|$)" <<<"$recommends, $suggests" || e2e_fail "the voice $voice is neither recommended nor suggested"
done

# No maintainer scripts: removing or purging the package must leave the
# users' settings and characters in their home folders alone.
dpkg-deb -e "$deb" "$E2E_DIR/control"
for script in preinst postinst prerm postrm config; do
    [ -e "$E2E_DIR/control/$script" ] && e2e_fail "the package has a $script script: $(cat "$E2E_DIR/control/$script")"
done

# The installed layout.
root="$E2E_DIR/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/clipvoice usr/share/applications/clipvoice.desktop \
         usr/share/metainfo/org.example.clipvoice.metainfo.xml usr/share/man/man1/clipvoice.1.gz \
         usr/share/icons/hicolor/scalable/apps/clipvoice.svg usr/share/icons/hicolor/64x64/apps/clipvoice.png \
         usr/share/icons/hicolor/128x128/apps/clipvoice.png usr/share/clipvoice/characters/bubble.acs \
         usr/share/clipvoice/characters/puff.acs usr/share/doc/clipvoice/copyright; do
    [ -s "$root/$f" ] || e2e_fail "$f is not in the package"
done
[ "$(ls "$root/usr/bin")" = clipvoice ] || e2e_fail "/usr/bin holds more than the program: $(ls "$root/usr/bin")"
if (cd "$root" && find . -path './home*' -o -path './root*' -o -path './etc/skel*') | grep -q .; then
    e2e_fail "the package installs into home folders"
fi

appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.clipvoice.metainfo.xml" \
    >"$E2E_DIR/appstream.txt" 2>&1 || e2e_fail "appstreamcli: $(cat "$E2E_DIR/appstream.txt")"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.example.clipvoice.metainfo.xml" \
    || e2e_fail "the AppStream file names no release $version"
desktop-file-validate "$root/usr/share/applications/clipvoice.desktop" \
    || e2e_fail "desktop-file-validate rejects the menu entry"

# The program from the unpacked package, with the home page it ships with
# (the test library otherwise points the pane at a closed port).
CLIPVOICE_BIN="$root/usr/bin/clipvoice"
unset CLIPVOICE_HOME_URL
e2e_start_xvfb
e2e_start_program packaged
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the packaged program showed no main window"
win=$(e2e_main_window_of "$pid")
chars="$XDG_DATA_HOME/clipvoice/msagent/chars"
cmp -s "$chars/bubble.acs" "$root/usr/share/clipvoice/characters/bubble.acs" \
    || e2e_fail "the first start did not copy the packaged characters: $(ls -la "$chars" 2>&1)"

# Bubble is the first of the other characters in the tree (row 4); the first
# paint of the tree may trail the window's appearance.
tree_lists_bubble() {
    import -window "$win" "$E2E_DIR/tree.png" 2>/dev/null || return 1
    e2e_gt 0.5 "$(e2e_region "$E2E_DIR/tree.png" minima 60 96 60 16)"
}
e2e_wait_for 20 tree_lists_bubble || e2e_fail "the tree does not list bubble"
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character window appeared after clicking bubble"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_wait_for 30 grep -qF 'web pane shows "ClipVoice" from clipvoice:/003a/gear.shtml' "$E2E_DIR/packaged.log" \
    || e2e_fail "the web pane did not show the shipped home page: $(grep -F 'web pane' "$E2E_DIR/packaged.log")"
e2e_log "PASS"
