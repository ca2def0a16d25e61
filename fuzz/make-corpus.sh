#!/usr/bin/env bash
# Makes the seed corpus of kvc_fuzz from real speech, with the project's own
# encoder (build/bin/qlmsim). Usage: fuzz/make-corpus.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/fuzz/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

espeak-ng -w "$work/spoken.wav" "Call me back at five. The code is seven two nine."
sox "$work/spoken.wav" -r 8000 -c 1 -b 16 -e signed-integer "$work/speech.wav"
# A second of quiet after the speech, for the silence runs.
sox "$work/speech.wav" "$work/padded.wav" pad 0 1

n=0
for rate in 4.4 7.2 9.6; do
    for opts in "" "--vad" "--vad --silence"; do
        # shellcheck disable=SC2086
        "$build/bin/qlmsim" encode "$work/padded.wav" "$work/c.dat" --rate "$rate" $opts > /dev/null
        # Decode seeds: mode byte 0x00, then the codec data's first frames
        # and its last (the quiet end), both starting on a frame.
        { printf '\x00'; head -c 400 "$work/c.dat"; } > "$out/decode-$n"
        len=$(stat -c %s "$work/c.dat")
        case $rate in 4.4) fl=11 ;; 7.2) fl=18 ;; *) fl=24 ;; esac
        [ -z "$opts" ] || fl=1  # runs and frames mix; the data ends on a frame
        { printf '\x00'; tail -c $(( len < 16 * 24 ? len : (fl == 1 ? 64 : 16 * fl) )) "$work/c.dat"; } > "$out/decode-$n-end"
        n=$((n + 1))
    done
done
# Encode seeds: mode byte (0x80 + rate + 4 for VAD), then raw samples.
i=0
for mode in '\x80' '\x81' '\x86'; do
    { printf "$mode"; dd if="$work/speech.wav" bs=1 skip=$((44 + 8000)) count=480 2>/dev/null; } > "$out/encode-$i"
    i=$((i + 1))
done
echo "corpus: $(ls "$out" | wc -l) files in $out"
