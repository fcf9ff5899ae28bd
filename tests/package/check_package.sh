#!/usr/bin/env bash
# Packs the built saver with scripts/package and checks what a Windows user unpacks:
#   check_package.sh <source dir> quorvane.scr
# exactly QUORVANE.SCR and README.TXT, the saver byte for byte, a README that Notepad on
# Windows 95 shows as lines (CRLF, ASCII, under 80 columns) and that says how to install.
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
[ "$names" = "QUORVANE.SCR README.TXT " ] || fail "the archive holds: $names"
mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"

cmp "$scr" "$work/unpacked/QUORVANE.SCR" || fail "QUORVANE.SCR is not the built saver"

readme=$work/unpacked/README.TXT
lines=$(grep -c '' "$readme")
[ "$(grep -c $'\r$' "$readme")" = "$lines" ] || fail "README.TXT has lines without CRLF"
[ "$(tr -cd '\r' <"$readme" | wc -c)" = "$lines" ] || fail "README.TXT has a stray CR"
! LC_ALL=C grep -qn $'[^\r -~]' "$readme" || fail "README.TXT is not plain ASCII"
! tr -d '\r' <"$readme" | grep -n '.\{80\}' || fail "README.TXT has lines of 80 or more characters"
for step in QUORVANE.SCR "Windows folder" Install Settings quorvane.ini; do
    grep -q "$step" "$readme" || fail "README.TXT does not mention \"$step\""
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
