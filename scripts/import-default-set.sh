#!/usr/bin/env bash
# Imports the default General MIDI bank (Debian's timgm6mb-soundfont) as PRG instruments and WAV
# samples into the two directories given, unless the PRG directory already holds instruments.
#   scripts/import-default-set.sh PRG_DIR WAV_DIR [BANK.sf2]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
if [ $# -lt 2 ]; then
  echo "usage: $0 PRG_DIR WAV_DIR [BANK.sf2]" >&2
  exit 2
fi
prg=$1
wav=$2
bank=${3:-/usr/share/sounds/sf2/TimGM6mb.sf2}

if [ -d "$prg" ] && find "$prg" -maxdepth 1 -type f -iname '*.prg' | grep -q .; then
  echo "$prg already holds instruments; the default set is not imported"
  exit 0
fi
"$build/bin/tonemill" import-sf2 "$bank" --prg-dir "$prg" --wav-dir "$wav" --quiet
