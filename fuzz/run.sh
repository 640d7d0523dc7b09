#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs every harness for a while.
#   fuzz/run.sh [SECONDS_PER_HARNESS] [HARNESS...]     (default: 10 seconds, every harness)
# A finding is written to fuzz/findings/<harness>/ and the run fails; fix the code, then move the
# input into fuzz/regressions/<harness>/ so that ctest replays it from then on.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
shift || true
build=${TONEMILL_FUZZ_BUILD_DIR:-$here/build-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTONEMILL_FUZZ=ON -DTONEMILL_TESTS=OFF -DTONEMILL_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
harnesses=("$@")
((${#harnesses[@]})) || mapfile -t harnesses < "$build/fuzz-harnesses.txt"
targets=(fuzz_seeds)
for h in "${harnesses[@]}"; do [ -n "$h" ] && targets+=("${h}_fuzzer"); done
cmake --build "$build" --target "${targets[@]}"
"$build/bin/fuzz_seeds" "$build/fuzz-seeds"
status=0
for h in "${harnesses[@]}"; do
  [ -n "$h" ] || continue
  corpus="$build/fuzz-corpus/$h"
  findings="$here/fuzz/findings/$h"
  log="$build/fuzz-$h.log"
  mkdir -p "$corpus" "$findings"
  inputs=("$corpus" "$build/fuzz-seeds/$h")
  [ -d "$here/fuzz/regressions/$h" ] && inputs+=("$here/fuzz/regressions/$h")
  echo "== $h: $seconds s"
  rc=0
  (cd "$build" && UBSAN_OPTIONS=print_stacktrace=1 "bin/${h}_fuzzer" \
    -max_total_time="$seconds" -timeout=2 -rss_limit_mb=512 -print_final_stats=1 \
    -artifact_prefix="$findings/" "${inputs[@]}") >"$log" 2>&1 || rc=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|Test unit written' "$log" || true
  if [ "$rc" -ne 0 ] || ls "$findings"/* >/dev/null 2>&1; then
    echo "!! $h: the fuzzer stopped with status $rc; see $log and $findings"
    status=1
  fi
done
exit $status
