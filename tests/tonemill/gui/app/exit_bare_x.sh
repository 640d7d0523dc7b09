#!/bin/bash
# Starts the desktop program on a bare virtual X server (no window manager), clicks Exit and
# expects a clean exit, three times. Usage: exit_bare_x.sh PATH/TO/tonemill
# Exits 77 (skipped) when the virtual server or xdotool is missing.
set -u
program=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "skipped: no Xvfb or xdotool"; exit 77; }
# A server of its own on a display it picks itself, so that servers started side by side never
# share one. It keeps running between the runs: by default it resets when its last client
# leaves, and on a busy machine the next run's program came while it did and found no display.
displayfile=$(mktemp)
serverlog=$(mktemp)
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$displayfile" 2>"$serverlog" &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$displayfile" "$serverlog"' EXIT
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
[ -s "$displayfile" ] || { echo "no virtual X server"; exit 1; }
export DISPLAY=:$(head -1 "$displayfile")
failed=0
for run in 1 2 3; do
  home=$(mktemp -d)
  # Under the sanitizers a crash still fails the run; the X libraries' leaks at exit do not.
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 QT_QPA_PLATFORM=xcb TONEMILL_HOME=$home \
    "$program" >"$home/log" 2>&1 &
  pid=$!
  # The main window by its whole caption once it is shown: the search ignores case, and the
  # program's hidden 1x1 window named "tonemill" matched a bare "^Tonemill".
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Tonemill for Windows 95/NT$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then echo "run $run: no window"; kill "$pid" 2>/dev/null; cat "$home/log"; failed=1; continue; fi
  # The window is laid out once its geometry holds still (a loaded machine takes its time).
  previous=""
  for _ in $(seq 50); do
    sleep 0.3
    geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)
    [ -n "$geometry" ] && [ "$geometry" = "$previous" ] && break
    previous=$geometry
  done
  # The Exit button is the last button of the right-hand column, at the window's bottom right.
  # A click that came too early is repeated; a crash at the first one still shows in the status.
  for _ in 1 2 3; do
    eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)"
    exitX=$((X + WIDTH - 45)); exitY=$((Y + HEIGHT - 20))
    xdotool mousemove "$exitX" "$exitY" click 1 2>/dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null || break
  done
  if kill -0 "$pid" 2>/dev/null; then echo "run $run: still running after Exit"; kill "$pid"; failed=1; fi
  wait "$pid"; status=$?
  [ "$status" -eq 0 ] || { echo "run $run: exit status $status"; cat "$home/log"; failed=1; }
  rm -rf "$home"
done
if [ "$failed" -eq 0 ]; then
  echo "clean exit, 3 of 3"
else
  kill -0 "$server" 2>/dev/null || echo "the virtual X server has ended"
  echo "virtual X server's log:"; cat "$serverlog"
fi
exit "$failed"
