# shellcheck shell=bash
# A private apt set-up for reading sections of Debian's archive that the
# machine's own package sources may not list (contrib, non-free) without
# touching anything under /etc/apt: the source list, the downloaded indexes and
# apt's cache live in a folder of their own. apt still checks the archive's
# Release file against the Debian archive keyring (signed-by=) and the hash of
# every package it downloads against that signed index.
# Source this file; do not run it.

# The Debian mirror apt already uses for the main section, or deb.debian.org.
# CLIPVOICE_DEBIAN_MIRROR overrides it.
clipvoice_debian_mirror() {
    local mirror="${CLIPVOICE_DEBIAN_MIRROR:-}" f uri
    if [ -z "$mirror" ]; then
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            uri="$(awk '/^URIs:/ {print $2; exit}' "$f")"
            if [[ "$uri" == */debian ]]; then
                mirror="$uri"
                break
            fi
        done
    fi
    if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
        mirror="$(awk '$1 == "deb" && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list)"
    fi
    mirror="${mirror:-http://deb.debian.org/debian}"
    echo "${mirror%/}"
}

# The release this machine runs, e.g. "bookworm".
clipvoice_debian_codename() {
    (
        # shellcheck disable=SC1091
        . /etc/os-release 2>/dev/null || true
        echo "${VERSION_CODENAME:-bookworm}"
    )
}

# Prepares a private apt in folder $1 that reads sections $5... of release $3
# from mirror $2, trusting only keyring $4. Sets CLIPVOICE_APT_OPTIONS, the
# options every apt-get and apt-cache call of the private set-up needs.
clipvoice_private_apt_init() {
    local work="$1" mirror="$2" codename="$3" keyring="$4"
    shift 4
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/none"
    echo "deb [signed-by=$keyring] $mirror $codename $*" >"$work/sources.list"
    CLIPVOICE_APT_OPTIONS=(
        -o "Dir::Etc::SourceList=$work/sources.list"
        -o "Dir::Etc::SourceParts=$work/none"
        -o "Dir::State::Lists=$work/lists"
        -o "Dir::Cache=$work/cache"
        -o "Debug::NoLocking=1"
        -o "APT::Sandbox::User=$(id -un)"
        -o "Acquire::http::Timeout=30"
        -o "Acquire::Retries=1"
    )
}

# Downloads and verifies the private indexes. Any failure (mirror unreachable,
# signature not valid, index missing) is an error: apt's own messages are
# printed and 1 is returned.
clipvoice_private_apt_update() {
    local work="$1" log="$1/update.log"
    if ! apt-get "${CLIPVOICE_APT_OPTIONS[@]}" --error-on=any -q update >"$log" 2>&1; then
        grep -E '^(E|W|Err):|^  ' "$log" | head -n 8 >&2 || true
        return 1
    fi
    if ! ls "$work/lists/"*_InRelease >/dev/null 2>&1; then
        echo "apt fetched no signed Release file" >&2
        return 1
    fi
}

# Prints one tab-separated line per package that the private index holds:
# name, version, section, download size (bytes), installed size (KiB), summary.
clipvoice_private_apt_show() {
    apt-cache "${CLIPVOICE_APT_OPTIONS[@]}" show --no-all-versions "$@" 2>/dev/null | awk '
        function flush() {
            if (name != "") printf "%s\t%s\t%s\t%s\t%s\t%s\n", name, version, section, size, isize, summary
            name = version = section = size = isize = summary = ""
        }
        /^$/ { flush(); next }
        /^Package: / { name = $2 }
        /^Version: / { version = $2 }
        /^Section: / { section = $2 }
        /^Size: / { size = $2 }
        /^Installed-Size: / { isize = $2 }
        /^Description(-en)?: / { if (summary == "") summary = substr($0, index($0, ":") + 2) }
        END { flush() }
    ' || true
}
