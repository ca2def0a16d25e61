#!/usr/bin/env bash
# Makes the seed corpus of every fuzz target (fuzz/corpus/TARGET) from the
# project's own programs and files: real speech through our encoder and
# decoder (build/bin/qlmsim), the recorder simulator's demo card, our string
# library and the kinds of statements the catalogue runs.
# Usage: fuzz/make-corpus.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
sim=$build/bin/qlmsim
corpus=$top/fuzz/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

espeak-ng -w "$work/spoken.wav" "Call me back at five. The code is seven two nine."
sox "$work/spoken.wav" -r 8000 -c 1 -b 16 -e signed-integer "$work/speech.wav"
# A second of quiet after the speech, for the silence runs.
sox "$work/speech.wav" "$work/padded.wav" pad 0 1

# kvc_fuzz: mode byte, then codec data (decode) or samples (encode).
out=$corpus/kvc_fuzz
rm -rf "$out" && mkdir -p "$out"
n=0
for rate in 4.4 7.2 9.6; do
    for opts in "" "--vad" "--vad --silence"; do
        # shellcheck disable=SC2086
        "$sim" encode "$work/padded.wav" "$work/c.dat" --rate "$rate" $opts > /dev/null
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

# recording_fuzz: name length, name, then the file's first bytes.
out=$corpus/recording_fuzz
rm -rf "$out" && mkdir -p "$out"
"$sim" democard "$work/card" > /dev/null
"$sim" write "$work/card" --time "2024-12-31 23:59:59" --number 0123456789012345678 --flags 0x39 --bytes 2048 > /dev/null
"$sim" write "$work/card" --time "2003-01-01 00:00:00" --flags 0x10 --bytes 100 > /dev/null
for f in "$work"/card/*; do
    name=$(basename "$f")
    { printf "\\x$(printf %02x ${#name})%s" "$name"; head -c 600 "$f"; } > "$out/$name"
done
# Names that are almost recordings.
for name in 2300300.000 C310324.559 A0000000.000 12345678.9012 "1010124 .000"; do
    { printf "\\x$(printf %02x ${#name})%s" "$name"; head -c 16 "$f"; } > "$out/near-${name// /_}"
done

# strlib_fuzz and font_fuzz: our string library and its font entries.
out=$corpus/strlib_fuzz
rm -rf "$out" && mkdir -p "$out"
cp "$top/data/strLib.ini" "$out/strLib.ini"
head -c 600 "$top/data/strLib.ini" > "$out/strLib-head.ini"
sed 's/$/\r/' "$top/data/strLib.ini" | head -c 2000 > "$out/strLib-crlf.ini"
out=$corpus/font_fuzz
rm -rf "$out" && mkdir -p "$out"
i=0
sed -n 's/^Font[0-9]*=//p' "$top/data/strLib.ini" | while IFS= read -r entry; do
    printf '%s' "$entry" > "$out/font-$i"
    i=$((i + 1))
done
printf 'Courier New,12,True' > "$out/font-courier"
printf ' Arial , 8.5 , -1 ' > "$out/font-blanks"

# statement_fuzz: statement, pattern and value, each ended by a backslash and
# a letter (the fuzzer's string splitting), then the use-the-catalogue byte.
out=$corpus/statement_fuzz
rm -rf "$out" && mkdir -p "$out"
i=0
while IFS='|' read -r statement pattern value; do
    printf '%s\\a%s\\a%s\\a\x01' "$statement" "$pattern" "$value" > "$out/statement-$i"
    i=$((i + 1))
done <<'LIST'
SELECT * FROM qlm WHERE Date BETWEEN #1/1/2003# AND #5/17/2024# ORDER BY Date, Time|*555*|0555123
SELECT * FROM qlm WHERE Time BETWEEN #9:5:0# AND #23:59:59# AND CallerID LIKE '12#4*'|[!0-4]?#|7a1
SELECT * FROM qlm WHERE Date = #2003-1-1# AND Comment LIKE '*it''s #1*'|*it's [#]1*|it's #1 [really]
UPDATE qlm SET Comment = 'Call #2, "urgent"' WHERE Date = #03/07/2024# AND Time = #09:05:00#|[a-c]*|Bärbel
DELETE FROM qlm WHERE Date = #2024-02-29 10:11:12#|*[*]*|100%_done
SELECT * FROM [qlm] WHERE [Comment] LIKE '[[]x]'|[[]x]|[x]
LIST

# gainpass_fuzz: level 40 and offset 512, then a WAV file our decoder made.
out=$corpus/gainpass_fuzz
rm -rf "$out" && mkdir -p "$out"
"$sim" encode "$work/speech.wav" "$work/s.dat" --rate 9.6 > /dev/null
"$sim" decode "$work/s.dat" "$work/decoded.wav"
{ printf '\x28\x00\x00\x02'; head -c 8000 "$work/decoded.wav"; } > "$out/decoded"
{ printf '\x28\x00\x00\x02'; head -c 8000 "$work/speech.wav"; } > "$out/speech"
{ printf '\xe7\x03\x2c\x00'; dd if="$work/padded.wav" bs=2000 skip=10 count=3 2>/dev/null; } > "$out/quiet-end"

for d in "$corpus"/*/; do echo "$(basename "$d"): $(ls "$d" | wc -l) seeds"; done
