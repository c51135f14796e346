#!/usr/bin/env bash
# scripts/fetch-voices: refuses wrong arguments before touching the network,
# fails loudly when apt cannot fetch or verify the index, and with --list names
# each package of the chosen languages with its licence, installing nothing.
# The checks that need Debian's mirror are skipped (exit 77) when it cannot be
# reached; the others always run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
script="$root/scripts/fetch-voices"
# shellcheck source=scripts/lib/private-apt.sh
source "$root/scripts/lib/private-apt.sh"

work="$(mktemp -d /tmp/clipvoice-fetch-voices-test.XXXXXX)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    for f in "$work/out" "$work/err"; do
        [ -s "$f" ] && { echo "--- $(basename "$f")"; head -n 20 "$f"; }
    done
    failures=$((failures + 1))
}

# Runs the script with the given environment assignments and arguments;
# leaves its status in $status and its output in $work/out and $work/err.
run() {
    status=0
    env "$@" >"$work/out" 2>"$work/err" || status=$?
}

expect_status() {
    [ "$status" -eq "$1" ] || fail "$2: exit status $status, expected $1"
}

expect_in() {
    grep -qF -- "$2" "$work/$1" || fail "$3: '$2' missing from std$1"
}

# A mirror that refuses connections at once: whatever reaches apt fails.
offline=(CLIPVOICE_DEBIAN_MIRROR=http://127.0.0.1:9/debian)

# --- Arguments, checked before any download ---------------------------------

run "${offline[@]}" "$script" --list xx
expect_status 2 "unknown language"
expect_in err "unknown language 'xx'" "unknown language"
grep -q "reading the signed" "$work/out" && fail "unknown language: the index was read first"

run "${offline[@]}" "$script" --list en xx de
expect_status 2 "known languages mixed with an unknown one"

run "${offline[@]}" "$script" --list --everything
expect_status 2 "unknown option"
expect_in err "unknown option '--everything'" "unknown option"

run "${offline[@]}" "$script" --help
expect_status 0 "--help"
expect_in out "pt-BR" "--help lists the language codes"

# Languages with no voices outside main need nothing, so no network either;
# codes and picker names match whatever their case.
run "${offline[@]}" "$script" DA Finnish "slovakian"
expect_status 0 "languages without extra voices"
expect_in out "Danish (da): no extra voices" "Danish by code"
expect_in out "Finnish (fi): no extra voices" "Finnish by name"
expect_in out "Slovakian (sk): no extra voices" "Slovakian by name in lower case"

# --- apt failures end the run ------------------------------------------------

run "${offline[@]}" "$script" --list ja
expect_status 1 "unreachable mirror"
expect_in err "could not fetch or verify" "unreachable mirror"

# --- Against Debian's mirror --------------------------------------------------

mirror="$(CLIPVOICE_DEBIAN_MIRROR='' clipvoice_debian_mirror)"
codename="$(clipvoice_debian_codename)"
skip=""
if ! command -v curl >/dev/null 2>&1; then
    skip="curl is not installed, so the mirror cannot be probed"
elif ! curl -fsI --max-time 15 "$mirror/dists/$codename/InRelease" >/dev/null 2>&1; then
    skip="$mirror cannot be reached"
fi

if [ -z "$skip" ]; then
    # A keyring that does not hold the archive's signing keys: apt must refuse
    # the index instead of using it unverified.
    run CLIPVOICE_DEBIAN_KEYRING=/usr/share/keyrings/debian-archive-removed-keys.gpg \
        "$script" --list ja
    expect_status 1 "index signed by a key outside the keyring"
    expect_in err "could not fetch or verify" "index signed by a key outside the keyring"

    status_before="$(dpkg-query -W -f='${Package} ${Status}\n' \
        hts-voice-nitech-jp-atr503-m001 mbrola mbrola-cr1 2>/dev/null || true)"
    run "$script" --list ja hr
    expect_status 0 "--list ja hr"
    expect_in out "Japanese (ja):" "--list heading for Japanese"
    expect_in out "Croatian (hr):" "--list heading for Croatian"
    grep -Eq '^  hts-voice-nitech-jp-atr503-m001 .*licence: CC-BY-3\.0$' "$work/out" ||
        fail "--list: the Japanese voice's licence is not CC-BY-3.0"
    grep -Eq '^  mbrola-cr1 .*licence: MBROLA database licence' "$work/out" ||
        fail "--list: the Croatian MBROLA voice's licence is not named"
    grep -Eq '^  mbrola .*licence: AGPL-3\+$' "$work/out" ||
        fail "--list: the MBROLA engine is not listed with its licence"
    grep -q 'rhvoice\|libttspico\|mbrola-us' "$work/out" &&
        fail "--list ja hr names packages of other languages"
    status_after="$(dpkg-query -W -f='${Package} ${Status}\n' \
        hts-voice-nitech-jp-atr503-m001 mbrola mbrola-cr1 2>/dev/null || true)"
    [ "$status_before" = "$status_after" ] || fail "--list changed what is installed"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
if [ -n "$skip" ]; then
    echo "SKIP: the checks against Debian's mirror did not run: $skip"
    exit 77
fi
echo "PASS"
