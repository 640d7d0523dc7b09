#!/usr/bin/env bash
# Runs the same render and effects with two builds' programs on the same inputs and compares
# the outputs byte for byte: the builds of the two compilers must give the same files.
#   tests/compilers/same-bytes.sh FIRST_BUILD SECOND_BUILD [PRG_DIR WAV_DIR]
# The instruments default to the first build's program folder (bin/PRG, bin/WAV); when it holds
# none, the default set is imported into a scratch folder with the first build's program.
# KEEP_SAME_BYTES=1 keeps the scratch folder with both sides' outputs.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
if [ $# -lt 2 ]; then
  echo "usage: $0 FIRST_BUILD SECOND_BUILD [PRG_DIR WAV_DIR]" >&2
  exit 2
fi
first=$1/bin/tonemill
second=$2/bin/tonemill
work=$(mktemp -d)
trap '[ -n "${KEEP_SAME_BYTES:-}" ] || rm -rf "$work"' EXIT
# Each program gets its own settings folder, so neither reads what the other wrote.
mkdir -p "$work/home-a" "$work/home-b" "$work/a" "$work/b"

prg=${3:-$1/bin/PRG}
wav=${4:-$1/bin/WAV}
if ! { [ -d "$prg" ] && find "$prg" -maxdepth 1 -type f -iname '*.prg' | grep -q .; }; then
  prg=$work/PRG
  wav=$work/WAV
  TONEMILL_BUILD_DIR=$1 TONEMILL_HOME=$work/home-a "$here/scripts/import-default-set.sh" "$prg" "$wav"
fi

# Runs one step with both programs: "@" in the arguments stands for the program's output folder.
failed=0
step() {
  local name=$1
  shift
  for side in a b; do
    local program=$first
    [ "$side" = b ] && program=$second
    local args=("${@//@/$work/$side}")
    if ! TONEMILL_HOME=$work/home-$side "$program" "${args[@]}" --force --quiet >"$work/$side.log" 2>&1; then
      echo "FAIL $name: $program exited with an error:" >&2
      cat "$work/$side.log" >&2
      failed=1
      return
    fi
  done
  local out
  for out in "$work"/a/"$name"*; do
    if ! cmp "$out" "$work/b/${out##*/}"; then
      failed=1
      return
    fi
  done
  echo "same bytes: $name"
}

step demo render "$here/examples/demo.mid" -o @/demo.wav --prg-dir "$prg" --wav-dir "$wav"
step demo24 render "$here/examples/demo.mid" -o @/demo24.wav --prg-dir "$prg" --wav-dir "$wav" --bits 24 --rate 48000 --threads 2
step demofloat render "$here/examples/demo.mid" -o @/demofloat.wav --prg-dir "$prg" --wav-dir "$wav" --bits float --rate 96000 --threads 3
# The effects read the first program's render, so both sides start from the same bytes.
song=$work/a/demo.wav
step echo echo "$song" -o @/echo.wav --range 0:8000
step reverb reverb "$song" -o @/reverb.wav --algorithm hall --range 0:8000
step lowpass lowpass "$song" -o @/lowpass.wav --cutoff 3000
step compress compress "$song" -o @/compress.wav
step mix mix "$song" "$work/a/echo.wav:50:50" -o @/mix.wav --rate 22050
exit $failed
