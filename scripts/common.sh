# Shared by scripts/run, scripts/test and bench/run: packages, the build, the way 32-bit Windows
# programs run on this machine, private X displays and Wine prefixes with a persistent wineserver.
# Everything started here is stopped by stop_session.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SESSION_DIR=""
X_PIDS=""
PREFIXES=""

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

PACKAGES="cmake make g++ g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-i686-dev mingw-w64-x86-64-dev
  googletest wine wine64 wine32:i386 libxinerama1:i386 libxrandr2:i386 xvfb x11-utils xauth
  xserver-xorg-core xserver-xorg-video-dummy xdotool timidity timgm6mb-soundfont sox imagemagick
  zip unzip libc6:i386"

# The user-mode emulator that runs 32-bit Linux programs where the kernel will not: version 10
# from bookworm-backports (bookworm's 7.2 makes every Wine start take about a minute).
BACKPORTS_LIST=/etc/apt/sources.list.d/quorvane-bookworm-backports.list
EMULATOR=/usr/bin/qemu-i386

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

install_packages() {
    local missing
    missing=$(missing_packages $PACKAGES)
    [ -n "$missing" ] || return 0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null
    apt_install $missing
}

kernel_runs_i386() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Never the recommended qemu-user-binfmt: that would send every 32-bit program on the machine
# through the emulator. Ours is registered only inside the test run's own namespace.
install_emulator() {
    "$EMULATOR" --version 2>/dev/null | grep -q "version \(1[0-9]\|[2-9][0-9]\)\." && return 0
    if [ ! -f "$BACKPORTS_LIST" ] && ! grep -rqs "bookworm-backports" /etc/apt/sources.list \
        /etc/apt/sources.list.d/; then
        echo "deb http://deb.debian.org/debian bookworm-backports main" |
            as_root tee "$BACKPORTS_LIST" >/dev/null
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null || return 1
    apt_install qemu-user/bookworm-backports
}

# The i386 ELF pattern (class 1, little-endian, version 1, executable or shared object,
# machine 3), sent to qemu-i386. Debian's qemu keeps the program's own argv[0] (flag P) only
# when its file name ends in -binfmt-P; F opens the interpreter once, at registration.
register_emulator() {
    local interpreter=$1
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
    echo ":quorvane-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$interpreter:FP" \
        >/proc/sys/fs/binfmt_misc/register
}

# A private user, mount and PID namespace: binfmt_misc registrations there (Linux 6.7 and later)
# are seen by nobody else, and every process in it ends when its first one does, which ends
# with unshare itself.
in_namespace() {
    unshare --user --map-root-user --mount --pid --fork --mount-proc --kill-child "$@"
}

# A folder holding the emulator under the name Debian's qemu wants for flag P; the caller
# removes it.
emulator_link() {
    local folder
    folder=$(mktemp -d /tmp/quorvane-emulator.XXXXXX)
    ln -s "$EMULATOR" "$folder/qemu-i386-binfmt-P"
    echo "$folder/qemu-i386-binfmt-P"
}

emulation_works() {
    local link status=0
    link=$(emulator_link)
    in_namespace bash -c "$(declare -f register_emulator); register_emulator '$link' &&
        /lib/ld-linux.so.2 --version" </dev/null >/dev/null 2>&1 || status=$?
    rm -rf "$(dirname "$link")"
    return $status
}

# Chooses how the tests run the 32-bit program (QUORVANE_I386 may say native, qemu or x64):
#   native  the kernel runs 32-bit Linux programs, so 32-bit Wine runs as it is;
#   qemu    it does not: 32-bit Wine's Linux programs run through qemu-i386 in a namespace;
#   x64     neither works: the same sources built for 64-bit Windows stand in.
choose_route() {
    ROUTE=${QUORVANE_I386:-}
    case "$ROUTE" in
    native | qemu | x64) ;;
    "")
        if kernel_runs_i386; then
            ROUTE=native
        elif install_emulator && emulation_works; then
            ROUTE=qemu
        else
            ROUTE=x64
        fi
        ;;
    *)
        echo "QUORVANE_I386 must be native, qemu or x64, not \"$ROUTE\"" >&2
        return 1
        ;;
    esac
    [ "$ROUTE" != qemu ] || install_emulator
    export QUORVANE_I386=$ROUTE
    if [ "$ROUTE" = x64 ]; then
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

