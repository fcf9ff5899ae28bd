# Shared by scripts/run and scripts/test: packages, the build, a private X display and a Wine
# prefix with a persistent wineserver. Everything started here is stopped by stop_session.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SESSION_DIR=""
XVFB_PID=""

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

PACKAGES_I386="wine32:i386"
PACKAGES="cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev googletest wine wine64 xvfb x11-utils xauth qemu-user-static
  xdotool timidity timgm6mb-soundfont sox imagemagick"

install_packages() {
    local missing=""
    for p in $PACKAGES $PACKAGES_I386; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        $missing </dev/null
}

# Wine's 32-bit loader is a 32-bit Linux program. Kernels without 32-bit support refuse it;
# there it runs through the user-mode emulator instead.
enable_i386_programs() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && return 0
    local misc=/proc/sys/fs/binfmt_misc
    [ -e $misc/register ] || as_root mount -t binfmt_misc binfmt_misc $misc
    if [ ! -e $misc/qemu-i386 ]; then
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
            as_root tee $misc/register >/dev/null
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 || {
        echo "This machine cannot run 32-bit programs, even through qemu-i386-static." >&2
        return 1
    }
}

build() {
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" --preset default >/dev/null
    fi
    cmake --build "$BUILD_DIR" -j"$(nproc)"
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
    export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot -i </dev/null >/dev/null 2>&1
    wine regedit /S "$(winepath -w "$ROOT/tests/wine/lab.reg" 2>/dev/null)" </dev/null \
        >/dev/null 2>&1
}

stop_wine() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
}

stop_session() {
    stop_wine
    local pid
    for pid in $XVFB_PID; do kill "$pid" 2>/dev/null || true; done
    for pid in $XVFB_PID; do wait "$pid" 2>/dev/null || true; done
    XVFB_PID=""
    [ -n "$SESSION_DIR" ] && rm -rf "$SESSION_DIR"
    SESSION_DIR=""
}
