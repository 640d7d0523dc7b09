#!/usr/bin/env bash
# The imported default set against the reference synthesizer (Debian's fluidsynth, installed
# here for the benchmark only): per song the loudness envelope correlation, the peak and the
# clipping of Tonemill's render, wall time and peak memory of both; and the pitch probe of every
# melodic program. See bench/soundfont/README.md.
#
#   bench/soundfont/compare.sh [--tonemill 'COMMAND'] [--bank BANK.sf2] [--out DIR] [SONG.mid...]
#
# COMMAND renders one song into a 44100 Hz 16-bit stereo WAV file with the set imported into
# OUT/PRG and OUT/WAV; {mid}, {wav}, {prg} and {samples} are replaced, for example
#   --tonemill 'build/bin/tonemill render {mid} -o {wav} --prg-dir {prg} --wav-dir {samples} --force --quiet'
# Without it only the reference side, the analysis on the reference renders and the pitch
# probe run. Without songs: the demo song and four multi-track songs of the freedoom package.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
bin=$build/bin
bank=/usr/share/sounds/sf2/TimGM6mb.sf2
out=$build/bench-soundfont
tonemill=""
songs=()
while (($#)); do
  case $1 in
    --tonemill) tonemill=$2; shift 2 ;;
    --bank) bank=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) songs+=("$1"); shift ;;
  esac
done

missing=()
command -v fluidsynth >/dev/null || missing+=(fluidsynth)
if ((${#songs[@]} == 0)) && [ ! -f /usr/share/games/doom/freedoom2.wad ]; then missing+=(freedoom); fi
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

mkdir -p "$out/songs" "$out/renders"
if ((${#songs[@]} == 0)); then
  cp "$here/examples/demo.mid" "$out/songs/demo.mid"
  python3 "$here/bench/soundfont/songs.py" /usr/share/games/doom/freedoom1.wad "$out/songs" D_E1M4 D_E2M4
  python3 "$here/bench/soundfont/songs.py" /usr/share/games/doom/freedoom2.wad "$out/songs" D_ADRIAN D_BETWEE
  songs=("$out/songs/demo.mid" "$out/songs/d_e1m4.mid" "$out/songs/d_e2m4.mid" "$out/songs/d_adrian.mid" "$out/songs/d_betwee.mid")
fi

# A fresh import of the bank, timed.
rm -rf "$out/PRG" "$out/WAV"
echo "== import"
"$bin/measure" "$bin/tonemill" import-sf2 "$bank" --prg-dir "$out/PRG" --wav-dir "$out/WAV" --quiet

field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }
echo "== songs"
printf '%-12s %8s %9s %9s %9s %9s %8s %8s %9s %9s\n' song seconds ref_s ref_MB tm_s tm_MB speedup corr peak_dB clip_%
ref_total=0 tm_total=0
for song in "${songs[@]}"; do
  name=$(basename "$song" .mid)
  ref=$out/renders/$name-ref.wav
  ref_m=$("$bin/measure" fluidsynth -ni -q -R 0 -C 0 -r 44100 -O s16 -F "$ref" "$bank" "$song" 2>&1 >/dev/null | tail -1)
  ref_s=$(field wall_seconds <<<"$ref_m")
  ref_kb=$(field peak_rss_kb <<<"$ref_m")
  test=$ref tm_s=- tm_kb=0 speedup=-
  if [ -n "$tonemill" ]; then
    test=$out/renders/$name-tonemill.wav
    cmd=${tonemill//\{mid\}/$song}
    cmd=${cmd//\{wav\}/$test}
    cmd=${cmd//\{prg\}/$out/PRG}
    cmd=${cmd//\{samples\}/$out/WAV}
    tm_m=$(eval "\"$bin/measure\" $cmd" 2>&1 >/dev/null | tail -1)
    tm_s=$(field wall_seconds <<<"$tm_m")
    tm_kb=$(field peak_rss_kb <<<"$tm_m")
    speedup=$(awk -v a="$ref_s" -v b="$tm_s" 'BEGIN { printf "%.2f", a / b }')
    ref_total=$(awk -v a="$ref_total" -v b="$ref_s" 'BEGIN { print a + b }')
    tm_total=$(awk -v a="$tm_total" -v b="$tm_s" 'BEGIN { print a + b }')
  fi
  c=$("$bin/wavcompare" "$ref" "$test")
  printf '%-12s %8s %9s %9.1f %9s %9.1f %8s %8s %9s %9s\n' "$name" "$(field ref_seconds <<<"$c")" \
    "$ref_s" "$(awk -v k="$ref_kb" 'BEGIN { print k / 1024 }')" "$tm_s" \
    "$(awk -v k="$tm_kb" 'BEGIN { print k / 1024 }')" "$speedup" "$(field correlation <<<"$c")" \
    "$(field test_peak_dbfs <<<"$c")" "$(field test_clipped_percent <<<"$c")"
done
if [ -n "$tonemill" ]; then
  awk -v a="$ref_total" -v b="$tm_total" 'BEGIN { printf "over the set: reference %.2f s, Tonemill %.2f s, %.2fx\n", a, b, a / b }'
else
  echo "(no --tonemill command: the reference render is compared with itself, which checks the analysis)"
fi

echo "== pitch probe (one note per melodic program at its base key)"
"$bin/pitchprobe" make "$out/PRG" "$out/probe.mid" "$out/probe.lst" >/dev/null
fluidsynth -ni -q -R 0 -C 0 -r 44100 -O s16 -F "$out/renders/probe-ref.wav" "$bank" "$out/probe.mid" >/dev/null
"$bin/tonemill" lst2wav "$out/probe.lst" -o "$out/renders/probe-tonemill.wav" --wav-dir "$out/WAV" --force --quiet
"$bin/pitchprobe" measure "$out/PRG" "$out/renders/probe-ref.wav" "$out/renders/probe-tonemill.wav" >"$out/pitch.txt"
tail -1 "$out/pitch.txt"
echo "(per program: $out/pitch.txt)"
