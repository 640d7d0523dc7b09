#!/usr/bin/env bash
# Renders the demo MIDI song, examples/demo.mid, into build/demo/demo.wav with the default
# General MIDI instrument set that scripts/setup.sh imported (the song list is a scratch file in
# the Temp directory of the settings file).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
mkdir -p "$build/demo"
"$build/bin/tonemill" render "$here/examples/demo.mid" -o "$build/demo/demo.wav" --force
echo "Rendered $build/demo/demo.wav"
