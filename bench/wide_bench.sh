#!/usr/bin/env bash
# Wide inputs: each operation over the whole of a 300-second 48000 Hz 24-bit stereo WAV and of
# the same audio as a 24-bit FLAC, against SoX's comparable effect on the same file in the
# same run (warm cache, median processor time of RUNS runs each, default 3), with the peak memory.
# Usage: bench/wide_bench.sh [RUNS]   (needs sox and GNU time: scripts/setup.sh installs them)
runs=${1:-3}
source "$(dirname "$0")/common.sh"

sox -n -r 48000 -b 24 -c 2 "$work/in.wav" synth 300 sine 220 sine 330 pinknoise \
  remix 1,3v0.2 2,3v0.2 tremolo 3 60 gain -6
sox "$work/in.wav" "$work/in.flac"

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); processor seconds"
printf '%-10s %-6s %9s %9s %6s %6s\n' operation input tonemill sox ratio MB
compare() {  # name, input extension, sox words, tonemill arguments (the input and output follow)
  local name=$1 ext=$2 soxfx=$3
  shift 3
  measure sox "$work/in.$ext" "$work/sox.$ext" $soxfx
  local soxt=$median
  measure "$tonemill" "$@" "$work/in.$ext" -o "$work/out.$ext" -q --force
  printf '%-10s %-6s %9s %9s %6s %6s\n' "$name" "$ext" "$median" "$soxt" "$(ratio "$median" "$soxt")" "$((kb / 1024))"
}
for ext in wav flac; do
  compare echo "$ext" "echo 0.8 0.9 100 0.5" echo
  compare fade "$ext" "fade t 0 300 300" fade --end-factor 0
  compare lowpass "$ext" "lowpass -1 2000" lowpass --cutoff 2000
  compare reverse "$ext" "reverse" reverse
  compare compress "$ext" "compand 0.01,0.2 -60,-60,-30,-15,0,-5" compress
  compare flange "$ext" "flanger" flange
  compare chorus "$ext" "chorus 0.7 0.9 55 0.4 0.25 2 -t" chorus
  compare reverb "$ext" "reverb" reverb --algorithm custom --decay 1500
done
# The mixer and the scan: sox -m and stats.
for ext in wav flac; do
  measure sox -m "$work/in.$ext" "$work/in.$ext" "$work/sox.wav"
  soxt=$median
  measure "$tonemill" mix "$work/in.$ext" "$work/in.$ext" -o "$work/out.wav" --rate 48000 --bits 24 -q --force
  printf '%-10s %-6s %9s %9s %6s %6s\n' mix "$ext" "$median" "$soxt" "$(ratio "$median" "$soxt")" "$((kb / 1024))"
  measure sox "$work/in.$ext" -n stats
  soxt=$median
  measure "$tonemill" wavscan "$work/in.$ext" -q
  printf '%-10s %-6s %9s %9s %6s %6s\n' wavscan "$ext" "$median" "$soxt" "$(ratio "$median" "$soxt")" "$((kb / 1024))"
done
