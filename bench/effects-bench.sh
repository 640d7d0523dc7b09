#!/usr/bin/env bash
# The effects benchmark: each effect over the whole of a 60-second 44100 Hz 16-bit stereo WAV,
# against SoX's comparable effect on the same file in the same run (warm cache, median of 5
# runs each), the vocoder at 32 bands as times real time, and the peak memory of each effect on
# the 60-second file and on a 240-second one (it must not grow with the file).
# Usage: bench/effects-bench.sh [RUNS]   (needs sox and GNU time: scripts/setup.sh installs them)
runs=${1:-5}
source "$(dirname "$0")/common.sh"

# The input: two minutes' worth of chords and noise bursts, cut to 60 and 240 seconds; the
# vocoder's control is amplitude-modulated pink noise, like a syllable rate of speech.
sox -n -r 44100 -b 16 -c 2 "$work/in.wav" synth 60 sine 220 sine 330 sine 440 pinknoise \
  remix 1,2v0.3,4v0.2 2,3v0.3,4v0.2 tremolo 3 60 gain -6
sox "$work/in.wav" "$work/in.wav" "$work/in.wav" "$work/in.wav" "$work/long.wav"
sox -n -r 44100 -b 16 -c 1 "$work/control.wav" synth 240 pinknoise tremolo 4 90 gain -3

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); processor seconds (wall seconds)"
printf '%-34s %13s %13s %6s %8s %9s\n' effect tonemill sox ratio "MB 60 s" "MB 240 s"
compare() {  # name, sox effect words, tonemill arguments...
  local name=$1 soxfx=$2
  shift 2
  measure sox "$work/in.wav" "$work/sox.wav" $soxfx
  local soxt=$median soxw=$wall
  measure "$tonemill" "$@" "$work/in.wav" -o "$work/out.wav" -q --force
  local t=$median tw=$wall mb=$((kb / 1024))
  /usr/bin/time -f "%M" -o "$work/time" "$tonemill" "$@" "$work/long.wav" -o "$work/out.wav" -q --force > /dev/null 2>&1
  local mblong=$(($(cat "$work/time") / 1024))
  printf '%-34s %13s %13s %6s %8s %9s\n' "$name" "$t ($tw)" "$soxt ($soxw)" "$(ratio "$t" "$soxt")" "$mb" "$mblong"
}
compare "echo (sox echo 0.8 0.9 100 0.5)" "echo 0.8 0.9 100 0.5" echo
compare "flange (sox flanger)" "flanger" flange
compare "chorus (sox chorus ... -t)" "chorus 0.7 0.9 55 0.4 0.25 2 -t" chorus
compare "reverb chamber (sox reverb)" "reverb" reverb --algorithm chamber
compare "reverb custom (sox reverb)" "reverb" reverb --algorithm custom
compare "reverb custom 450 ms (sox reverb)" "reverb" reverb --algorithm custom --decay 450

measure "$tonemill" vocode "$work/in.wav" --control "$work/control.wav" --bands 32 --time 10 \
  --normalize -o "$work/out.wav" -q --force
mb=$((kb / 1024))
/usr/bin/time -f "%M" -o "$work/time" "$tonemill" vocode "$work/long.wav" --control "$work/control.wav" \
  --bands 32 --time 10 --normalize -o "$work/out.wav" -q --force > /dev/null 2>&1
echo
echo "vocode, 32 bands, 10 ms window, normalised: $median processor s ($wall s wall) for 60 s," \
  "$(awk -v t="$median" 'BEGIN { printf "%.0f", 60 / t }')x real time; peak memory $mb MB (60 s)," \
  "$(($(cat "$work/time") / 1024)) MB (240 s)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