describe_route() {
    case "$ROUTE" in
    native) echo "32-bit quorvane.scr under 32-bit Wine, natively." ;;
    qemu)
        echo "32-bit quorvane.scr under 32-bit Wine, its Linux programs run by qemu-i386" \
            "in a private namespace$(kernel_runs_i386 || echo ": this kernel runs no 32-bit programs")."
        ;;
    x64)
        echo "************************************************************************"
        echo "* NOT THE SHIPPED PROGRAM: this kernel runs no 32-bit programs and the *"
        echo "* emulator is not available, so the 64-bit build of the same sources   *"
        echo "* (build-x64/) stands in for the 32-bit quorvane.scr.                  *"
        echo "************************************************************************"
        ;;
    esac
}

# enter_route SCRIPT ARGS...: on the qemu route, runs the script again inside a private
# namespace where 32-bit programs go through the emulator, and exits with its status; on the
# others (and inside), returns at once.
enter_route() {
    [ "$ROUTE" = qemu ] || return 0
    if [ -n "${QUORVANE_EMULATOR_LINK:-}" ]; then
        register_emulator "$QUORVANE_EMULATOR_LINK" || {
            echo "Could not route 32-bit programs to $EMULATOR" >&2
            exit 1
        }
        return 0
    fi
    local link status=0
    link=$(emulator_link)
    QUORVANE_EMULATOR_LINK=$link in_namespace "$BASH" "$@" || status=$?
    rm -rf "$(dirname "$link")"
    exit $status
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
    local geometry=$1
    new_display_fifo
    Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp 3>"$SESSION_DIR/displayfd" \
        </dev/null >/dev/null 2>&1 &
    take_display "Xvfb"
}

# start_two_monitors: a private X server showing two monitors side by side (see its
# configuration). Returns 1, with the reason in MONITORS_SKIPPED, where it cannot start.
start_two_monitors() {
    new_display_fifo
    MONITORS_SKIPPED=""
    if [ "$(id -u)" != 0 ]; then
        MONITORS_SKIPPED="Xorg takes a configuration of our own only from root"
        return 1
    fi
    Xorg -displayfd 3 -config "$ROOT/tests/wine/two-monitors.conf" -noreset -nolisten tcp \
        -logfile "$SESSION_DIR/xorg.log" 3>"$SESSION_DIR/displayfd" </dev/null >/dev/null 2>&1 &
    take_display "Xorg" || {
        MONITORS_SKIPPED="Xorg did not start: $(grep '(EE)' "$SESSION_DIR/xorg.log" |
            grep -v 'module\|input driver\|dbus' | head -n 3 | tr '\n' ' ')"
        return 1
    }
    # Wine reports a crash in its X driver only where this is set.
    export LIBC_FATAL_STDERR_=1
}

# The X server writes its display number into this pipe once it is ready.
new_display_fifo() {
    SESSION_DIR=${SESSION_DIR:-$(mktemp -d /tmp/quorvane-session.XXXXXX)}
    rm -f "$SESSION_DIR/displayfd"
    mkfifo "$SESSION_DIR/displayfd"
}

# take_display NAME: waits for the X server just started to name its display, and uses it.
take_display() {
    local number
    X_PIDS="$X_PIDS $!"
    read -r -t 30 number <"$SESSION_DIR/displayfd" || { echo "$1 did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

# start_wine PREFIX: a fresh prefix served by a persistent wineserver. Once the build has made
# it, a hidden window of ours keeps Wine's desktop process up until the server stops: without
# one, the desktop ends a few seconds after each program's last window and the next program's
# start and end each wait for it.
start_wine() {
    export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all}
    PREFIXES="$PREFIXES $WINEPREFIX"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    "$WINE" regedit /S "Z:${ROOT//\//\\}\\tests\\wine\\lab.reg" </dev/null >/dev/null 2>&1
    local holder=${TEST_BUILD_DIR:-$BUILD_DIR}/bin/desktop_holder.exe
    if [ -f "$holder" ]; then
        "$WINE" "$holder" </dev/null >/dev/null 2>&1 &
    fi
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
    for pid in $X_PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $X_PIDS; do wait "$pid" 2>/dev/null || true; done
    X_PIDS=""
    [ -n "$SESSION_DIR" ] && rm -rf "$SESSION_DIR"
    SESSION_DIR=""
    wait 2>/dev/null || true
}
