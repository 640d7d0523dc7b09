#!/usr/bin/env bash
# The MIDI-to-WAV benchmark: generated General MIDI songs of ten minutes (16 channels, 20,000
# notes, program changes, drums, controllers, bends) through a generated instrument set, at
# 44100 Hz 16-bit stereo. Prints MIDI->LST and LST->WAV times, times real time and peak memory,
# the ratios against SoX synthesizing ten minutes of the same format in the same run, and the
# speed-up of `render --jobs 2` over `--jobs 1` on eight songs.
# Usage: bench/run-midi-bench.sh [SONGS]   (needs sox and GNU time: scripts/setup.sh installs them)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
songs=${1:-8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TONEMILL_HOME=$work/home
tonemill=$build/bin/tonemill

# Runs a command under GNU time; sets $secs, $kb (peak memory) and $cpu (percent of one core).
measure() {
  /usr/bin/time -f "%e %M %P" -o "$work/time" "$@" > /dev/null
  read -r secs kb cpu < "$work/time"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

mkdir -p "$TONEMILL_HOME"/{MID,PRG,WAV,LST,Song}
"$build/bin/make_bench_set" "$TONEMILL_HOME" "$songs"
mkdir -p "$work/big"/{MID,PRG,WAV}
"$build/bin/make_bench_set" "$work/big" 1 30000
cd "$TONEMILL_HOME"

measure sox -n -r 44100 -b 16 -c 2 "$work/reference.wav" synth 600 pluck 220 pluck 330
ref=$secs
measure "$tonemill" mid2lst MID/song1.mid -o "$work/song1.lst"
m2l=$secs m2lkb=$kb
measure "$tonemill" mid2lst "$work/big/MID/song1.mid" -o "$work/big.lst" --prg-dir "$work/big/PRG"
big=$secs
measure "$tonemill" lst2wav "$work/song1.lst" -o "$work/song1.wav" -q
l2w=$secs l2wkb=$kb
length=$(head -1 "$work/song1.lst" | tr -d '\r')

load=$(cut -d' ' -f1 /proc/loadavg)
measure "$tonemill" render MID/*.mid --jobs 1 -q --force
one=$secs onecpu=$cpu
measure "$tonemill" render MID/*.mid --jobs 2 -q --force
two=$secs twocpu=$cpu

echo "song: $(ratio "$length" 1000) s, 20000 notes, 16 channels; reference: sox synth 600 s in $ref s"
printf '%-36s %8s s  %s\n' "MIDI->LST, 20000 notes" "$m2l" "peak $((m2lkb / 1024)) MiB, $(ratio "$m2l" "$ref") x the reference"
printf '%-36s %8s s\n' "MIDI->LST, 30000 notes" "$big"
printf '%-36s %8s s  %s\n' "LST->WAV, 44100 Hz 16-bit stereo" "$l2w" "$(ratio "$length" "$(ratio "$l2w" 0.001)") x real time, peak $((l2wkb / 1024)) MiB, $(ratio "$l2w" "$ref") x the reference"
printf '%-36s %8s s  %s\n' "render $songs songs, --jobs 1" "$one" "cpu $onecpu"
printf '%-36s %8s s  %s\n' "render $songs songs, --jobs 2" "$two" "cpu $twocpu, speed-up $(ratio "$one" "$two")"
echo "load average before the renders: $load (other work on the machine slows --jobs 2 first)"
