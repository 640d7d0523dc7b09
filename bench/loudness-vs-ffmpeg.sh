#!/usr/bin/env bash
# Loudness against ffmpeg's ebur128 filter: integrated loudness, loudness range and true peak of
# `tonemill loudness --json` (the figures wavscan --json reports too) beside ffmpeg's on the
# same files, and the differences; exits 1 when an integrated loudness or a range differs by
# more than 0.1 LU. The files: sines at known levels (sox), the demo song rendered at 16 and
# 24 bits and as FLAC, and that song brought to -23 LUFS by `render --loudness`.
#   bench/loudness-vs-ffmpeg.sh [AUDIO_FILE...]
# Needs: apt-get install -y ffmpeg sox (ffmpeg only for this script).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
tonemill=$build/bin/tonemill
for tool in ffmpeg sox; do
  command -v "$tool" >/dev/null || { echo "needs $tool: apt-get install -y ffmpeg sox" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/loudness-vs-ffmpeg.XXXXXX")
trap 'rm -rf "$work"' EXIT
files=("$@")
if ((${#files[@]} == 0)); then
  sox -n -r 48000 -b 24 -c 2 "$work/sine-23.wav" synth 20 sine 1000 vol -23dB
  sox -n -r 44100 -b 16 -c 1 "$work/sine-10-mono.wav" synth 20 sine 1000 vol -10dB
  sox -n -r 44100 -b 16 -c 2 "$work/pink.flac" synth 20 pinknoise vol -12dB
  export TONEMILL_HOME=$work/home
  mkdir -p "$TONEMILL_HOME"
  prg=(--prg-dir "$build/bin/PRG" --wav-dir "$build/bin/WAV")
  "$tonemill" render "$here/examples/demo.mid" -q "${prg[@]}" -o "$work/demo.wav"
  "$tonemill" render "$here/examples/demo.mid" -q "${prg[@]}" --bits 24 -o "$work/demo24.wav"
  "$tonemill" render "$here/examples/demo.mid" -q "${prg[@]}" -o "$work/demo.flac"
  "$tonemill" render "$here/examples/demo.mid" -q "${prg[@]}" --loudness -23 -o "$work/demo-23.wav"
  files=("$work"/*.wav "$work"/*.flac)
fi
printf "%-18s %9s %9s %7s %8s %8s %7s %8s %8s\n" file "tm LUFS" "ff LUFS" diff "tm LU" "ff LU" diff \
  "tm dBTP" "ff dBTP"
worst=0
for f in "${files[@]}"; do
  tm=$("$tonemill" loudness --json "$f")
  read -r ti tr tp < <(python3 -c 'import json,sys; j=json.loads(sys.argv[1]); print(j["integratedLufs"], j["loudnessRangeLu"], j["truePeakDbtp"])' "$tm")
  ff=$(ffmpeg -hide_banner -nostats -i "$f" -af ebur128=peak=true -f null - 2>&1 | sed -n '/Summary:/,$p')
  fi=$(awk '/ I:/ {print $2}' <<<"$ff")
  fr=$(awk '/ LRA:/ {print $2}' <<<"$ff")
  fp=$(awk '/ Peak:/ {print $2}' <<<"$ff")
  di=$(awk -v a="$ti" -v b="$fi" 'BEGIN { d = a - b; printf "%.2f", d < 0 ? -d : d }')
  dr=$(awk -v a="$tr" -v b="$fr" 'BEGIN { d = a - b; printf "%.2f", d < 0 ? -d : d }')
  worst=$(awk -v w="$worst" -v a="$di" -v b="$dr" 'BEGIN { m = a > b ? a : b; print (m > w ? m : w) }')
  printf "%-18s %9s %9s %7s %8s %8s %7s %8s %8s\n" "$(basename "$f")" "$ti" "$fi" "$di" "$tr" "$fr" \
    "$dr" "$tp" "$fp"
done
echo "largest difference: $worst LU"
awk -v w="$worst" 'BEGIN { exit (w > 0.1) }'
