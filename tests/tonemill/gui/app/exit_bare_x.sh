#!/bin/bash
# Starts the desktop program on a bare virtual X server (no window manager), clicks Exit and
# expects a clean exit, three times. Usage: exit_bare_x.sh PATH/TO/tonemill
# Exits 77 (skipped) when the virtual server or xdotool is missing.
set -u
program=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "skipped: no xvfb-run or xdotool"; exit 77; }
if [ -z "${TONEMILL_BARE_X:-}" ]; then
  TONEMILL_BARE_X=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
failed=0
for run in 1 2 3; do
  home=$(mktemp -d)
  # Under the sanitizers a crash still fails the run; the X libraries' leaks at exit do not.
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 QT_QPA_PLATFORM=xcb TONEMILL_HOME=$home \
    "$program" >"$home/log" 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name '^Tonemill' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then echo "run $run: no window"; kill "$pid"; failed=1; continue; fi
  sleep 0.5
  # The Exit button is the last button of the right-hand column, at the window's bottom right.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  exitX=$((X + WIDTH - 45)); exitY=$((Y + HEIGHT - 20))
  xdotool mousemove "$exitX" "$exitY" click 1
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "run $run: still running after Exit"; kill "$pid"; failed=1; fi
  wait "$pid"; status=$?
  [ "$status" -eq 0 ] || { echo "run $run: exit status $status"; cat "$home/log"; failed=1; }
  rm -rf "$home"
done
[ "$failed" -eq 0 ] && echo "clean exit, 3 of 3"
exit "$failed"
