#!/usr/bin/env bash
# Cross-checks the MIDI utilities against an independent reader, Debian's midicsv (not run by
# ctest; install it with apt-get install midicsv):
#   tests/tonemill/midi/midicsv-crosscheck.sh [BUILD_DIR] [FILE.mid...]
# Without files it checks the demo song and two songs midicsv's own examples make. For each:
# the merged format 0 file holds the source's events at the same absolute ticks (tick, then
# track, then file order; names as text events) with one End of Track at the latest event, and
# the listing's channels, notes and programs agree with what midicsv shows.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$here/build}
shift || true
tonemill="$build/bin/tonemill"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=("$@")
if ((${#files[@]} == 0)); then
  examples=/usr/share/doc/midicsv/examples
  csvmidi "$examples/ce3k.csv" "$work/ce3k.mid"
  zcat "$examples/torture.pl.gz" | perl | csvmidi - "$work/torture.mid"
  files=("$here/examples/demo.mid" "$work/ce3k.mid" "$work/torture.mid")
fi
export TONEMILL_HOME="$work/home"
mkdir -p "$TONEMILL_HOME"
for mid in "${files[@]}"; do
  name=$(basename "$mid" .mid)
  "$tonemill" mid1to0 "$mid" -o "$work/$name.merged.mid" --force
  "$tonemill" midscan "$mid" --json > "$work/$name.json"
  midicsv "$mid" > "$work/$name.csv"
  midicsv "$work/$name.merged.mid" > "$work/$name.merged.csv"
  python3 - "$mid" "$work/$name.csv" "$work/$name.merged.csv" "$work/$name.json" <<'PY'
import csv, json, sys
csv.field_size_limit(sys.maxsize)
name, source_csv, merged_csv, listing = sys.argv[1:]
def rows(path):
    with open(path, newline='', encoding='latin-1') as f:
        return [[c.strip() for c in r] for r in csv.reader(f, skipinitialspace=True) if r]
names = {'Title_t': 'Text_t', 'Instrument_name_t': 'Text_t'}
skip = {'Header', 'Start_track', 'End_track', 'End_of_file'}
source = [(int(r[1]), int(r[0]), i, names.get(r[2], r[2]), r[3:]) for i, r in enumerate(rows(source_csv)) if r[2] not in skip]
expected = [(t, kind, args) for t, _, _, kind, args in sorted(source, key=lambda e: (e[0], e[1], e[2]))]
merged_rows = rows(merged_csv)
merged = [(int(r[1]), r[2], r[3:]) for r in merged_rows if r[2] not in skip]
ends = [int(r[1]) for r in merged_rows if r[2] == 'End_track']
header = next(r for r in merged_rows if r[2] == 'Header')
assert header[3:5] == ['0', '1'], header
assert merged == expected, next((i, a, b) for i, (a, b) in enumerate(zip(merged, expected)) if a != b) if len(merged) == len(expected) else (len(merged), len(expected))
assert ends == [expected[-1][0] if expected else 0], ends
# The listing against midicsv: per track, the channels with notes, their keys and programs.
facts = {}
for r in rows(source_csv):
    if r[2] in ('Note_on_c', 'Note_off_c', 'Program_c'):
        c = facts.setdefault((int(r[0]), int(r[3]) + 1), {'notes': set(), 'programs': set()})
        (c['notes'] if r[2] != 'Program_c' else c['programs']).add(int(r[4]))
listed = {}
for t in json.load(open(listing))['tracks']:
    for c in t['channels']:
        if c['notes'] or c['programs']:
            listed[(t['track'], c['channel'])] = {'notes': {n['key'] for n in c['notes']},
                                                  'programs': {p['program'] for p in c['programs']}}
assert listed == facts, (listed, facts)
tracks = len({e[1] for e in source})
print(f"{name}: {len(expected)} events of {tracks} tracks merged at the same ticks, one End of Track at {ends[0]};"
      f" {len(listed)} track:channel pairs, {sum(len(v['notes']) for v in listed.values())} keys and"
      f" {sum(len(v['programs']) for v in listed.values())} programs listed as midicsv reads them")
PY
done
