#!/usr/bin/env bash
# The emulator's backports source is made from the machine's own bookworm source, in either apt
# format, and nothing is made where there is none:
#   backports_source.sh <source dir>
set -uo pipefail
source "${1:?usage: backports_source.sh <source dir>}/scripts/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# expect NAME FILE CONTENT EXPECTED: APT_ETC holds only FILE with CONTENT; EXPECTED is the source
# written, or "" for none.
expect() {
    local name=$1 file=$2 content=$3 expected=$4 got
    rm -rf "$work/etc" "$work/out"
    mkdir -p "$work/etc/sources.list.d" "$work/out"
    printf '%b' "$content" >"$work/etc/$file"
    backports_source "$work/etc" "$work/out"
    got=$(cat "$work"/out/* 2>/dev/null)
    if [ "$got" != "$(printf '%b' "$expected")" ]; then
        printf '%s: expected\n%b\ngot\n%s\n' "$name" "$expected" "$got" >&2
        failed=1
    fi
}

expect "one line, options with spaces" sources.list \
    '# deb https://old.example/debian bookworm main\ndeb-src https://src.example/debian bookworm main\ndeb [ arch=amd64 signed-by=/k.gpg ] https://mirror.example/debian bookworm main contrib # ours\n' \
    'deb [ arch=amd64 signed-by=/k.gpg ] https://mirror.example/debian bookworm-backports main contrib'
expect "deb822, two suites, a key over lines" sources.list.d/debian.sources \
    'Types: deb\nURIs: https://security.example/debian-security\nSuites: bookworm-security\nComponents: main\n\nTypes: deb deb-src\nURIs: https://mirror.example/debian\nSuites: bookworm-updates\n bookworm\nComponents: main non-free\nSigned-By:\n -----BEGIN PGP PUBLIC KEY BLOCK-----\n .\n' \
    'Types: deb\nURIs: https://mirror.example/debian\nSuites: bookworm-backports\nComponents: main non-free\nSigned-By:\n -----BEGIN PGP PUBLIC KEY BLOCK-----\n .'
expect "disabled stanza" sources.list.d/debian.sources \
    'Enabled: no\nTypes: deb\nURIs: https://mirror.example/debian\nSuites: bookworm\nComponents: main\n' ''
expect "another release only" sources.list 'deb https://mirror.example/debian trixie main\n' ''
exit $failed
