#!/usr/bin/env bash
# The image check stays red on what the oldest systems would refuse, in the layout of whichever
# binutils built the image and reads it: copies of the shipped file, one importing a function the
# first Windows 95 release lacks, one with an instruction the 486 lacks at its entry point.
#   plants.sh OBJDUMP quorvane.scr
set -euo pipefail
objdump=${1:?usage: plants.sh OBJDUMP quorvane.scr}
image=${2:?usage: plants.sh OBJDUMP quorvane.scr}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# plant NAME OFFSET BYTES SAID: a copy with BYTES (printf's escapes) written at file offset OFFSET
# must fail the check, which says the line SAID.
plant() {
    local copy=$work/$1.scr output status=0
    cp "$image" "$copy"
    printf "$3" | dd of="$copy" bs=1 seek="$2" conv=notrunc status=none
    output=$(bash "$(dirname "$0")/check_image.sh" "$objdump" "$copy") || status=$?
    if [ $status = 0 ] || ! grep -qF -- "$4" <<<"$output"; then
        printf '%s: the check exited %s and never said\n  %s\nbut\n%s\n' "$1" "$status" "$4" "$output" >&2
        failed=1
    fi
}

# The hint-name entry of CreateFileA becomes that of CopyFileExA, which came with NT 4.0 and
# never reached Windows 95: the same length, so nothing else moves.
name=$(LC_ALL=C grep -obUaP 'CreateFileA\x00' "$image" | head -n 1 | cut -d: -f1)
plant import "$name" 'CopyFileExA' "FAIL: imports KERNEL32 CopyFileExA, not on the list"

# cpuid, of the Pentium, where the program starts.
headers=$("$objdump" -p "$image")
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }
read -r start offset < <("$objdump" -h "$image" | awk '$2 == ".text" { print $4, $6; exit }')
entry=$((0x$(field AddressOfEntryPoint) + 0x$(field ImageBase) - 0x$start + 0x$offset))
plant cpuid "$entry" '\x0f\xa2' ": 0f a2: cpuid"
exit $failed
