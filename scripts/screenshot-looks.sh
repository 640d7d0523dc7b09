#!/usr/bin/env bash
# Takes every screenshot at 1x, 1.5x and 2x, in the light and the dark palette, into
# OUT_DIR/1x-light, OUT_DIR/1.5x-dark and so on, for looking at the windows at each scale:
#   scripts/screenshot-looks.sh [OUT_DIR]      (default: build/screenshots)
# docs/screenshots holds scripts/screenshots.sh's pictures (1x, light) and a few of these:
# main-window-2x and wav-editor-2x from 2x-light, wav-editor-dark and prg-editor-dark from
# 1x-dark.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-${TONEMILL_BUILD_DIR:-$here/build}/screenshots}
for scale in 1 1.5 2; do
  for look in light dark; do
    dark=""
    [ "$look" = dark ] && dark=1
    TONEMILL_SCREENSHOT_SCALE=$scale TONEMILL_SCREENSHOT_DARK=$dark \
      "$here/scripts/screenshots.sh" "$out/${scale}x-$look"
  done
done
