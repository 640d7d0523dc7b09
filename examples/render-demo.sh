#!/usr/bin/env bash
# Makes the demo's samples and renders examples/demo.lst into build/demo/demo.wav.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
out=$build/demo
export TONEMILL_HOME=$out/home  # the demo's own TM.INI and working directories
mkdir -p "$out/samples"
"$build/bin/make_demo_samples" "$out/samples"
"$build/bin/tonemill" lst2wav "$here/examples/demo.lst" -o "$out/demo.wav" \
  --wav-dir "$out/samples" --force
echo "Rendered $out/demo.wav"
