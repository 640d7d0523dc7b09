#!/usr/bin/env bash
# Plays WAV files through the desktop program's Play dialog, its viewer's "Play all" and its
# viewer's "Play selected" (a range dragged from right to left) on a PulseAudio server of its
# own, records what reaches the server's sink, and checks that the recording holds every frame
# played, in order, after the lead-in: no gap, no early stop.
# Every sample size, channel count and rate the player offers, each into a sink of the file's
# own format so that no conversion hides a fault. The sink writes to a pipe in real time.
#   scripts/test-playback.sh [BUILD_DIR]
# Exits 77 (skipped) when pulseaudio, pactl or python3 are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${TONEMILL_BUILD_DIR:-$here/build}}
driver=$build/bin/playback_driver
for tool in pulseaudio pactl python3; do
  command -v "$tool" >/dev/null || { echo "playback: no $tool, skipped"; exit 77; }
done
[ -x "$driver" ] || { echo "playback: no $driver"; exit 1; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/run HOME=$work
mkdir -m 700 "$XDG_RUNTIME_DIR"
server=""
reader=""
cleanup() {
  [ -n "$reader" ] && kill "$reader" 2>/dev/null || true
  if [ -n "$server" ]; then
    pactl exit 2>/dev/null || true
    sleep 0.3
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

printf 'load-module module-native-protocol-unix\n' >"$work/server.pa"
setsid pulseaudio -n -F "$work/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --log-target=file:"$work/server.log" </dev/null >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "playback: the sound server did not start"; cat "$work/server.log"; exit 1; }

failed=0
for rate in ${PLAYBACK_RATES:-11025 22050 44100}; do
  for bits in 8 16; do
    for channels in 1 2; do
      file=$work/tone-$rate-$bits-$channels.wav
      python3 "$here/scripts/playback_check.py" write "$file" "$rate" "$bits" "$channels" 1.5
      format=s16le
      [ "$bits" = 8 ] && format=u8
      rm -f "$work/pipe"
      module=$(pactl load-module module-pipe-sink sink_name=check file="$work/pipe" format=$format \
        rate="$rate" channels="$channels" use_system_clock_for_timing=yes)
      pactl set-default-sink check
      for way in play viewer selected; do
        cat "$work/pipe" >"$work/recording" &
        reader=$!
        sleep 0.3
        status=0
        QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
          timeout 30 "$driver" "$way" "$file" >"$work/driver.out" 2>"$work/driver.log" || status=$?
        sleep 0.3
        kill "$reader" 2>/dev/null || true
        wait "$reader" 2>/dev/null || true
        reader=""
        # "selected" names the frames it played: "range FIRST LAST".
        bounds=$(sed -n 's/^range //p' "$work/driver.out")
        # shellcheck disable=SC2086
        result=$(python3 "$here/scripts/playback_check.py" compare "$file" "$work/recording" $bounds) || status=1
        echo "playback: $way $rate Hz $bits bits $channels ch: $result"
        if [ "$status" != 0 ]; then
          failed=1
          grep -v propagateSizeHints "$work/driver.log" || true
        fi
      done
      pactl unload-module "$module"
    done
  done
done
exit "$failed"
