# Shared by scripts/run, scripts/test, scripts/package and bench/run: packages, the build, the
# way 32-bit Windows programs run on this machine, private X displays and Wine prefixes with a
# persistent wineserver. Everything started here is stopped, and every scratch folder made here
# removed, by stop_session, however the script ends.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SESSION_DIR=""
X_PIDS=()
PREFIXES=()
SCRATCH=()
MOUNTS=()
CHILD=""
SYNTH_PID=""
LAB_SETTINGS=$ROOT/tests/wine/lab.reg
# Names the machine's release, whose own suite an install may prefer.
OS_RELEASE=/etc/os-release
# The Debian releases the scripts are made for, by code name.
RELEASES="bookworm trixie"
# Wine's commands go through stand-ins of ours (see the folder's wine).
case ":$PATH:" in
*":$ROOT/scripts/wine-bin:"*) ;;
*) export PATH=$ROOT/scripts/wine-bin:$PATH ;;
esac

# Bash runs an INT or TERM trap and then goes on with the next command, so the handlers exit
# (with the status a shell reports for the signal) and the clean-up runs once, on EXIT.
stop_on_signals() {
    trap stop_session EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# stoppable COMMAND...: runs a long command so that a signal stops it at once. A trap waits for
# the foreground command to end, and a TERM sent to the script alone would wait for a whole
# test pass; `wait` returns at once instead, and stop_session ends the command. The subshell
# gives the command back the INT that bash takes from background commands.
stoppable() {
    local status=0
    (
        trap - INT QUIT
        exec "$@"
    ) &
    CHILD=$!
    wait "$CHILD" || status=$?
    CHILD=""
    return $status
}

# Ends the command stoppable runs, and what it runs directly: the test ctest is running, or,
# on the qemu route, the script inside the namespace (unshare passes no signal on, and the
# script there cleans up after itself before the namespace ends).
stop_child() {
    [ -n "$CHILD" ] || return 0
    pkill -TERM -P "$CHILD" 2>/dev/null
    kill -TERM "$CHILD" 2>/dev/null
    # ctest finishes the test it is running first; a test may take minutes.
    for _ in $(seq 100); do
        kill -0 "$CHILD" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$CHILD" 2>/dev/null
    wait "$CHILD" 2>/dev/null
    CHILD=""
}

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Wine's 32-bit X driver loads the X extension libraries at run time: without Xinerama and RandR
# it sees one monitor as large as the whole screen, and Wine 10's, without XInput2, confines the
# pointer to a full-screen window over and over and never lets the program go on.
PACKAGES="cmake make g++ g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-i686-dev mingw-w64-x86-64-dev
  googletest wine wine64 wine32:i386 libxinerama1:i386 libxrandr2:i386 libxi6:i386 xvfb x11-utils
  xauth x11-xserver-utils xserver-xorg-core xserver-xorg-video-dummy xdotool timidity
  timgm6mb-soundfont alsa-utils sox imagemagick zip unzip libc6:i386"

# The user-mode emulator that runs 32-bit Linux programs where the kernel will not: version 10 or
# later, from the release itself or, on bookworm, from bookworm-backports (bookworm's 7.2 makes
# every Wine start take about a minute).
EMULATOR=/usr/bin/qemu-i386

# os_release FIELD: the field of the machine's os-release, VERSION_CODENAME or PRETTY_NAME.
os_release() {
    sed -n "s/^$1=//p" "$OS_RELEASE" 2>/dev/null | tr -d '"' | head -n 1
}

release_codename() {
    os_release VERSION_CODENAME
}

# Says so in one line where the machine is not one of RELEASES; the scripts go on all the same.
check_release() {
    local release name
    release=$(release_codename)
    case " $RELEASES " in *" ${release:-none} "*) return 0 ;; esac
    name=$(os_release PRETTY_NAME)
    echo "These scripts are made for Debian 12 (bookworm) and Debian 13 (trixie), not" \
        "${name:-this system}: going on as best they can."
}

