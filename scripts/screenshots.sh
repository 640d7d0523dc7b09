#!/usr/bin/env bash
# Starts the desktop program under a virtual X server (Xvfb) and takes screenshots of its main
# window, of the song dialogs (the progress dialog in the middle of a render of the demo song)
# of the WAV workshop (the editor and its viewer, the reverb and vocoder dialogs) and of the
# instrument dialogs (the PRG editor, the sample player with its keyboard, the MIDI track
# editor), for the
# README and for looking at the windows without a desktop:
#   scripts/screenshots.sh [OUT_DIR]        (default: docs/screenshots)
# Needs the build (build/bin/tonemill, TONEMILL_BUILD_DIR chooses another) and the packages of
# scripts/setup.sh (xvfb, xauth, imagemagick's import).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
out=${1:-$here/docs/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# TONEMILL_SCREENSHOT_SCALE (1, 1.5, 2; default 1) takes the pictures at that scale on a screen
# of 1280 x 800 logical pixels; TONEMILL_SCREENSHOT_DARK=1 gives the dialogs a dark palette.
scale=${TONEMILL_SCREENSHOT_SCALE:-1}
if [ -z "${TONEMILL_SCREENSHOT_DISPLAY:-}" ]; then
  # Again inside a virtual X server of its own, on a free display number.
  screen=$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 1280 * s, 800 * s }')
  exec env TONEMILL_SCREENSHOT_DISPLAY=1 QT_SCALE_FACTOR="$scale" \
    xvfb-run -a -s "-screen 0 ${screen}x24 -dpi 96" "$0" "$out"
fi

# A settings home of its own, with a few files to list (a fixed name keeps the pictures alike).
home=${TMPDIR:-/tmp}/tonemill-screens
rm -rf "$home"
mkdir -p "$home"
trap 'kill "${pid:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$home"' EXIT
export TONEMILL_HOME=$home
mkdir -p "$home/MID" "$home/Song"
cp "$here/examples/demo.mid" "$home/MID/demo.mid"
size=4000
for name in "Blue Rondo" nocturne "étude no. 3" waltz; do
  size=$((size * 3 + 517))
  head -c "$size" /dev/zero >"$home/MID/$name.mid"
done
head -c 1234567 /dev/zero >"$home/MID/Long Song With A Long Name.mid"

shoot() {  # NAME [ARGS...]: starts the program, waits for its window, takes the picture
  local name=$1
  shift
  "$build/bin/tonemill" "$@" &
  pid=$!
  for _ in $(seq 50); do
    sleep 0.2
    xwininfo -root -tree 2>/dev/null | grep -q '"Tonemill for Windows 95/NT"' && break
  done
  sleep 1  # let it draw
  import -window root -trim +repage "$out/$name.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "screenshot: $out/$name.png"
}

shoot main-window
shoot main-window-file "$home/MID/demo.mid"

# The song dialogs, opened in their states by a driver built with the window library; the
# render needs the default instrument set that scripts/setup.sh imports.
if [ -f "$build/bin/PRG/0.PRG" ]; then
  # The instrument set under the screenshot home's own names (its empty folders give way).
  rm -rf "$home/PRG" "$home/WAV"
  ln -s "$build/bin/PRG" "$home/PRG"
  ln -s "$build/bin/WAV" "$home/WAV"
  QT_QPA_PLATFORM=xcb "$build/bin/songdialogs_screenshots" "$out" "$home" \
    "$home/PRG" "$home/WAV" "$here/examples/demo.mid"
else
  echo "screenshots: no instruments in $build/bin/PRG (run scripts/setup.sh); song dialogs skipped" >&2
fi

# The WAV workshop: the editor with its viewer showing a marked range, and the reverb and
# vocoder dialogs, opened in those states by a driver built with the window library (it writes
# a short stereo phrase to work on; the effect dialogs' patch files go into the home).
QT_QPA_PLATFORM=xcb "$build/bin/workshop_screenshots" "$out" "$home/Song"

# The instrument dialogs: the PRG editor with a field selected, the sample player with a key
# held on its keyboard and the MIDI track editor, on a small instrument the driver writes.
QT_QPA_PLATFORM=xcb "$build/bin/instruments_screenshots" "$out" "$home"
