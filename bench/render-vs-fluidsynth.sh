#!/usr/bin/env bash
# Songs against FluidSynth on the same bank: every MIDI file of a directory rendered whole, MIDI
# to WAV, by `tonemill render` with the default set imported from the bank and by FluidSynth
# on the bank itself (44100 Hz 16-bit stereo, no reverb or chorus), the two taking turns, warm
# cache. Prints wall and processor seconds per song and in total, FluidSynth ÷ tonemill (the
# speed-up), both peak memories, and the thread scaling of the longest song's LST to WAV
# (1, 2 and 4 threads: wall and processor time, and whether the bytes are the same).
#   bench/render-vs-fluidsynth.sh [MIDI_DIR] [BANK.sf2]
# Defaults: the songs of Debian's planetblupi-music-midi and the bank of timgm6mb-soundfont:
#   apt-get install -y fluidsynth planetblupi-music-midi timgm6mb-soundfont
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
tonemill=$build/bin/tonemill
songs=${1:-/usr/share/planetblupi/music}
bank=${2:-/usr/share/sounds/sf2/TimGM6mb.sf2}
for tool in fluidsynth /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool: apt-get install -y fluidsynth time" >&2; exit 2; }
done
[ -f "$bank" ] || { echo "no bank $bank: apt-get install -y timgm6mb-soundfont" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/render-vs-fluidsynth.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TONEMILL_HOME=$work/home
mkdir -p "$TONEMILL_HOME"/{MID,PRG,WAV,LST,Song,Temp,DFT}
TONEMILL_BUILD_DIR=$build "$here/scripts/import-default-set.sh" "$TONEMILL_HOME/PRG" "$TONEMILL_HOME/WAV" "$bank" >/dev/null

# Runs a command under GNU time; sets wall, cpu (user + system) and kb (peak memory).
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
  read -r wall user sys kb <"$work/time"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); processors: $(nproc)"
printf "%-16s %8s %9s %9s %9s %9s %8s %8s %9s %9s\n" song "audio s" "tm wall" "tm cpu" "fs wall" \
  "fs cpu" "wall x" "cpu x" "tm MiB" "fs MiB"
tw=0 tc=0 fw=0 fc=0 audio=0 longest="" longestSecs=0 slowest=1e9 slowestName=""
for mid in "$songs"/*.mid "$songs"/*.MID; do
  [ -f "$mid" ] || continue
  name=$(basename "$mid")
  # Warm both, then measure each once, taking turns.
  "$tonemill" render "$mid" -o "$work/tm.wav" --lst "$work/$name.lst" --force --quiet >/dev/null 2>&1 || true
  fluidsynth -ni -q -R 0 -C 0 -r 44100 -F "$work/fs.wav" "$bank" "$mid" >/dev/null 2>&1 || true
  measure "$tonemill" render "$mid" -o "$work/tm.wav" --lst "$work/$name.lst" --force --quiet
  tmw=$wall tmc=$cpu tmk=$kb
  measure fluidsynth -ni -q -R 0 -C 0 -r 44100 -F "$work/fs.wav" "$bank" "$mid"
  fsw=$wall fsc=$cpu fsk=$kb
  secs=$(awk -v b="$(stat -c %s "$work/tm.wav")" 'BEGIN { printf "%.0f", (b - 44) / 176400 }')
  printf "%-16s %8s %9s %9s %9s %9s %8s %8s %9.0f %9.0f\n" "$name" "$secs" "$tmw" "$tmc" "$fsw" "$fsc" \
    "$(ratio "$fsw" "$tmw")" "$(ratio "$fsc" "$tmc")" "$(awk -v k="$tmk" 'BEGIN{print k/1024}')" \
    "$(awk -v k="$fsk" 'BEGIN{print k/1024}')"
  read -r tw tc fw fc audio <<<"$(awk -v a="$tw" -v b="$tc" -v c="$fw" -v d="$fc" -v e="$audio" \
    -v p="$tmw" -v q="$tmc" -v r="$fsw" -v s="$fsc" -v t="$secs" \
    'BEGIN { print a + p, b + q, c + r, d + s, e + t }')"
  r=$(ratio "$fsw" "$tmw")
  if awk -v r="$r" -v s="$slowest" 'BEGIN { exit !(r < s) }'; then slowest=$r slowestName=$name; fi
  if [ "$secs" -gt "$longestSecs" ]; then longestSecs=$secs longest=$work/$name.lst; fi
done
printf "%-16s %8s %9.2f %9.2f %9.2f %9.2f %8s %8s\n" total "$audio" "$tw" "$tc" "$fw" "$fc" \
  "$(ratio "$fw" "$tw")" "$(ratio "$fc" "$tc")"
echo "slowest song against FluidSynth: $slowestName at ${slowest}x"

if [ -n "$longest" ]; then
  echo
  echo "threads on $(basename "$longest") ($longestSecs s of audio), lst2wav:"
  for n in 1 2 4; do
    "$tonemill" lst2wav "$longest" -o "$work/t$n.wav" --wav-dir "$TONEMILL_HOME/WAV" --threads "$n" --force --quiet
    measure "$tonemill" lst2wav "$longest" -o "$work/t$n.wav" --wav-dir "$TONEMILL_HOME/WAV" --threads "$n" --force --quiet
    same=$(cmp -s "$work/t1.wav" "$work/t$n.wav" && echo same || echo DIFFERENT)
    printf "  %d threads: %6s s wall %6s s cpu  %5.0f MiB  bytes %s\n" "$n" "$wall" "$cpu" \
      "$(awk -v k="$kb" 'BEGIN{print k/1024}')" "$same"
  done
  measure "$tonemill" lst2wav "$longest" -o "$work/s.wav" --wav-dir "$TONEMILL_HOME/WAV" --memory 0 --force --quiet
  printf "  in the file (--memory 0): %6s s wall %6s s cpu  %5.0f MiB  bytes %s\n" "$wall" "$cpu" \
    "$(awk -v k="$kb" 'BEGIN{print k/1024}')" "$(cmp -s "$work/t1.wav" "$work/s.wav" && echo same || echo DIFFERENT)"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
