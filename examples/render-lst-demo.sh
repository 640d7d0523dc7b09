#!/usr/bin/env bash
# Makes the samples of the small song list examples/demo.lst and renders it with lst2wav into
# build/demo/demo-lst.wav.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
out=$build/demo
export TONEMILL_HOME=$out/home  # the demo's own TM.INI and working directories
mkdir -p "$out/samples"
"$build/bin/make_demo_samples" "$out/samples"
"$build/bin/tonemill" lst2wav "$here/examples/demo.lst" -o "$out/demo-lst.wav" \
  --wav-dir "$out/samples" --force
echo "Rendered $out/demo-lst.wav"