# Debian's Wine 10 cannot bear TMPDIR (see scripts/wine-bin/wine): from that version on, Wine runs
# without it.
check_wine_tmpdir() {
    local version
    version=$(dpkg-query -W -f='${Version}' wine 2>/dev/null) || return 0
    version=${version#*:}
    if [ "${version%%.*}" -ge 10 ] 2>/dev/null; then
        export QUORVANE_WINE_NO_TMPDIR=1
    fi
}

# The folder under which Wine makes its server folders.
wine_tmpdir() {
    if [ -n "${QUORVANE_WINE_NO_TMPDIR:-}" ]; then echo /tmp; else echo "${TMPDIR:-/tmp}"; fi
}

missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
    done
}

# apt_get ARGUMENTS...: apt-get as root, asking nothing.
apt_get() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@" </dev/null
}

# install_named PACKAGE...: installs those of the packages that are missing.
install_named() {
    local missing
    missing=$(missing_packages "$@")
    [ -n "$missing" ] || return 0
    if grep -q ':i386$' <<<"$missing" && ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    # shellcheck disable=SC2086 # one package a word
    fetch_and_install -- $missing
}

# failed_lists UPDATE-OUTPUT: apt's own lines on the lists it could not fetch.
failed_lists() {
    grep -E '^(E|W|Err): .*Failed to fetch' <<<"$1" || true
}

# stale_lists UPDATE-OUTPUT: which lists did not come, as "the i386 lists of bookworm-security";
# nothing where all came.
stale_lists() {
    failed_lists "$1" | awk '
        match($0, /\/dists\/[^\/ ]+\//) {
            suite = substr($0, RSTART + 7, RLENGTH - 8)
            arch = match($0, /\/binary-[^\/ ]+\//) ? substr($0, RSTART + 8, RLENGTH - 9) " " : ""
            if (!(suite in archs)) order[++suites] = suite
            if (index(archs[suite], arch) == 0) archs[suite] = archs[suite] arch
        }
        END {
            for (s = 1; s <= suites; s++) {
                words = archs[order[s]]
                gsub(/ $/, "", words)
                gsub(/ /, " and ", words)
                text = text (s > 1 ? ", " : "") "the " (words == "" ? "" : words " ") "lists of " order[s]
            }
            if (text != "") print text " are out of step on this mirror"
        }'
}

# fetch_and_install [APT-OPTION...] -- PACKAGE...: the package lists, then the packages. Debian
# mirrors spend a while of every sync with some lists out of step with their Release file, and a
# caching proxy may serve such a state for days: apt then fetches every list but those, and the
# install goes on with what came. Without one architecture's half of a suite, Multi-Arch packages
# that must match on both may not resolve; the release's own suite then has a consistent set.
# Pinning it (-t) never downgrades what is installed nor adds anything to the machine's apt set-up.
fetch_and_install() {
    local options=() lists release errors
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    if lists=$(apt_get "${options[@]}" update 2>&1); then
        [ -z "$lists" ] || echo "$lists"
    else
        echo "Not every package list could be fetched; going on with those that came. apt said:"
        failed_lists "$lists" | sed 's/^/  /'
    fi
    echo "Installing:" "$@"
    # apt's complaints are kept to say once; what it prints of its progress passes on.
    { errors=$(apt_get "${options[@]}" install --no-install-recommends "$@" 2>&1 >&3 3>&-); } 3>&1 &&
        return 0
    release=$(release_codename) || true
    if [ -n "$release" ]; then
        local reason
        reason=$(stale_lists "$lists")
        echo "${reason:-apt could not resolve the install}: installing from $release itself"
        { errors=$(apt_get "${options[@]}" -t "$release" install --no-install-recommends "$@" \
            2>&1 >&3 3>&-); } 3>&1 && return 0
    fi
    {
        echo "Could not install $*. apt said:"
        sed 's/^/  /' <<<"$errors"
        echo "The Debian mirror may be in the middle of a sync: try again later, or point /etc/apt at another mirror."
    } >&2
    return 1
}

install_packages() {
    check_release
    install_named $PACKAGES
}

kernel_runs_i386() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# backports_source APT_ETC FOLDER: writes into FOLDER an apt source for bookworm-backports with
# the address, components and options of the machine's own bookworm source in APT_ETC (in either
# format: the first "deb" line or deb822 stanza whose suites include bookworm), so that a machine
# that reaches Debian only through its own mirror or proxy gets the backports from there too.
# Fails, writing nothing, where there is no such source.
backports_source() {
    local etc=$1 folder=$2 file
    for file in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        # Options in brackets may hold spaces; the suite is the second word after them.
        awk '{ sub(/#.*/, "") } $1 == "deb" {
                n = 2
                if ($2 ~ /^\[/) {
                    while ($n !~ /\]$/ && n < NF) n++
                    n++
                }
                if ($(n + 1) == "bookworm" && NF > n + 1) {
                    $(n + 1) = "bookworm-backports"
                    print
                    found = 1
                    exit
                }
            } END { exit !found }' "$file" >"$folder/quorvane-backports.list" && return 0
    done
    rm -f "$folder/quorvane-backports.list"
    for file in "$etc"/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        # Stanzas are separated by blank lines; a field goes on over lines that start with a
        # space. The stanza is copied as it is, but for its types and suites.
        awk 'function flush() {
                if (deb && bookworm && !disabled) { printf "%s", stanza; found = 1; exit }
                stanza = ""; deb = bookworm = disabled = 0
            }
            /^[ \t]*$/ { flush(); next }
            /^#/ { next }
            /^[^ \t]/ { field = tolower($1) }
            field == "types:" {
                if (/^[^ \t]/) stanza = stanza "Types: deb\n"
                for (k = 1; k <= NF; k++) if ($k == "deb") deb = 1
                next
            }
            field == "suites:" {
                if (/^[^ \t]/) stanza = stanza "Suites: bookworm-backports\n"
                for (k = 1; k <= NF; k++) if ($k == "bookworm") bookworm = 1
                next
            }
            field == "enabled:" && tolower($2) == "no" { disabled = 1 }
            { stanza = stanza $0 "\n" }
            END { if (!found) flush(); exit !found }' "$file" >"$folder/quorvane-backports.sources" &&
            return 0
    done
    rm -f "$folder/quorvane-backports.sources"
    return 1
}

