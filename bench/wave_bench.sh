#!/usr/bin/env bash
# The WAV commands against their SoX counterparts on a minute of 44100 Hz 16-bit stereo audio,
# each pair in the same run, warm cache, the two tools taking turns: the median of 5 runs of
# processor time (user + system; steadier than wall time on a shared machine) and of wall time,
# the ratios tonemill ÷ sox, and tonemill's peak memory on the minute and on four minutes
# (memory must not grow with the length).
#   bench/wave_bench.sh [DIR]
# DIR holds the files (default $TMPDIR or /tmp). tonemill syncs every output to disk before it
# moves it into place, SoX does not: on a disk the wait for the sync is part of tonemill's wall
# time (not of its processor time); on tmpfs (/dev/shm) it costs nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tonemill=${TONEMILL:-$here/build/bin/tonemill}
work=$(mktemp -d "${1:-${TMPDIR:-/tmp}}/wave-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Music-like material: pink noise under a chord, different in the two files.
sox -n -r 44100 -b 16 -c 2 a.wav synth 60 pinknoise synth 60 sine mix 220 synth 60 sine mix 330 vol 0.4
sox -n -r 44100 -b 16 -c 2 b.wav synth 60 brownnoise synth 60 sine mix 440 vol 0.4
sox a.wav a.wav a.wav a.wav long.wav

# name | tonemill arguments | sox arguments (IN, OUT and LONG stand for the files)
cases=(
  "fade|fade IN -o OUT --start-factor 1 --end-factor 0|-D IN OUT fade t 0 60 60"
  "lowpass|lowpass IN -o OUT --cutoff 1000|-D IN OUT lowpass 1000"
  "highpass|highpass IN -o OUT --cutoff 1000|-D IN OUT highpass 1000"
  "bandpass|bandpass IN -o OUT --center 1000 --width 500|-D IN OUT bandpass 1000 500h"
  "notch|notch IN -o OUT --center 1000 --width 500|-D IN OUT bandreject 1000 500h"
  "reverse|reverse IN -o OUT|-D IN OUT reverse"
  "stats|wavscan IN --json|IN -n stats"
  "mix|mix IN b.wav -o OUT|-D -m -v 1 IN -v 1 b.wav OUT"
  # SoX's compander with a transfer curve for each direction, and a sine amplitude modulation.
  "compress|compress IN -o OUT|-D IN OUT compand 0.05,0.2 6:-70,-60,-20 -5 -90 0.2"
  "expand|expand IN -o OUT|-D IN OUT compand 0.05,0.2 6:-70,-80,-20,-15,0,0 0 -90 0.2"
  "ring|ring IN -o OUT --rate 1000|-D IN OUT synth sine amod 1000"
)

# Runs "$@" quietly; prints "wall cpu" in ms (bash's own timing: getrusage, to the millisecond).
timed() {
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{printf "%.0f %.0f\n", $1 * 1000, ($2 + $3) * 1000}'
}
median() { sort -n | awk '{v[NR] = $1} END {printf "%.0f", v[int((NR + 1) / 2)]}'; }
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-9s %14s %14s %9s %9s %10s %10s\n" "" "tonemill cpu" "sox cpu" "cpu ratio" \
  "wall ratio" "KB 1 min" "KB 4 min"
for c in "${cases[@]}"; do
  IFS='|' read -r name tm sx <<<"$c"
  read -ra tm_args <<<"${tm//IN/a.wav}"
  read -ra sx_args <<<"${sx//IN/a.wav}"
  tm_args=("${tm_args[@]//OUT/t.wav}")
  sx_args=("${sx_args[@]//OUT/s.wav}")
  [ "$name" = stats ] || tm_args+=(--force --quiet)
  # Warm the cache and the outputs' places.
  "$tonemill" "${tm_args[@]}" >/dev/null 2>&1
  sox "${sx_args[@]}" >/dev/null 2>&1
  tm_wall=() tm_cpu=() sx_wall=() sx_cpu=()
  for _ in 1 2 3 4 5; do
    read -r w u <<<"$(timed "$tonemill" "${tm_args[@]}")"
    tm_wall+=("$w") tm_cpu+=("$u")
    read -r w u <<<"$(timed sox "${sx_args[@]}")"
    sx_wall+=("$w") sx_cpu+=("$u")
  done
  tc=$(printf "%s\n" "${tm_cpu[@]}" | median) sc=$(printf "%s\n" "${sx_cpu[@]}" | median)
  tw=$(printf "%s\n" "${tm_wall[@]}" | median) sw=$(printf "%s\n" "${sx_wall[@]}" | median)
  short_kb=$(peak_kb "$tonemill" "${tm_args[@]}")
  long_args=("${tm_args[@]//a.wav/long.wav}")
  long_args=("${long_args[@]//b.wav/long.wav}")
  long_kb=$(peak_kb "$tonemill" "${long_args[@]}")
  printf "%-9s %14s %14s %9s %9s %10s %10s\n" "$name" "$tc ms ($tw)" "$sc ms ($sw)" \
    "$(ratio "$tc" "$sc")" "$(ratio "$tw" "$sw")" "$short_kb" "$long_kb"
done
echo
echo "tonemill: $tonemill; files in $(dirname "$work"); $(nproc) processors;" \
  "load after: $(cut -d' ' -f1-3 /proc/loadavg); cpu and wall ms, medians of 5"
echo "sox command lines:"
for c in "${cases[@]}"; do
  IFS='|' read -r name tm sx <<<"$c"
  echo "  sox ${sx//IN/a.wav}" | sed 's/OUT/out.wav/'
done
