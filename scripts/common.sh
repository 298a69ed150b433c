# Shared by scripts/run, scripts/test and scripts/bench: packages, steps that say why they failed,
# builds, whether this host runs 32-bit code, the Wine prefix and a virtual display.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
LOGS="$BUILD/logs"

BUILD_PACKAGES=(ca-certificates git cmake make g++ libgtest-dev googletest
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
WINE_PACKAGES=(wine wine64 wine32:i386 xvfb xauth x11-utils xdotool imagemagick)
# scripts/release: the zip's maker, signing and the certificate's checks.
RELEASE_PACKAGES=(python3 osslsigncode openssl)

log() { printf '== %s\n' "$*" >&2; }

# Wine names files in the locale's character set: without a UTF-8 one it can only make ASCII
# names, and the tests use Persian ones. A bare container sets no locale at all; then C.UTF-8,
# which every Debian's libc has, is used. A locale the user set is left as it is.
use_utf8_locale() {
    if [ -z "${LC_ALL:-}${LC_CTYPE:-}${LANG:-}" ]; then
        export LANG=C.UTF-8
        log "no locale is set: using LANG=C.UTF-8"
    elif [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
        log "the locale (${LC_ALL:-${LC_CTYPE:-$LANG}}) is not UTF-8: Wine can then name files in" \
            "ASCII only, and a test with a Persian directory name fails; LANG=C.UTF-8 avoids that"
    fi
}
use_utf8_locale

# Any command that fails outside a step: say which, where and with what code, then stop.
on_error() {
    local status=$? command=$BASH_COMMAND
    [ "$BASH_SUBSHELL" -eq 0 ] || exit "$status"
    log "FAILED (exit code $status): $command"
    log "  at ${BASH_SOURCE[1]:-?} line ${BASH_LINENO[0]}"
    exit "$status"
}
set -E
trap on_error ERR

# step NAME COMMAND...: runs COMMAND, its output shown and kept in build/logs/NAME.log. When it
# fails, says so with the step, the command, its exit code and its last lines, and ends the script
# with that code; with STEP_GOES_ON=1 it records the failure in FAILED_STEPS and returns instead.
FAILED_STEPS=()
step() {
    local name=$1 logfile status
    shift
    mkdir -p "$LOGS"
    logfile="$LOGS/${name//[^[:alnum:]]/-}.log"
    log "$name"
    trap - ERR
    set +e
    (set -e; "$@") 2>&1 | tee "$logfile"
    status=${PIPESTATUS[0]}
    set -e
    trap on_error ERR
    [ "$status" -eq 0 ] && return 0
    log "FAILED step \"$name\": ${*@Q} (exit code $status); its last lines ($logfile):"
    tail -n 30 "$logfile" | sed 's/^/   | /' >&2
    FAILED_STEPS+=("$name")
    [ "${STEP_GOES_ON:-0}" = 1 ] || exit "$status"
}

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
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            log "cannot install: not root and no sudo; as root: apt-get install ${missing[*]}"
            return 1
        fi
        if [ ! -t 0 ] && ! sudo -n true 2>/dev/null; then
            log "cannot install: sudo asks for a password, with no terminal to type it; as root:" \
                "apt-get install ${missing[*]}"
            return 1
        fi
        sudo=sudo
    fi
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    apt_get update -q
    apt_get install -y -q --no-install-recommends "${missing[@]}"
}

# apt-get that waits for another apt or dpkg to finish first, tried up to three times.
apt_get() {
    local try
    for try in 1 2 3; do
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@" && return 0
        log "apt-get $1 failed (try $try of 3)"
        sleep 10
    done
    return 1
}

build_preset() {
    local preset=$1
    shift
    cmake --preset "$preset" -S "$ROOT" >/dev/null
    cmake --build --preset "$preset" --parallel 2 "$@"
}

build_and_test() {
    build_preset "$1"
    ctest --preset "$1"
}

bits_of() { [ "$1" = windows64 ] && echo 64 || echo 32; }

# banner_without_32bit WHY passed|FAILED: what a host without 32-bit code tests instead.
banner_without_32bit() {
    local line="=================================================================================="
    printf '%s\n' "$line" "This host does not run 32-bit x86 code ($1)." \
        "Instead, the Windows-side tests run against the 64-bit build," \
        "build/windows64/bin/Selvaro.exe, under Wine's 64-bit loader $WINE64." \
        "The 32-bit Selvaro.exe (the product, build/windows/bin/Selvaro.exe) was built and its" \
        "build-time checks $2 (compile-time checks, reproducible build), but it was not run." \
        "$line" >&2
}

# Sets HOST_32BIT to yes when this host itself runs 32-bit x86 code, else to why it does not.
# Probed once and kept in build/host-32bit; SELVARO_NO_32BIT=1 says "does not" on any host.
detect_32bit_host() {
    if [ "${SELVARO_NO_32BIT:-0}" = 1 ]; then
        HOST_32BIT="SELVARO_NO_32BIT=1 is set"
        return 0
    fi
    local cache="$BUILD/host-32bit"
    if [ ! -f "$cache" ]; then
        mkdir -p "$BUILD"
        probe_32bit_host >"$cache.new"
        mv "$cache.new" "$cache"
    fi
    HOST_32BIT=$(cat "$cache")
}

# Prints yes, or why this host does not run 32-bit code. The probe is a static i386 program that
# sleeps half a second and exits with 32. Without the CPU's 32-bit mode it fails to start ("Exec
# format error"). Where an emulator registered with binfmt_misc (qemu-i386) runs it instead, the
# kernel starts the emulator: /proc/PID/exe, read from outside while it sleeps, names the emulator,
# not the probe (only the guest's own view of /proc/self/exe is faked).
probe_32bit_host() {
    local probe="$BUILD/probe-32bit/probe"
    mkdir -p "${probe%/*}"
    printf '%s\n' '.globl _start' '_start: mov $162, %eax' 'mov $delay, %ebx' 'xor %ecx, %ecx' \
        'int $0x80' 'mov $1, %eax' 'mov $32, %ebx' 'int $0x80' '.data' 'delay: .long 0, 500000000' |
        as --32 -o "$probe.o"
    ld -m elf_i386 -o "$probe" "$probe.o"
    probe_runs_natively "$probe"
}

# probe_runs_natively PROGRAM: yes when PROGRAM itself ran and exited with 32, else why not.
probe_runs_natively() {
    local shell exe="" status=0 pid
    shell=$(readlink "/proc/$$/exe")
    "$1" 2>/dev/null &
    pid=$!
    # Until the exec, the child is still this shell.
    for _ in $(seq 200); do
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || break
        [ "$exe" != "$shell" ] && break
        sleep 0.005
    done
    wait "$pid" || status=$?
    if [ "$status" -ne 32 ]; then
        echo "a 32-bit program fails to start, exit code $status; 126: it cannot be executed"
    elif [ "$exe" != "$1" ]; then
        echo "only the emulator ${exe:-?} runs 32-bit programs here"
    else
        echo yes
    fi
}

# Wine runs everything in the project's own prefix inside the build tree, without asking for
# Mono or Gecko (there is no network).
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Debian's 64-bit loader, which is not on PATH. `wine` chooses the 32-bit loader while wine32 is
# installed, so on a host without 32-bit code every Wine program must be started through this one.
WINE64=/usr/lib/wine/wine64

# The Windows build this host runs (RUN_PRESET) and the loader to start it with (WINE): the
# 32-bit product, or the 64-bit build where the host does not run 32-bit code. `wine` hands a
# 64-bit program to the 64-bit loader itself.
choose_runnable_build() {
    detect_32bit_host
    if [ "$HOST_32BIT" = yes ]; then
        RUN_PRESET=windows
        WINE=wine
    else
        RUN_PRESET=windows64
        WINE=$WINE64
    fi
}

# Creates the prefix once, with the .reg association Windows has: "open" runs Registry Editor.
# The 64-bit loader makes it a 64-bit prefix, which runs both builds where the host runs 32-bit
# code; any other prefix found there is made anew.
ensure_wine_prefix() {
    if [ -f "$WINEPREFIX/.selvaro-ready" ] && grep -qx '#arch=win64' "$WINEPREFIX/system.reg"; then
        return 0
    fi
    log "creating the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i
    "$WINE64" reg add 'HKCR\.reg' /ve /d regfile /f
    "$WINE64" reg add 'HKCR\regfile\shell\open\command' /ve /d 'regedit.exe "%1"' /f
    wineserver -w
    touch "$WINEPREFIX/.selvaro-ready"
}

# The opacity of the window titled Selvaro, as the X server has it, or nothing.
opacity_of_window() {
    local window
    window=$(xdotool search --name '^Selvaro$' 2>/dev/null | head -n 1) || return 1
    [ -n "$window" ] && xprop -id "$window" _NET_WM_WINDOW_OPACITY 2>/dev/null | awk '{print $3}'
}

# wait_for_window PID: waits up to 20 s until the window has faded in, to its final opacity, 252
# of 255. Fails, saying why, when it has not or the process PID ended first.
wait_for_window() {
    local pid=$1 full=$((0xFCFCFCFC))
    for _ in $(seq 200); do
        [ "$(opacity_of_window || true)" = "$full" ] && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ "$(opacity_of_window || true)" = "$full" ] && return 0
    kill -0 "$pid" 2>/dev/null || wait "$pid" || log "the program ended with exit code $?"
    log "FAILED: the window did not open within 20 s"
    return 1
}

# while_selvaro_shows EXE COMMAND...: starts EXE under $WINE, waits until its window has faded in,
# runs COMMAND and closes the program the way the taskbar does. Fails when the window does not
# open, COMMAND fails or the program ends with another code than 0.
while_selvaro_shows() {
    local exe=$1 pid status=0
    shift
    "$WINE" "$exe" &
    pid=$!
    wait_for_window "$pid" || return 1
    "$@" || status=$?
    "$WINE" taskkill /im Selvaro.exe >/dev/null 2>&1
    wait "$pid" || [ "$status" -ne 0 ] || status=$?
    return "$status"
}

XVFB_PID=""
stop_virtual_display() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}

# Starts Xvfb on a free display number and points DISPLAY at it. Xvfb picks the number itself and
# writes it to the file: a display taken in another mount namespace (a chroot, a container on
# the same network) shows no lock file here, only Xvfb learns of it when it cannot listen.
start_virtual_display() {
    local number_file="$BUILD/xvfb-display" tries=0
    mkdir -p "$BUILD"
    rm -f "$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    until [ -s "$number_file" ] && DISPLAY=":$(cat "$number_file")" xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            log "Xvfb did not start"
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(cat "$number_file")"
}
