# Shared set-up for scripts/run and scripts/test: installs the Debian packages
# the project needs (only those that are missing) and builds a CMake preset.
# Source this file; do not run it.

CLIPVOICE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# What building and running the program needs.
CLIPVOICE_BUILD_PACKAGES=(
    build-essential cmake pkg-config git
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    qt6-webengine-dev qt6-multimedia-dev qt6-svg-dev libqt6svg6
    qt6-image-formats-plugins qt6-qpa-plugins
    famfamfam-flag-png fonts-ipafont-gothic
    libespeak-ng-dev espeak-ng-data open-jtalk open-jtalk-mecab-naist-jdic
    libflite1 flite1-dev libsndfile1-dev
    curl ca-certificates
)

# What the tests and benchmarks need on top.
CLIPVOICE_TEST_PACKAGES=(
    xvfb xauth x11-utils xdotool xclip trayer
    weston xwayland wl-clipboard
    pulseaudio pulseaudio-utils imagemagick sox
    python3 libbenchmark-dev libx11-dev
    clang libclang-rt-14-dev clang-format
)

# What scripts/package needs on top of the build packages to make and check
# the Debian package.
CLIPVOICE_PACKAGE_PACKAGES=(debhelper dpkg-dev lintian appstream desktop-file-utils)

# What scripts/bench needs on top of those.
CLIPVOICE_BENCH_PACKAGES=(valgrind procps pocketsphinx pocketsphinx-en-us)

clipvoice_say() { printf '\033[1m==> %s\033[0m\n' "$*"; }

clipvoice_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "error: root rights are needed to install packages (run as root or install sudo)" >&2
        return 1
    fi
}

# Installs those of the given packages that are not installed yet.
clipvoice_install_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        clipvoice_say "All needed Debian packages are installed"
        return 0
    fi
    clipvoice_say "Installing missing Debian packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    clipvoice_as_root apt-get update -q
    clipvoice_as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The voices beyond espeak-ng come from Debian's contrib and non-free sections
# through scripts/fetch-voices, which leaves the machine's package sources as
# they are and installs the packages so that apt can remove them again. Without
# them the program speaks with espeak-ng, so a failed fetch only warns.
# Arguments: the languages (none: every language).
clipvoice_fetch_voices() {
    clipvoice_say "Fetching voices (${*:-every language}) with scripts/fetch-voices"
    "$CLIPVOICE_ROOT/scripts/fetch-voices" "$@" \
        || echo "warning: the voices could not be fetched; espeak-ng speaks instead" >&2
}

# Configures (once) and builds the given CMake preset.
clipvoice_build() {
    local preset="$1"
    cd "$CLIPVOICE_ROOT"
    if [ ! -f "build/$preset/CMakeCache.txt" ]; then
        clipvoice_say "Configuring the '$preset' build"
        cmake --preset "$preset"
    fi
    clipvoice_say "Building the '$preset' build"
    cmake --build --preset "$preset" -j "$(nproc)"
}
