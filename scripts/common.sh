# Shared by scripts/run and scripts/test: packages, the build, a private X display and a Wine
# prefix with a persistent wineserver. Everything started here is stopped by stop_session.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SESSION_DIR=""
XVFB_PID=""
PREFIXES=""

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

PACKAGES="cmake make g++ g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-i686-dev mingw-w64-x86-64-dev
  googletest wine wine64 xvfb x11-utils xauth xdotool timidity timgm6mb-soundfont sox imagemagick
  libc6:i386"

missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
    done
}

apt_install() {
    [ $# -gt 0 ] || return 0
    echo "Installing: $*"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "$@" </dev/null
}

# Wine runs 32-bit Windows programs through a 32-bit Linux loader. Some kernels refuse 32-bit
# programs; there the tests run the same sources built for 64-bit Windows under 64-bit Wine.
native_i386() {
    [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

install_packages() {
    local missing
    missing=$(missing_packages $PACKAGES)
    if [ -n "$missing" ]; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            as_root dpkg --add-architecture i386
        fi
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null
        apt_install $missing
    fi
    if native_i386; then
        apt_install $(missing_packages wine32:i386)
    fi
}

# Chooses the build that the tests run: the 32-bit program itself wherever Wine can run it.
choose_test_build() {
    if [ "${QUORVANE_TEST_ARCH:-}" = x86_64 ] || ! native_i386; then
        echo "This kernel runs no 32-bit programs: the 64-bit build of the same sources stands in."
        TEST_PRESET=x64
        TEST_BUILD_DIR=$ROOT/build-x64
        WINE=/usr/lib/wine/wine64
        export WINEARCH=win64
    else
        TEST_PRESET=default
        TEST_BUILD_DIR=$BUILD_DIR
        WINE=wine
        export WINEARCH=win32
    fi
}

# build [PRESET DIR]: configures once, then builds.
build() {
    local preset=${1:-default} dir=${2:-$BUILD_DIR}
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" --preset "$preset" -B "$dir" >/dev/null
    fi
    cmake --build "$dir" -j"$(nproc)"
}

# start_display WIDTHxHEIGHT: a private Xvfb on a free display number.
start_display() {
    local geometry=$1 fifo
    SESSION_DIR=${SESSION_DIR:-$(mktemp -d /tmp/quorvane-session.XXXXXX)}
    fifo=$SESSION_DIR/displayfd.$geometry
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp 3>"$fifo" </dev/null \
        >/dev/null 2>&1 &
    XVFB_PID="$XVFB_PID $!"
    local number
    read -r -t 30 number <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

# start_wine PREFIX: a fresh prefix served by a persistent wineserver.
start_wine() {
    export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all}
    PREFIXES="$PREFIXES $WINEPREFIX"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    "$WINE" regedit /S "Z:${ROOT//\//\\}\\tests\\wine\\lab.reg" </dev/null >/dev/null 2>&1
}

# stop_wine [PREFIX]: ends the prefix's wineserver and every program in it.
stop_wine() {
    local prefix=${1:-${WINEPREFIX:-}}
    [ -n "$prefix" ] && [ -d "$prefix" ] || return 0
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
}

# Stops what this script started and removes its temporary prefixes. A prefix named in
# $KEEP_PREFIX (scripts/run on a real display) is stopped but kept.
stop_session() {
    local pid prefix
    for prefix in $PREFIXES; do
        stop_wine "$prefix"
        [ "$prefix" = "${KEEP_PREFIX:-}" ] || rm -rf "$prefix"
    done
    PREFIXES=""
    for pid in $XVFB_PID; do kill "$pid" 2>/dev/null || true; done
    for pid in $XVFB_PID; do wait "$pid" 2>/dev/null || true; done
    XVFB_PID=""
    [ -n "$SESSION_DIR" ] && rm -rf "$SESSION_DIR"
    SESSION_DIR=""
}
