#!/usr/bin/env bash
# The package install on four machines, played by an apt-get and a dpkg-query of ours first on
# PATH: a mirror in step, one mid-sync whose lists the install gets by without, one mid-sync that
# only the release's own suite resolves, and one where nothing does. Each row checks the exit
# status, what is said and the calls apt-get got:
#   install_named.sh <source dir>
set -uo pipefail
root=${1:?usage: install_named.sh <source dir>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

mkdir "$work/bin"
export FAKE_FETCH_FAILED="E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
# FAKE_MIRROR: well, stale-lists (the update fails, the install works), release-only (the update
# fails, only -t bookworm resolves) or broken (nothing resolves).
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "$*" >>"$FAKE_CALLS"
case "$*" in
*update)
    [ "$FAKE_MIRROR" = well ] && exit 0
    echo "$FAKE_FETCH_FAILED" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
*" -t "*) [ "$FAKE_MIRROR" = release-only ] && exit 0 ;;
*install*) [ "$FAKE_MIRROR" = well ] || [ "$FAKE_MIRROR" = stale-lists ] || exit 100
    case "$*" in *qemu-user*) printf '#!/bin/sh\necho "qemu-i386 version 10.0.13"\n' >"$FAKE_EMULATOR"
        chmod +x "$FAKE_EMULATOR" ;; esac
    exit 0 ;;
esac
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100
EOF
# Nothing is installed; i386 is a foreign architecture already; root needs no sudo.
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
printf '#!/bin/sh\necho i386\n' >"$work/bin/dpkg"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' >"$work/bookworm"
printf 'ID=debian\nVERSION_CODENAME=trixie\n' >"$work/trixie"
export PATH="$work/bin:$PATH" FAKE_CALLS="$work/calls" FAKE_EMULATOR="$work/qemu-i386"

INSTALL="-y -qq install --no-install-recommends wine32:i386 xvfb"
PINNED="-y -qq -t bookworm install --no-install-recommends wine32:i386 xvfb"
FALLING_BACK="the i386 lists of bookworm-security are out of step on this mirror: installing from bookworm itself"

# expect MIRROR STATUS SAID CALLS [RELEASE [COMMAND]]: COMMAND (by default install_named of
# wine32:i386 and xvfb) on that mirror of RELEASE (bookworm) exits with STATUS, says the line SAID
# among its output ("" for no such line: then it says nothing of a fallback), and makes the
# apt-get CALLS, one a line.
expect() {
    local mirror=$1 status=$2 said=$3 calls=$4 release=${5:-bookworm} got=0 output
    local command=${6:-install_named wine32:i386 xvfb}
    rm -f "$FAKE_CALLS" "$FAKE_EMULATOR"
    # Under set -e, as the scripts run it.
    output=$(FAKE_MIRROR=$mirror bash -e -c 'source "$1/scripts/common.sh"; OS_RELEASE=$2
        EMULATOR=$FAKE_EMULATOR; $3' - "$root" "$work/$release" "$command" 2>&1) || got=$?
    if [ "$got" != "$status" ]; then
        printf '%s: exit %s, not %s; said\n%s\n' "$mirror" "$got" "$status" "$output" >&2
        failed=1
    fi
    if [ -n "$said" ] && ! grep -qxF -- "$said" <<<"$output"; then
        printf '%s: never said\n  %s\nbut\n%s\n' "$mirror" "$said" "$output" >&2
        failed=1
    elif [ -z "$said" ] && grep -q 'installing from\|Could not install' <<<"$output"; then
        printf '%s: said\n%s\n' "$mirror" "$output" >&2
        failed=1
    fi
    if [ "$(cat "$FAKE_CALLS")" != "$(printf '%b' "$calls")" ]; then
        printf '%s: apt-get was called\n%s\nnot\n%b\n' "$mirror" "$(cat "$FAKE_CALLS")" "$calls" >&2
        failed=1
    fi
}

expect well 0 "" "-y -qq update\n$INSTALL"
expect stale-lists 0 "  $FAKE_FETCH_FAILED" "-y -qq update\n$INSTALL"
expect release-only 0 "$FALLING_BACK" "-y -qq update\n$INSTALL\n$PINNED"
expect release-only 0 "${FALLING_BACK/%bookworm itself/trixie itself}" "-y -qq update\n$INSTALL\n${PINNED/bookworm/trixie}" trixie
# Debian 13's own emulator is new enough: no backports.
expect well 0 "" "-y -qq update\n-y -qq install --no-install-recommends qemu-user" trixie install_emulator
expect broken 1 "The Debian mirror may be in the middle of a sync: try again later, or point /etc/apt at another mirror." \
    "-y -qq update\n$INSTALL\n$PINNED"
exit $failed
