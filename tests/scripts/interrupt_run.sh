#!/usr/bin/env bash
# scripts/run ends whole and leaves nothing behind, however it ends: started headless for ten
# minutes and interrupted once the saver is up, it exits 130; where the closing key never comes
# (an xdotool that does nothing, first on PATH), it ends the saver itself after its deadline,
# says so and exits 1. Either way no process, no prefix and no Wine server folder is left.
# What a killed run left in the same TMPDIR goes when it starts; the folders of a session that
# still runs, and folders not ours, stay.
#   interrupt_run.sh <source dir>
# Each run gets a TMPDIR of its own: everything it starts inherits it or, for Wine, which may not
# bear it, a prefix inside it, and every scratch folder it makes belongs in it.
set -euo pipefail
root=${1:?usage: interrupt_run.sh <source dir>}
scratch=$(mktemp -d)
run="" watchdog="" saver_prefix="" failed=0

own_processes() {
    grep -lzx -e "TMPDIR=$tmp" -e "WINEPREFIX=$tmp/.*" /proc/[0-9]*/environ 2>/dev/null |
        cut -d/ -f3 || true
}

describe() {
    local pid
    for pid in "$@"; do
        echo "  $pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
    done
}

# Whatever was found, nothing of a run outlives the check.
end_run() {
    local pid
    [ -z "$run" ] || kill -KILL -- "-$run" 2>/dev/null || true
    [ -z "$watchdog" ] || kill "$watchdog" 2>/dev/null || true
    for pid in $(own_processes); do kill -KILL "$pid" 2>/dev/null || true; done
    [ -z "$saver_prefix" ] || rm -rf "$saver_prefix"
    run="" watchdog="" saver_prefix=""
}
finish() {
    [ -z "${tmp:-}" ] || end_run
    rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# run_case NAME STATUS SAID [VARIABLE=VALUE...]: scripts/run with those variables; NAME interrupt
# sends the INT once the saver is up. It must end with STATUS, say the line SAID (unless "") and
# leave only the folders it must keep.
run_case() {
    local name=$1 expected=$2 said=$3 living status=0 server="" folder left took
    shift 3
    tmp=$scratch/$name/tmp
    mkdir -p "$tmp"
    # A prefix of a killed run, with its Wine server folder; a session that runs; two not ours.
    mkdir "$tmp/quorvane-prefix.killed" "$tmp/wine-killed" "$tmp/quorvane-session.living" \
        "$tmp/quorvane-notes" "$tmp/someone.else"
    touch "$tmp/quorvane-prefix.killed/.owner"
    echo wine-killed >"$tmp/quorvane-prefix.killed/wineserver"
    exec {living}>"$tmp/quorvane-session.living/.owner"
    flock "$living"
    local kept=("$tmp/quorvane-session.living" "$tmp/quorvane-notes" "$tmp/someone.else")

    # Its own session, as a terminal's foreground job, so that the INT reaches the whole group
    # the way Ctrl-C does. The test's own display and prefix are not the run's.
    (
        trap - INT QUIT
        cd "$root"
        exec env -u DISPLAY -u WINEPREFIX TMPDIR="$tmp" RUN_SECONDS=600 "$@" \
            SHOT="$scratch/$name/shot.png" setsid bash scripts/run </dev/null >"$scratch/$name/log" 2>&1
    ) &
    run=$!

    local saver="" pid
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
        echo "$name: the saver never came up; scripts/run said:" >&2
        cat "$scratch/$name/log" >&2
        exec {living}>&-
        end_run
        failed=1
        return
    fi
    saver_prefix=$(tr '\0' '\n' <"/proc/$saver/environ" | sed -n 's/^WINEPREFIX=//p')
    [ ! -f "$saver_prefix/wineserver" ] || server=$(cat "$saver_prefix/wineserver")
    local begun=$SECONDS
    if [ "$name" = interrupt ]; then
        sleep 2
        kill -INT -- "-$run"
        begun=$SECONDS
    fi
    (
        sleep 60
        kill -KILL -- "-$run" 2>/dev/null
    ) &
    watchdog=$!
    wait "$run" || status=$?
    kill "$watchdog" 2>/dev/null || true
    run="" watchdog=""
    took=$((SECONDS - begun))
    sleep 3

    local problems=()
    [ "$status" = "$expected" ] || problems+=("it ended with $status ${took} s on, not $expected")
    [ -z "$said" ] || grep -qxF -- "$said" "$scratch/$name/log" || problems+=("it never said: $said")
    left=$(own_processes)
    [ -z "$left" ] || problems+=("processes of the run are left:" "$(describe $left)")
    [ ! -e "$saver_prefix" ] || problems+=("the run's prefix $saver_prefix is left")
    # Wine keeps its server folder under TMPDIR, or under /tmp where it runs without TMPDIR.
    [ -z "$server" ] || [ ! -e "/tmp/$server" ] || problems+=("Wine's server folder /tmp/$server is left")
    local others=()
    for folder in "${kept[@]}"; do
        [ -d "$folder" ] || problems+=("the run removed $folder")
        others+=(-not -path "$folder")
    done
    left=$(find "$tmp" -mindepth 1 -maxdepth 1 "${others[@]}")
    [ -z "$left" ] || problems+=("the run left in its TMPDIR:" "$left")
    exec {living}>&-
    end_run
    if [ ${#problems[@]} != 0 ]; then
        printf '%s\n' "${problems[@]}" | sed "s/^/$name: /" >&2
        echo "$name: scripts/run said:" >&2
        cat "$scratch/$name/log" >&2
        failed=1
    fi
    echo "$name: scripts/run ended ${took} s on"
}

run_case interrupt 130 ""
# An xdotool that presses nothing: the saver never gets its closing key.
mkdir "$scratch/bin"
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/xdotool"
chmod +x "$scratch/bin/xdotool"
run_case never-closed 1 "The saver did not end within 5 s of the closing key: ending it." \
    RUN_SECONDS=2 CLOSE_SECONDS=5 PATH="$scratch/bin:$PATH"
exit $failed
