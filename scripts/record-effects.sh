#!/usr/bin/env bash
# Records the effects as a sound device plays them: effects_run makes moves on the real
# board (per move a drag, a refused drop and an accepted one) while a PulseAudio null
# sink takes its sound; sox cuts the recording into its sounds, which are counted by
# length: a click (the accepted move, under a quarter of a second) or a buzz (the
# refusal; the first one sounds together with the drag sound). Uses effects_run of
# build-test: build it first (cmake --build build-test --target effects_run).
# Usage: scripts/record-effects.sh [moves] [pause in ms]   (needs a running PulseAudio,
# pulseaudio-utils and sox; for example: pulseaudio -D --exit-idle-time=-1)
set -euo pipefail
cd "$(dirname "$0")/.."
moves=${1:-50}
pause=${2:-700}
build=${KELMAR_BUILD:-build-test}
pactl info >/dev/null || { echo "no PulseAudio server runs" >&2; exit 1; }

work=$(mktemp -d)
sink=kelmar_record_$$
module=$(pactl load-module module-null-sink sink_name="$sink")
previous=$(pactl get-default-sink)
recorder=
cleanup() {
  [ -z "$recorder" ] || kill "$recorder" 2>/dev/null || true
  pactl set-default-sink "$previous" || true
  pactl unload-module "$module" || true
  rm -rf "$work"
}
trap cleanup EXIT
pactl set-default-sink "$sink"
parec -d "$sink.monitor" --format=s16le --rate=22050 --channels=1 --raw >"$work/sound.raw" &
recorder=$!
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$build/bench/effects_run" -noAtom "$moves" "$pause"
sleep 3  # the null sink plays in blocks of up to two seconds
kill "$recorder"
wait "$recorder" 2>/dev/null || true
recorder=

# One file per sound; a sound ends after a tenth of a second of silence.
sox -t raw -r 22050 -e signed -b 16 -c 1 "$work/sound.raw" "$work/part.wav" \
  silence 1 0.005 1% 1 0.1 1% : newfile : restart
for part in "$work"/part*.wav; do soxi -D "$part"; done | awk -v moves="$moves" '
  $1 > 0.02 { if ($1 < 0.25) clicks++; else buzzes++ }
  END { printf "moves %d: clicks %d, buzzes %d\n", moves, clicks, buzzes; exit !(clicks == moves && buzzes == moves) }'
