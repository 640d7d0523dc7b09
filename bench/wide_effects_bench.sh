#!/usr/bin/env bash
# The library's effects on a 60-second 48000 Hz 24-bit stereo WAV (and its 32-bit float copy),
# called through libresona's exports, against SoX's comparable effect on the same file in the
# same run (warm cache, median processor time of RUNS runs each, SoX writing the input's width).
# The driver is a small C program built here against the library's header.
# Usage: bench/wide_effects_bench.sh [RUNS]   (needs sox, a C compiler and GNU time)
runs=${1:-5}
source "$(dirname "$0")/common.sh"

sox -n -r 48000 -b 24 -c 2 "$work/in24.wav" synth 60 sine 220 sine 330 sine 440 pinknoise \
  remix 1,2v0.3,4v0.2 2,3v0.3,4v0.2 tremolo 3 60 gain -6
sox "$work/in24.wav" -e floating-point -b 32 "$work/inf.wav"

cat > "$work/run.c" <<'EOF'
#include <math.h>
#include <string.h>
#include "resona/resona.h"
int main(int argc, char** argv) {
  if (argc < 4) return 9;
  const char *effect = argv[1], *src = argv[2], *dst = argv[3];
  const int32_t rate = 48000, end = 2147483647;
  int32_t p = 0, t = 0, sine[1608], cosine[1608];
  for (int i = 0; i < 1608; ++i) {
    sine[i] = (int32_t)lround(65536 * sin(2 * M_PI * i / 1608));
    cosine[i] = (int32_t)lround(65536 * cos(2 * M_PI * i / 1608));
  }
#define MS(v) ((int32_t)(rate * (v) / 1000))
  if (!strcmp(effect, "echo")) return wavecho(src, dst, 0, end, MS(100), 128, 230, 0, 0, &p, &t);
  if (!strcmp(effect, "flange"))
    return wavflange(src, dst, 0, end, MS(1), MS(3), 50, rate * 100, 256, 200, 128, 0, 0, &p, &t, sine, cosine);
  if (!strcmp(effect, "chorus"))
    return wavflange(src, dst, 0, end, MS(20), MS(5), 25, rate * 100, 256, 200, 0, 0, 0, &p, &t, sine, cosine);
  const int32_t algorithm = !strcmp(effect, "hall") ? 3 : !strcmp(effect, "custom") ? 4 : 1;
  return wavreverb(src, dst, algorithm, 0, end, 1500, 10, 100, 100, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25,
                   25, 25, 0, 0, &p, &t);
}
EOF
cc -O2 -std=c11 -D_DEFAULT_SOURCE -I"$here" "$work/run.c" -o "$work/run" -L"$build/bin" -lresona \
  -Wl,-rpath,"$build/bin" -lm

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); processor seconds, 60 s of 48 kHz stereo"
printf '%-9s %-42s %7s %7s %6s\n' input "effect (sox effect)" resona sox ratio
compare() {  # input, effect, sox effect words
  measure sox "$work/$1" "$work/sox.wav" $3
  local soxt=$median
  "$work/run" "$2" "$work/$1" "$work/out.wav" || { echo "$2 on $1: status $?"; exit 1; }
  measure "$work/run" "$2" "$work/$1" "$work/out.wav"
  printf '%-9s %-42s %7s %7s %6s\n' "$1" "$2 ($3)" "$median" "$soxt" "$(ratio "$median" "$soxt")"
}
for input in in24.wav inf.wav; do
  compare $input echo "echo 0.8 0.9 100 0.5"
  compare $input flange "flanger"
  compare $input chorus "chorus 0.7 0.9 55 0.4 0.25 2 -t"
  compare $input chamber "reverb"
  compare $input hall "reverb"
  compare $input custom "reverb"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
