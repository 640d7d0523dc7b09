#!/usr/bin/env bash
# Renders the demo MIDI song end to end: makes the demo's samples and its multi-track MIDI file,
# then `tonemill render` converts it with the PRG instruments in examples/prg into
# build/demo/demo-song.wav (the song list goes to build/demo/home/LST).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
out=$build/demo
export TONEMILL_HOME=$out/home  # the demo's own TM.INI and working directories
mkdir -p "$out/samples" "$TONEMILL_HOME"
"$build/bin/make_demo_samples" "$out/samples"
"$build/bin/make_demo_song" "$out/demo-song.mid"
"$build/bin/tonemill" render "$out/demo-song.mid" -o "$out/demo-song.wav" \
  --prg-dir "$here/examples/prg" --wav-dir "$out/samples" --force
echo "Rendered $out/demo-song.wav"