emulator_is_new() {
    "$EMULATOR" --version 2>/dev/null | grep -q "version \(1[0-9]\|[2-9][0-9]\)\."
}

# Never the recommended qemu-user-binfmt: that would send every 32-bit program on the machine
# through the emulator. Ours is registered only inside the test run's own namespace.
# Releases after bookworm have a new enough emulator of their own.
install_emulator() {
    emulator_is_new && return 0
    [ "$(release_codename)" = bookworm ] && { install_backported_emulator; return; }
    fetch_and_install -- qemu-user || return 1
    emulator_is_new && return 0
    echo "No emulator: $(release_codename)'s qemu-user is $("$EMULATOR" --version 2>/dev/null |
        head -n 1), and Wine needs version 10 or later."
    return 1
}

# The backports source is used for this one install and never written into the machine's apt
# set-up: apt reads the machine's sources plus that one from a folder of ours, and keeps the
# package lists it fetches there (no package cache, which would be built from those lists).
install_backported_emulator() {
    local apt status=0
    scratch_folder apt apt
    mkdir -p "$apt/sources" "$apt/lists/partial"
    if ! backports_source /etc/apt "$apt/sources"; then
        echo "No emulator: /etc/apt names no Debian bookworm source to take bookworm-backports from."
        rm -rf "$apt"
        return 1
    fi
    cp -p /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources "$apt/sources/" \
        2>/dev/null || true
    local options=(-o "Dir::Etc::SourceParts=$apt/sources" -o "Dir::State::Lists=$apt/lists"
        -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
    fetch_and_install "${options[@]}" -- qemu-user/bookworm-backports || status=$?
    rm -rf "$apt"
    return $status
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
NAMESPACE=(unshare --user --map-root-user --mount --pid --fork --mount-proc --kill-child)

# EMULATOR_LINK: the emulator under the name Debian's qemu wants for flag P, in a scratch folder.
emulator_link() {
    local folder
    scratch_folder emulator folder
    ln -s "$EMULATOR" "$folder/qemu-i386-binfmt-P"
    EMULATOR_LINK=$folder/qemu-i386-binfmt-P
}

emulation_works() {
    local status=0
    emulator_link
    "${NAMESPACE[@]}" bash -c "$(declare -f register_emulator); register_emulator '$EMULATOR_LINK' &&
        /lib/ld-linux.so.2 --version" </dev/null >/dev/null 2>&1 || status=$?
    rm -rf "$(dirname "$EMULATOR_LINK")"
    return $status
}

# Chooses how the tests run the 32-bit program (QUORVANE_I386 may say native, qemu or x64):
#   native  the kernel runs 32-bit Linux programs, so 32-bit Wine runs as it is;
#   qemu    it does not: 32-bit Wine's Linux programs run through qemu-i386 in a namespace;
#   x64     neither works: the same sources built for 64-bit Windows stand in.
choose_route() {
    check_wine_tmpdir
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
    use_build "$ROUTE"
}

# use_build ROUTE: the build the tests run (TEST_PRESET, TEST_BUILD_DIR) and the Wine that runs
# it: the 64-bit stand-in on the x64 route, the shipped 32-bit program on the others.
use_build() {
    if [ "$1" = x64 ]; then
        TEST_PRESET=x64
        TEST_BUILD_DIR=$ROOT/build-x64
        WINE=wine64
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

# enter_namespace SCRIPT ARGS...: runs the script again inside a private user, mount and PID
# namespace, and exits with its status, where the session needs one: always on the qemu route,
# whose emulator is registered only there, and everywhere for a script that sets
# SESSION_NAMESPACE=1 (scripts/test). Every program started in the namespace ends with it and
# every mount made there goes with it, even when this script is killed: setpriv kills unshare
# when this script ends, and unshare (--kill-child) the namespace's first process, whose end
# ends every other process in it. Returns at once elsewhere.
enter_namespace() {
    [ "$ROUTE" = qemu ] || [ "${SESSION_NAMESPACE:-}" = 1 ] || return 0
    if [ "$ROUTE" != qemu ] && ! "${NAMESPACE[@]}" true </dev/null >/dev/null 2>&1; then
        echo "No namespace of its own for this session (unshare failed): a killed run may leave programs and a mount behind."
        return 0
    fi
    local status=0
    QUORVANE_NAMESPACE=1 stoppable setpriv --pdeathsig KILL "${NAMESPACE[@]}" "$BASH" "$@" ||
        status=$?
    exit $status
}

# Inside the qemu route's namespace: 32-bit Linux programs go through the emulator from here on.
# Done once; a script run by the session's own tests finds it done.
route_to_emulator() {
    [ ! -e /proc/sys/fs/binfmt_misc/quorvane-i386 ] || return 0
    emulator_link
    register_emulator "$EMULATOR_LINK" || {
        echo "Could not route 32-bit programs to $EMULATOR" >&2
        exit 1
    }
}

# start_session SCRIPT ARGS...: what scripts/test and scripts/run do first: what killed runs left,
# the packages and the route, then, where the session has a namespace of its own, the script
# again inside it; there (or here, where it has none) the builds of BUILD_TARGETS (all by default).
start_session() {
    stop_on_signals
    check_wine_tmpdir
    sweep_scratch
    if [ -z "${QUORVANE_NAMESPACE:-}" ]; then
        install_packages
        choose_route
        describe_route
        enter_namespace "$@"
    else
        choose_route
        [ "$ROUTE" != qemu ] || route_to_emulator
    fi
    local targets=${BUILD_TARGETS:-all}
    build default "$BUILD_DIR" "$targets"
    # A stand-in's tests still check the shipped file, the one in this build.
    [ "$TEST_BUILD_DIR" = "$BUILD_DIR" ] || build "$TEST_PRESET" "$TEST_BUILD_DIR" "$targets" \
        -DQUORVANE_SHIPPED_SCR="$BUILD_DIR/bin/quorvane.scr"
}

# build PRESET DIR [TARGETS [CONFIGURE-OPTION...]]: configures DIR once, then brings TARGETS
# (everything, by default; several are separated by spaces) up to date.
build() {
    local preset=$1 dir=$2 targets
    read -r -a targets <<<"${3:-all}"
    shift $(($# < 3 ? $# : 3))
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        stoppable cmake -S "$ROOT" --preset "$preset" -B "$dir" "$@" >/dev/null
    fi
    stoppable cmake --build "$dir" --target "${targets[@]}" -j"$(nproc)"
}

# start_display WIDTHxHEIGHT: a private Xvfb on a free display number.
start_display() {
    local geometry=$1
    new_display_fifo
    Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp 3>"$SESSION_DIR/displayfd" \
        </dev/null >/dev/null 2>&1 &
    take_display "Xvfb" $!
}

# start_two_monitors: a private X server showing two monitors side by side, a 640 x 480 primary
# and an 800 x 600 monitor right of it, which xrandr can switch, move and unplug (see its
# configuration). Returns 1, with the reason in MONITORS_SKIPPED, where it cannot start.
start_two_monitors() {
    new_display_fifo
    MONITORS_SKIPPED=""
    if [ "$(id -u)" != 0 ]; then
        MONITORS_SKIPPED="Xorg takes a configuration of our own only from root"
        return 1
    fi
    Xorg -displayfd 3 -config "$ROOT/tests/wine/monitors.conf" -noreset -nolisten tcp \
        -logfile "$SESSION_DIR/xorg.log" 3>"$SESSION_DIR/displayfd" </dev/null >/dev/null 2>&1 &
    take_display "Xorg" $! || {
        MONITORS_SKIPPED="Xorg did not start: $(grep '(EE)' "$SESSION_DIR/xorg.log" |
            grep -v 'module\|input driver\|dbus' | head -n 3 | tr '\n' ' ')"
        return 1
    }
    xrandr --addmode DUMMY1 800x600 &&
        xrandr --output DUMMY0 --primary --mode 640x480 --output DUMMY1 --mode 800x600 \
            --right-of DUMMY0 || {
        MONITORS_SKIPPED="xrandr could not plug in the second monitor"
        return 1
    }
    # Wine reports a crash in its X driver only where this is set.
    export LIBC_FATAL_STDERR_=1
}

# The X server writes its display number into this pipe once it is ready.
new_display_fifo() {
    if [ -z "$SESSION_DIR" ]; then
        scratch_folder session SESSION_DIR
    fi
    rm -f "$SESSION_DIR/displayfd"
    mkfifo "$SESSION_DIR/displayfd"
}

# take_display NAME PID: waits for the X server just started to name its display, and uses it.
take_display() {
    local number
    X_PIDS+=("$2")
    read -r -t 30 number <"$SESSION_DIR/displayfd" || { echo "$1 did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

# start_wine [PREFIX [SETTINGS]]: a prefix served by a persistent wineserver: PREFIX, kept, or a
# fresh scratch one. SETTINGS is a .reg file imported into it: the tests' lab.reg unless named
# ("" for none: Wine's own settings, its sound included). Once the build has made it, a hidden
# window of ours keeps Wine's desktop process up until the server stops: without one, the
# desktop ends a few seconds after each program's last window and the next program's start and
# end each wait for it.
start_wine() {
    local settings=${2-$LAB_SETTINGS}
    if [ -n "${1:-}" ]; then
        export WINEPREFIX=$1
        mkdir -p "$WINEPREFIX"
    else
        scratch_folder prefix WINEPREFIX
        export WINEPREFIX
        # The one prefix in which ctest runs the tests (tests/ctest_guard.cmake).
        export QUORVANE_TEST_PREFIX=$WINEPREFIX
    fi
    export WINEDEBUG=${WINEDEBUG:--all}
    PREFIXES+=("$WINEPREFIX")
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    if [ -n "$settings" ]; then
        "$WINE" regedit /S "Z:${settings//\//\\}" </dev/null >/dev/null 2>&1
    fi
    local holder=${TEST_BUILD_DIR:-$BUILD_DIR}/bin/desktop_holder.exe
    if [ -f "$holder" ]; then
        "$WINE" "$holder" </dev/null >/dev/null 2>&1 &
    fi
}

# wine_server_dir PREFIX [TMP]: the folder in which the prefix's wineserver keeps its socket, named
# after the prefix's device and inode. Debian's Wine puts it in a folder of the prefix's own
# under its TMPDIR (or TMP), named in the prefix's file "wineserver"; Wine as it comes uses
# /tmp/.wine-UID.
wine_server_dir() {
    local prefix=$1 tmp=${2:-$(wine_tmpdir)} server folder=""
    server=$(printf 'server-%s-%x' "$(stat -c %D "$prefix")" "$(stat -c %i "$prefix")")
    [ ! -f "$prefix/wineserver" ] || folder=$(cat "$prefix/wineserver")
    if [[ $folder =~ ^wine-[A-Za-z0-9]{6}$ ]]; then
        echo "$tmp/$folder/$server"
    else
        echo "/tmp/.wine-$(id -u)/$server"
    fi
}

# stop_wine [PREFIX]: ends the prefix's wineserver and every program in it, and removes the
# server's folder (Wine leaves it behind; the next server makes it again).
stop_wine() {
    local prefix=${1:-${WINEPREFIX:-}} server
    [ -n "$prefix" ] && [ -d "$prefix" ] || return 0
    server=$(wine_server_dir "$prefix")
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
    remove_server_dir "$server"
}

remove_server_dir() {
    rm -rf "$1"
    [[ $(basename "$(dirname "$1")") != wine-* ]] || rmdir "$(dirname "$1")" 2>/dev/null || true
}

# scratch_folder KIND VARIABLE: a new folder $TMPDIR/quorvane-KIND.XXXXXX, named in VARIABLE and
# removed by stop_session. Its file .owner is locked for as long as this script runs, and as long
# as anything it started does (the lock's descriptor is inherited), so that a later session can
# tell a killed session's leftovers from the folders of one that still runs (sweep_scratch).
scratch_folder() {
    # Names of their own, which the caller's VARIABLE cannot be.
    local scratch_new scratch_lock
    scratch_new=$(mktemp -d -t "quorvane-$1.XXXXXX")
    SCRATCH+=("$scratch_new")
    # Locked before it takes the name a sweep looks for, so that no sweep ever finds it free.
    exec {scratch_lock}>"$scratch_new/.owner-new"
    flock -n "$scratch_lock"
    echo "$$ $0" >&"$scratch_lock"
    mv "$scratch_new/.owner-new" "$scratch_new/.owner"
    printf -v "$2" %s "$scratch_new"
}

# Removes the scratch folders of ours in $TMPDIR whose session no longer runs, with the Wine server
# folders of their prefixes: a script killed outright (SIGKILL, a machine gone down) leaves them.
# A folder is ours when it holds .owner; that file is free of its lock only once no process of
# its session is left. Nothing else is touched, nor a folder with a file system mounted on it.
sweep_scratch() {
    local owner folder tmp removed=()
    for owner in "${TMPDIR:-/tmp}"/quorvane-*/.owner; do
        folder=${owner%/.owner}
        [ -f "$owner" ] && ! mountpoint -q "$folder" || continue
        flock -n "$owner" true 2>/dev/null || continue
        # Under TMPDIR, or under /tmp where that session's Wine ran without it.
        if [ -f "$folder/wineserver" ]; then
            for tmp in "${TMPDIR:-/tmp}" /tmp; do
                remove_server_dir "$(wine_server_dir "$folder" "$tmp")"
            done
        fi
        rm -rf --one-file-system "$folder"
        removed+=("$(basename "$folder")")
    done
    [ ${#removed[@]} = 0 ] ||
        echo "Removed what runs killed before their end left in ${TMPDIR:-/tmp}: ${removed[*]}"
}

# Stops what this script started and removes its scratch folders; a prefix named to start_wine
# (scripts/run's own) is stopped but kept. A second Ctrl-C does not cut this short.
stop_session() {
    local pid prefix folder
    trap '' INT TERM
    set +e
    stop_child
    for prefix in "${PREFIXES[@]}"; do stop_wine "$prefix"; done
    PREFIXES=()
    [ -z "$SYNTH_PID" ] || kill "$SYNTH_PID" 2>/dev/null
    for pid in "${X_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${X_PIDS[@]}" $SYNTH_PID; do wait "$pid" 2>/dev/null; done
    X_PIDS=()
    SYNTH_PID=""
    for folder in "${MOUNTS[@]}"; do umount "$folder"; done
    MOUNTS=()
    rm -rf --one-file-system "${SCRATCH[@]}"
    SCRATCH=()
    SESSION_DIR=""
    wait 2>/dev/null
}
