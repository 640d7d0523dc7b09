# The opening the benchmarks share, sourced after they set `runs`: the tree and its build (the
# program must be built), a scratch folder removed on exit with a settings folder of its own
# for the program, and the timing.
#   runs=${1:-5}; source "$(dirname "$0")/common.sh"
# Sets $here, $build, $tonemill and $work.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
tonemill=$build/bin/tonemill
if [ ! -x "$tonemill" ]; then
  echo "$tonemill is missing: build the tree first (or set TONEMILL_BUILD_DIR)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TONEMILL_HOME=$work/home
mkdir -p "$TONEMILL_HOME"

# measure COMMAND...: one warm-up run, then `runs` timed ones. Sets $median, the median
# processor time (user + system, to the millisecond: on a shared machine it is steadier than
# wall time), $wall, the median wall seconds, and $kb, the peak memory of the last run. A
# command that fails sets them to "-", "-" and 0.
measure() {
  if ! "$@" > /dev/null 2>&1; then
    echo "failed: $*" >&2
    median=- wall=- kb=0
    return
  fi
  local cpu=() walls=() i w
  for ((i = 0; i < runs; i++)); do
    # The subshell's children are the command alone (through GNU time, which gives the wall
    # time and the memory); its `times` counts their processor time.
    (
      /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2>&1
      times > "$work/times"
    )
    read -r w kb < "$work/time"
    walls+=("$w")
    cpu+=("$(awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/)
                            printf "%.3f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$work/times")")
  done
  median=$(printf '%s\n' "${cpu[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  wall=$(printf '%s\n' "${walls[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
}

# ratio A B: A ÷ B to two places, or "-".
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0 && a != "-") printf "%.2f", a / b; else print "-" }'; }
