#!/usr/bin/env bash
# Cross-checks `tonemill wavscan` against SoX's `stats` per channel: minimum and maximum exactly
# (SoX centres 8-bit samples and scales every sample to ±1: v ÷ 32768, or (b − 128) ÷ 128), and
# 20·log10(RMS ÷ full scale) against "RMS lev dB" within 0.01 dB (SoX prints two decimals).
#   bench/wave_crosscheck.sh [FILE.wav...]
# Without files it takes real recordings: the four longest samples of the default instrument
# set (build/bin/WAV, 16-bit mono), and makes 8-bit and stereo files of them with SoX.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tonemill=${TONEMILL:-$here/build/bin/tonemill}
work=$(mktemp -d "${TMPDIR:-/tmp}/wave-crosscheck.XXXXXX")
trap 'rm -rf "$work"' EXIT

files=("$@")
if ((${#files[@]} == 0)); then
  samples=${WAV_DIR:-$here/build/bin/WAV}
  mapfile -t longest < <(ls -S "$samples"/*.WAV "$samples"/*.wav 2>/dev/null | head -4)
  ((${#longest[@]} == 4)) || { echo "need four WAV samples in $samples (scripts/setup.sh imports them)"; exit 2; }
  for i in 0 1 2 3; do
    cp "${longest[$i]}" "$work/mono16-$i.wav"
    sox -D "${longest[$i]}" -b 8 "$work/mono8-$i.wav"
  done
  sox -D -M "${longest[0]}" "${longest[1]}" "$work/stereo16-a.wav"
  sox -D -M "${longest[2]}" "${longest[3]}" "$work/stereo16-b.wav"
  sox -D -M "${longest[0]}" "${longest[3]}" -b 8 "$work/stereo8-a.wav"
  sox -D -M "${longest[1]}" "${longest[2]}" -b 8 "$work/stereo8-b.wav"
  files=("$work"/*.wav)
fi

status=0
for f in "${files[@]}"; do
  json=$("$tonemill" wavscan "$f" --json --quiet)
  stats=$(sox "$f" -n stats 2>&1)
  python3 - "$f" "$json" "$stats" <<'PY' || status=1
import json, math, sys
name, scan, stats = sys.argv[1], json.loads(sys.argv[2]), sys.argv[3].splitlines()
rows = {}
for line in stats:
    parts = line.split()
    for label in ("Min level", "Max level", "RMS lev dB"):
        if line.startswith(label):
            rows[label] = parts[len(label.split()):]
channels = scan["channels"]
bits, full = scan["format"]["bits"], scan["fullScale"]
# Mono: one column; stereo: Overall, Left, Right.
column = lambda values, i: values[0] if len(channels) == 1 else values[1 + i]
failed = False
for i, c in enumerate(channels):
    ok = True
    level = lambda v: (v - 128) / 128 if bits == 8 else v / 32768
    for key, label in (("min", "Min level"), ("max", "Max level")):
        # SoX prints six decimals, enough to tell every 16-bit value from its neighbours.
        theirs = column(rows[label], i)
        if f"{level(c[key]):.6f}" != theirs:
            ok = False
            failed = True
            print(f"{name} {c['channel']}: {key} {c[key]} is {level(c[key]):.6f}, sox {theirs}")
    ours = 20 * math.log10(c["rms"] / full) if c["rms"] > 0 else float("-inf")
    theirs = float(column(rows["RMS lev dB"], i))
    if not abs(ours - theirs) <= 0.01:
        ok = False
        failed = True
        print(f"{name} {c['channel']}: RMS {ours:.3f} dB, sox {theirs} dB")
    print(f"{'ok ' if ok else 'BAD'} {name.split('/')[-1]:16} {bits:2}-bit {c['channel']:5} "
          f"min {c['min']:6} max {c['max']:6} RMS {ours:8.3f} dB (sox {theirs:7.2f})")
sys.exit(1 if failed else 0)
PY
done
exit $status
