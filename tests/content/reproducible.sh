#!/usr/bin/env bash
# Runs the content generator into a scratch folder and compares every file it writes with
# the committed one in resources/, byte for byte.
set -euo pipefail
root=${1:?usage: reproducible.sh <source dir>}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$root/tools/contentgen/generate" "$out"
status=0
count=0
while IFS= read -r -d '' file; do
    rel=${file#"$out"/}
    count=$((count + 1))
    if ! cmp "$file" "$root/resources/$rel"; then
        echo "resources/$rel differs from what the generator makes" >&2
        status=1
    fi
done < <(find "$out" -type f -print0)
if [ "$count" -ne 8 ]; then
    echo "expected 8 generated files, got $count" >&2
    status=1
fi
exit $status
