#!/usr/bin/env bash
# Ctrl-C stops scripts/run as a whole: started headless for ten minutes and interrupted once the
# saver is up, it exits 130 and leaves no process, no prefix and no Wine server folder behind.
# What a killed run left in the same TMPDIR goes when it starts; the folders of a session that
# still runs, and folders not ours, stay.
#   interrupt_run.sh <source dir>
# The run gets a TMPDIR of its own: everything it starts inherits it (Wine's server, which
# leaves the run's process group, too) and every scratch folder it makes belongs in it.
set -euo pipefail
root=${1:?usage: interrupt_run.sh <source dir>}
scratch=$(mktemp -d)
tmp=$scratch/tmp
mkdir "$tmp"
run=""

# A prefix of a killed run, with its Wine server folder; a session that runs; two not ours.
mkdir "$tmp/quorvane-prefix.killed" "$tmp/wine-killed" "$tmp/quorvane-session.living" \
    "$tmp/quorvane-notes" "$tmp/someone.else"
touch "$tmp/quorvane-prefix.killed/.owner"
echo wine-killed >"$tmp/quorvane-prefix.killed/wineserver"
exec {living}>"$tmp/quorvane-session.living/.owner"
flock "$living"
kept=("$tmp/quorvane-session.living" "$tmp/quorvane-notes" "$tmp/someone.else")

own_processes() {
    grep -lzx "TMPDIR=$tmp" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 || true
}

describe() {
    local pid
    for pid in "$@"; do
        echo "  $pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
    done
}

finish() {
    local pid
    # Whatever was found, nothing of the run outlives the check.
    [ -z "$run" ] || kill -KILL -- "-$run" 2>/dev/null || true
    [ -z "${watchdog:-}" ] || kill "$watchdog" 2>/dev/null || true
    for pid in $(own_processes); do kill -KILL "$pid" 2>/dev/null || true; done
    [ -z "${saver_prefix:-}" ] || rm -rf "$saver_prefix"
    rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Its own session, as a terminal's foreground job, so that the INT reaches the whole group the
# way Ctrl-C does. The test's own display and prefix are not the run's.
(
    trap - INT QUIT
    cd "$root"
    exec env -u DISPLAY -u WINEPREFIX TMPDIR="$tmp" RUN_SECONDS=600 \
        SHOT="$scratch/shot.png" setsid bash scripts/run </dev/null >"$scratch/log" 2>&1
) &
run=$!

saver=""
for _ in $(seq 600); do
    for pid in $(own_processes); do
        if tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -qi 'quorvane\.scr'; then
            saver=$pid
        fi
    done
    [ -z "$saver" ] || break
    kill -0 "$run" 2>/dev/null || break
    sleep 0.2
done
if [ -z "$saver" ]; then
    echo "the saver never came up; scripts/run said:" >&2
    cat "$scratch/log" >&2
    exit 1
fi
saver_prefix=$(tr '\0' '\n' <"/proc/$saver/environ" | sed -n 's/^WINEPREFIX=//p')
sleep 2

kill -INT -- "-$run"
interrupted=$SECONDS
status=0
(
    sleep 60
    kill -KILL -- "-$run" 2>/dev/null
) &
watchdog=$!
wait "$run" || status=$?
kill "$watchdog" 2>/dev/null || true
watchdog=""
run=""
took=$((SECONDS - interrupted))
sleep 3

failed=0
if [ "$status" != 130 ]; then
    echo "scripts/run ended with $status ${took} s after INT, not 130" >&2
    failed=1
fi
left=$(own_processes)
if [ -n "$left" ]; then
    echo "processes of the run are left:" >&2
    describe $left >&2
    failed=1
fi
if [ -n "$saver_prefix" ] && [ -e "$saver_prefix" ]; then
    echo "the run's prefix $saver_prefix is left" >&2
    failed=1
fi
others=()
for folder in "${kept[@]}"; do
    [ -d "$folder" ] || { echo "the run removed $folder" >&2; failed=1; }
    others+=(-not -path "$folder")
done
left=$(find "$tmp" -mindepth 1 -maxdepth 1 "${others[@]}")
if [ -n "$left" ]; then
    echo "the run left in its TMPDIR:" >&2
    echo "$left" >&2
    failed=1
fi
if [ $failed != 0 ]; then
    echo "scripts/run ended ${took} s after INT and said:" >&2
    cat "$scratch/log" >&2
fi
echo "scripts/run ended ${took} s after INT"
exit $failed
