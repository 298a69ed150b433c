# Shared by scripts/run and scripts/test: packages, builds, the Wine prefix and a virtual display.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

BUILD_PACKAGES=(ca-certificates git cmake make g++ libgtest-dev googletest
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686)
WINE_PACKAGES=(wine wine64 wine32:i386 xvfb xauth x11-utils xdotool imagemagick)

log() { printf '== %s\n' "$*" >&2; }

# Installs whichever of the named Debian packages are missing.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build_preset() {
    local preset=$1
    shift
    cmake --preset "$preset" -S "$ROOT" >/dev/null
    cmake --build --preset "$preset" --parallel 2 "$@"
}

# Wine runs everything in the project's own prefix inside the build tree, without asking for
# Mono or Gecko (there is no network).
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Creates the prefix once, with the .reg association Windows has: "open" runs Registry Editor.
ensure_wine_prefix() {
    if [ ! -f "$WINEPREFIX/.selvaro-ready" ]; then
        log "creating the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wine reg add 'HKCR\.reg' /ve /d regfile /f >/dev/null 2>&1
        wine reg add 'HKCR\regfile\shell\open\command' /ve /d 'regedit.exe "%1"' /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.selvaro-ready"
    fi
}

XVFB_PID=""
stop_virtual_display() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}

# Starts Xvfb on a free display number and points DISPLAY at it.
start_virtual_display() {
    local number=90
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
        number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$number"
    local tries=0
    until xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            log "Xvfb did not start"
            return 1
        fi
        sleep 0.1
    done
}
