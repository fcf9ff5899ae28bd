#!/usr/bin/env bash
# The shipped image depends on the sources alone: a second build of the saver, from a copy of
# the sources in another folder, at another time, gives the same file byte for byte.
#   rebuild.sh <source dir> quorvane.scr
set -euo pipefail
root=${1:?usage: rebuild.sh <source dir> <quorvane.scr>}
scr=${2:?usage: rebuild.sh <source dir> <quorvane.scr>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sources as they stand, changes not yet committed included, and no build.
mkdir "$work/copy"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$root" ls-files -z --cached --others --exclude-standard |
        (cd "$root" && xargs -0 cp --parents -t "$work/copy" 2>/dev/null || true)
else
    tar -C "$root" --exclude='./build*' --exclude=./out --exclude=./dist -cf - . |
        tar -C "$work/copy" -xf -
fi
cmake -S "$work/copy" --preset default -B "$work/build" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$work/build" --target quorvane -j"$(nproc)" >/dev/null
if ! cmp "$scr" "$work/build/bin/quorvane.scr"; then
    cmp -l "$scr" "$work/build/bin/quorvane.scr" | head -n 8 >&2
    echo "a second build in another folder differs from $scr" >&2
    exit 1
fi
echo "a second build in another folder is the same, byte for byte"
