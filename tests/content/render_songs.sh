#!/usr/bin/env bash
# Renders each song with timidity and its General MIDI patch set, then checks with sox that
# it lasts 60 to 150 seconds and has no stretch of more than 4 seconds below -50 dBFS
# (the level is measured in half-second windows). timidity lets the last chord ring out and
# pads the end of its output; that quiet tail, after the last sound, may last up to 6 s.
set -euo pipefail
songs=${1:?usage: render_songs.sh <songs folder>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for song in "$songs"/song1.mid "$songs"/song2.mid; do
    name=$(basename "$song" .mid)
    if ! timidity -c /etc/timidity/timgm6mb.cfg -Ow -o "$work/$name.wav" "$song" \
        >"$work/$name.log" 2>&1; then
        cat "$work/$name.log" >&2
        echo "$name: timidity failed" >&2
        status=1
        continue
    fi
    # mono, 8 kHz is plenty to measure loudness
    sox "$work/$name.wav" -c 1 -r 8000 "$work/$name.raw.wav"
    length=$(soxi -D "$work/$name.raw.wav")
    if ! awk -v l="$length" 'BEGIN { exit !(l >= 60 && l <= 150) }'; then
        echo "$name lasts $length s, not 60 to 150 s" >&2
        status=1
    fi
    # RMS of each half-second window, as raw 16-bit samples through od
    sox "$work/$name.raw.wav" -t raw -e signed -b 16 - |
        od -An -v -td2 -w2 |
        awk -v name="$name" '
            { s = $1 / 32768.0; sum += s * s; n++
              if (n == 4000) { rms[w++] = sqrt(sum / n); sum = 0; n = 0 } }
            END {
                if (n > 0) rms[w++] = sqrt(sum / n)
                quiet = 0; worst = 0
                for (i = 0; i < w; i++) {
                    if (rms[i] < 0.00316) quiet++
                    else { if (quiet > worst) worst = quiet; quiet = 0 }
                }
                if (worst * 0.5 > 4) {
                    printf "%s has a silent stretch of %.1f s\n", name, worst * 0.5 > "/dev/stderr"
                    bad = 1
                }
                if (quiet * 0.5 > 6) {
                    printf "%s ends with %.1f s of silence\n", name, quiet * 0.5 > "/dev/stderr"
                    bad = 1
                }
                printf "%s: longest quiet stretch %.1f s, quiet end %.1f s\n", name, worst * 0.5, quiet * 0.5
                exit bad
            }' || status=1
    echo "$name: $length s"
done
exit $status
