#!/usr/bin/env bash
# Packs the built saver with scripts/package and checks what a Windows user unpacks:
#   check_package.sh <source dir> quorvane.scr
# exactly QUORVANE.SCR, README.TXT and BUILT.TXT, the saver byte for byte, texts that Notepad on
# Windows 95 shows as lines (CRLF, ASCII, under 80 columns), a README that says how to install
# and a BUILT.TXT that names the release and the toolchain that built the saver.
# A file that is not a 32-bit Windows program is refused, and leaves no archive behind.
set -euo pipefail
root=${1:?usage: check_package.sh <source dir> <quorvane.scr>}
scr=${2:?usage: check_package.sh <source dir> <quorvane.scr>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "$*" >&2
    status=1
}

SCR=$scr bash "$root/scripts/package" "$work/dist" >/dev/null
zip=$(ls -A "$work/dist")
if ! [[ $zip =~ ^quorvane-[0-9.]+\.zip$ ]]; then
    echo "expected only quorvane-VERSION.zip, got: $zip" >&2
    exit 1
fi
zip=$work/dist/$zip

names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$names" = "BUILT.TXT QUORVANE.SCR README.TXT " ] || fail "the archive holds: $names"
mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"

cmp "$scr" "$work/unpacked/QUORVANE.SCR" || fail "QUORVANE.SCR is not the built saver"

for text in README.TXT BUILT.TXT; do
    file=$work/unpacked/$text
    lines=$(grep -c '' "$file")
    [ "$(grep -c $'\r$' "$file")" = "$lines" ] || fail "$text has lines without CRLF"
    [ "$(tr -cd '\r' <"$file" | wc -c)" = "$lines" ] || fail "$text has a stray CR"
    ! LC_ALL=C grep -qn $'[^\r -~]' "$file" || fail "$text is not plain ASCII"
    ! tr -d '\r' <"$file" | grep -n '.\{80\}' || fail "$text has lines of 80 or more characters"
done
for step in QUORVANE.SCR "Windows folder" Install Settings quorvane.ini; do
    grep -q "$step" "$work/unpacked/README.TXT" || fail "README.TXT does not mention \"$step\""
done
# Whoever checks the download must know on which release, with which toolchain, to rebuild it.
for built in "$(sed -n 's/^PRETTY_NAME=//p' /etc/os-release | tr -d '"')" \
    "g++-mingw-w64-i686-posix $(dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix)" \
    "binutils-mingw-w64-i686 $(dpkg-query -W -f='${Version}' binutils-mingw-w64-i686)" \
    "mingw-w64-i686-dev $(dpkg-query -W -f='${Version}' mingw-w64-i686-dev)"; do
    grep -qF "$built" "$work/unpacked/BUILT.TXT" || fail "BUILT.TXT does not name $built"
done

# A 64-bit build in the way of the 32-bit one must not be shipped.
cp "$scr" "$work/wrong.scr"
printf '\x64\x86' | dd of="$work/wrong.scr" bs=1 conv=notrunc status=none \
    seek=$(($(od -An -tu4 -j60 -N4 "$scr") + 4))
if SCR=$work/wrong.scr bash "$root/scripts/package" "$work/refused" >/dev/null 2>&1; then
    fail "scripts/package packed a 64-bit image"
fi
[ -z "$(ls -A "$work/refused" 2>/dev/null)" ] || fail "a refused package left files behind"
exit $status
