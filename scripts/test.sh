#!/usr/bin/env bash
# Builds and runs the whole test suite (after scripts/setup.sh has installed the packages):
#   1. the Release build and its tests;
#   1b. playback through the desktop program, recorded from a private PulseAudio server;
#   2. the README's array job on a private one-node Slurm cluster, and a render cancelled there;
#   3. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   4. a bounded fuzzing pass over every reader (a few seconds per harness);
#   5. the Release build with Clang, whose render and effects must give the GCC build's bytes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
jobs=$(nproc)

echo "== Release build and tests"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEMILL_WERROR=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

echo "== Playback on a sound server of its own"
timeout -k 10 300 "$here/scripts/test-playback.sh" "$build" || [ $? -eq 77 ]

echo "== Cluster array job"
# The stage bounds every wait itself; the outer limit only guards against the unforeseen, and
# the stage cleans up (daemons, jobs, files) when it is ended.
timeout -k 30 300 "$here/tests/cluster/run.sh"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
asan=${TONEMILL_ASAN_BUILD_DIR:-$here/build-asan}
# GCC's instrumented code trips its flow analysis (maybe-uninitialized in <regex>, a memset
# it sizes wrongly); those two warnings are off here, where the code is the Release build's.
san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
san_warnings="-Wno-maybe-uninitialized -Wno-stringop-overflow"
cmake -S "$here" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEMILL_BENCH=OFF \
  -DCMAKE_C_FLAGS="$san $san_warnings" -DCMAKE_CXX_FLAGS="$san $san_warnings" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$asan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$asan" --output-on-failure -j "$jobs"

echo "== Bounded fuzzing pass"
"$here/fuzz/run.sh" "${TONEMILL_FUZZ_SECONDS:-5}"

echo "== Release build with Clang, and the same bytes as the GCC build"
# Clang's build is not tested again as a whole: its programs must write what the GCC build's
# write, byte for byte, for a render and a few effects.
clang_build=${TONEMILL_CLANG_BUILD_DIR:-$here/build-clang}
cmake -S "$here" -B "$clang_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEMILL_BENCH=OFF -DTONEMILL_WERROR=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
cmake --build "$clang_build"
"$here/tests/compilers/same-bytes.sh" "$build" "$clang_build"
