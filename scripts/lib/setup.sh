# Shared by the scripts: install missing Debian packages, configure and build.

# Installs the named Debian packages that are missing, with apt-get when we can.
need_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo="sudo"
        else
            echo "Please install these Debian packages as root, then run this again: ${missing[*]}" >&2
            exit 1
        fi
    fi
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "No apt-get here. Please install the equivalents of: ${missing[*]}" >&2
        exit 1
    fi
    $sudo apt-get update -qq || true
    # Name the packages this release does not offer, rather than the whole list apt-get refused.
    local unknown=()
    for pkg in "${missing[@]}"; do
        # Read whole first: grep -q would end the pipe early, and pipefail would call that a failure.
        [[ "$(apt-cache policy "$pkg" 2>/dev/null)" == *"Candidate: "[!\(]* ]] || unknown+=("$pkg")
    done
    if [ ${#unknown[@]} -ne 0 ]; then
        echo "This system's package sources offer no package named: ${unknown[*]}." >&2
        echo "Install their equivalents by hand, then run this again." >&2
        exit 1
    fi
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
        echo "Could not install: ${missing[*]}. Please install them and run this again." >&2
        exit 1
    fi
}

# What building and running the Linux program needs.
BUILD_PACKAGES=(build-essential cmake pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri)
# What the tests need on top: openbox is the window manager and pulseaudio the sound server that the desktop
# tests start (and freeze) for themselves; xfonts-base gives Xvfb the fonts SDL's message boxes need; xscreensaver
# is the daemon the screen-saver hack is tried under; nsis makes the Windows setup program.
TEST_PACKAGES=(clang-format nodejs libgtest-dev zlib1g-dev assimp-utils xvfb xauth xdotool x11-utils imagemagick sox clang libclang-rt-dev
               openbox pulseaudio xfonts-base xscreensaver
               g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine wine64 nsis)

# What building the Debian package needs (dpkg-shlibdeps computes its dependencies), and checking it.
PACKAGE_PACKAGES=(dpkg-dev file)
PACKAGE_TEST_PACKAGES=(lintian desktop-file-utils appstream man-db libxml2-utils)
# What the browser build needs (the Debian emscripten finds node's modules through NODE_PATH; lame encodes the
# music for the page), and its tests.
WEB_PACKAGES=(emscripten node-acorn python3 lame)
WEB_TEST_PACKAGES=(chromium-headless-shell python3-websocket)

# Configures and builds the Linux tree in the given folder.
build_linux() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

# Builds the browser page into the given folder; the default data and the icons come from a Linux build in build/.
build_web() {
    local dir=$1
    shift
    # A build folder that scripts/test made keeps its tests; a new one is made without them.
    if [ -f build/CMakeCache.txt ]; then
        cmake -S . -B build >/dev/null
    else
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFROSTEL_TESTS=OFF >/dev/null
    fi
    cmake --build build -j"$(nproc)" --target frostel_data frostel_icons
    export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
    emcmake cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DFROSTEL_DATA_SOURCE="$PWD/build/data" \
        -DFROSTEL_ICON_SOURCE="$PWD/build/icons" "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
