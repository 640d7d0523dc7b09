#!/usr/bin/env bash
# Installs every Debian package that Tonemill's build, tests and product need, builds in
# Release, and imports the default General MIDI instrument set. Idempotent and
# non-interactive; run as root or with sudo available.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  build-essential cmake ninja-build ccache pkg-config
  googletest libgtest-dev
  clang libclang-rt-14-dev llvm  # the fuzzers (libFuzzer) and readable sanitizer reports
  locales  # a decimal-comma locale for the test that song lists read the same in any locale
  libsamplerate0-dev   # sample rate conversion of imported SoundFont samples
  libflac-dev          # the codec of the DFT library's compact samples
  libsndfile1-dev      # songs and files written as FLAC, Ogg Vorbis, Opus, MP3 or AIFF
  libebur128-dev       # EBU R128 loudness: the scan's figures and --loudness
  libsoxr-dev          # the mixer's band-limited resampling (mix --resample)
  timgm6mb-soundfont   # the default General MIDI bank
  sox time  # the benchmarks' reference and measurement
  pybind11-dev python3-dev python3-numpy python3-pytest  # the Python module and its tests
  slurmctld slurmd slurm-client munge  # a private one-node Slurm cluster for the array-job test
  # The desktop program: Qt 6 Widgets, Print Support and Test (qt6-base-dev), uic/moc/rcc,
  # Multimedia (its audio output speaks to PulseAudio through libpulse0, which it pulls in;
  # without a sound server the Play dialog reports that there is no sound device), the
  # offscreen and X11 platform plugins, and a font.
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins
  libqt6printsupport6 libqt6test6 fonts-dejavu-core
  xvfb xauth x11-utils imagemagick  # screenshots of the main window under a virtual X server
  xdotool  # clicks the real program on a bare virtual X server (the Exit test)
  pulseaudio pulseaudio-utils  # a private sound server whose sink the playback test records
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "setup: no de_DE.UTF-8 locale; one test will run in C only"
fi

build=${TONEMILL_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

# The default instrument set goes into the program directory's PRG and WAV folders, where a
# fresh settings file points the working directories.
"$here/scripts/import-default-set.sh" "$build/bin/PRG" "$build/bin/WAV"
