#!/usr/bin/env bash
# The cluster path on a real scheduler. A private one-node Slurm cluster (scripts/one-node-slurm.sh)
#   1. runs the README's array job over five short songs: every song is rendered exactly once
#      into a complete WAV file, every task succeeds, and nothing else appears;
#   2. runs a render of ten long songs and cancels it with scancel, which sends SIGTERM: the
#      render must take the cancel path (exit 143) and leave no half-written file under a
#      song's name and no temporary file.
# Skips, saying why, on a machine that cannot host the cluster; never waits without a limit.
# Usage: tests/cluster/run.sh   (after scripts/setup.sh; TONEMILL_BUILD_DIR as for the tests)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${TONEMILL_BUILD_DIR:-$here/build}
# shellcheck source-path=SCRIPTDIR/../..
source "$here/scripts/one-node-slurm.sh"
source "$here/tests/cluster/files.sh"

failures=()
fail() { failures+=("$*"); echo "cluster: FAIL: $*" >&2; }
note() { echo "cluster: $*"; }
oneline() { tr '\n' ' ' <<< "$1" | sed 's/ $//'; }

for need in "$build/bin/tonemill" "$build/bin/PRG/0.PRG"; do
  [ -e "$need" ] || { echo "cluster: $need is missing; run scripts/setup.sh first" >&2; exit 1; }
done
if ! reason=$(slurm_missing); then
  echo "cluster: SKIPPED, this machine cannot host the test cluster: $reason"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tonemill-cluster.XXXXXX")
finish() {
  slurm_stop
  if ((${#failures[@]})) && [ -d "$work/slurm/log" ]; then
    slurm_log_tail "$work"/slurm/log/slurmd.out "$work"/slurm/log/slurmctld.out >&2
  fi
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The songs and the settings the jobs share: $HOME/tonemill, as in the README's script.
export HOME=$work/user
home=$HOME/tonemill
mkdir -p "$home"/{MID,LST,Song,Temp,DFT} "$work"/{midi,long,run,logs}
cat > "$home/TM.INI" << EOF
[Directories]
MID=$home/MID
LST=$home/LST
Song=$home/Song
PRG=$build/bin/PRG
Temp=$home/Temp
WAV=$build/bin/WAV
DFT=$home/DFT
EOF
write_song "$work/midi/piano.mid" 1 0 8 1 250 60 64 67 72
write_song "$work/midi/bass.mid" 2 33 8 1 250 36 43 41 38
write_song "$work/midi/Strings Theme.mid" 3 48 4 3 500 55 59 62 57 60 64
write_song "$work/midi/flute.mid" 4 73 10 1 200 72 74 76 77 79
write_song "$work/midi/drums.mid" 10 0 12 2 250 36 42 38 42
songs=("strings theme" bass drums flute piano)  # the outputs' names: lower-cased
# Ten songs of half an hour of sixteen-voice chords, two at a time: many seconds of rendering
# (about a second a song here), so that the cancel lands in it.
long_songs=()
for n in $(seq 10); do
  if ((n % 2)); then
    write_song "$work/long/long$n.mid" 1 48 900 16 2000 36 40 43 48 52 55 60 64 67 72 76 79 84 88 91 96
  else
    write_song "$work/long/long$n.mid" 1 19 900 16 2000 38 41 45 50 53 57 62 65 69 74 77 81 86 89 93 98
  fi
  long_songs+=("$work/long/long$n.mid")
done
marker=$work/started
touch "$marker"

export PATH=$build/bin:$PATH
slurm_start "$work" || { fail "the cluster did not start"; exit 1; }
note "one-node cluster up on $(hostname -s) ($(sinfo -V)), $(nproc) CPUs"

# "STATE EXITCODE" for each task of a job, one line each, sorted by task id.
task_states() {
  slurm_cmd scontrol -o show job "$1" | awk '{
      task = "-"; state = ""; code = ""
      for (i = 1; i <= NF; i++) {
        split($i, kv, "=")
        if (kv[1] == "ArrayTaskId") task = kv[2]
        if (kv[1] == "JobState") state = kv[2]
        if (kv[1] == "ExitCode") code = kv[2]
      }
      print task, state, code
    }' | sort -n
}

# Names (one a line, sorted) in DIR, hidden ones too.
listing() { (cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%P\n' | LC_ALL=C sort); }
expect_listing() {
  local dir=$1 want got
  shift
  want=$(printf '%s\n' "$@" | LC_ALL=C sort)
  got=$(listing "$dir")
  [ "$got" = "$want" ] || fail "$dir holds [$(oneline "$got")], expected [$(oneline "$want")]"
}

# Stray temporary files, wherever the program might have left one.
temporaries() { find "$home" "$work/run" "$build/bin/PRG" "$build/bin/WAV" -name '.*.tmp-*' 2> /dev/null; }

# --- 1. The README's array job over the collection ------------------------------------------
awk '/^    #!\/bin\/bash$/ { on = 1 } on { sub(/^    /, ""); print } on && /\.mid *$/ { exit }' \
  "$here/README.md" > "$work/readme-job.sh"
if ! grep -q -- '--shard' "$work/readme-job.sh" || ! grep -q '/data/midi/\*\.mid' "$work/readme-job.sh"; then
  fail "README's array-job script not found or no longer renders /data/midi/*.mid with --shard:"
  cat "$work/readme-job.sh" >&2
  exit 1
fi
# Only the collection's place changes; the array and CPUs are sized to this one small node.
sed "s|/data/midi/\\*\\.mid|\"$work/midi\"/*.mid|" "$work/readme-job.sh" > "$work/array-job.sh"
tasks=4
start=$SECONDS
job=$(slurm_cmd sbatch --parsable --array=1-$tasks --cpus-per-task=1 --chdir="$work/run" \
  --output="$work/logs/array-%a.out" "$work/array-job.sh") || { fail "sbatch refused the README's job"; exit 1; }
if ! slurm_wait_gone "$job" 120; then
  fail "the array job did not finish within 120 s: $(slurm_cmd squeue -h -j "$job" -o '%i %T %R' | tr '\n' ';')"
fi
note "array job $job: $tasks tasks over ${#songs[@]} songs in $((SECONDS - start)) s"
states=$(task_states "$job")
want_states=$(for ((k = 1; k <= tasks; k++)); do echo "$k COMPLETED 0:0"; done)
[ "$states" = "$want_states" ] || fail "array tasks ended as [$(oneline "$states")], expected all COMPLETED 0:0"
for log in "$work"/logs/array-*.out; do
  [ -s "$log" ] && { note "output of $(basename "$log"):"; sed 's/^/  /' "$log"; }
done

wavs=() lsts=()
for song in "${songs[@]}"; do
  wavs+=("$song.wav")
  lsts+=("$song.lst")
  wav=$home/Song/$song.wav
  [ -f "$wav" ] || continue
  if header=$(probe_wav "$wav"); then
    read -r rate bits channels frames <<< "$header"
    [ "$rate $bits $channels" = "44100 16 2" ] || fail "$wav is $rate Hz $bits bits $channels channels, expected the defaults"
    ((frames >= 44100)) || fail "$wav holds only $frames frames"
    peak=$(sox "$wav" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
    awk -v p="${peak:-0}" 'BEGIN { exit !(p > 0.01) }' || fail "$wav is silent (peak ${peak:-unknown})"
  else
    fail "$(probe_wav "$wav" 2>&1)"
  fi
done
# Exactly once: no song is missing, no name appears twice, and since the script renders without
# --force a second render of any song would have failed its task.
# The song lists are scratch files in Temp, kept until the next render of the song.
expect_listing "$home/Song" "${wavs[@]}"
expect_listing "$home/Temp" "${lsts[@]}"
expect_listing "$home/LST"
expect_listing "$home/MID"
expect_listing "$work/run"
changed=$(find "$build/bin/PRG" "$build/bin/WAV" -newer "$marker" | head -n 5)
[ -z "$changed" ] || fail "the instrument set changed: $changed"

# --- 2. scancel during a long render -------------------------------------------------------
# The shell must not die with the render, to tell how the render ended: perl waits for it and
# writes "exit N" (the cancel path) or "signal N" (killed by the signal itself).
status=$work/run/cancel-status
cat > "$work/cancel-job.sh" << 'EOF'
#!/bin/bash
export TONEMILL_HOME=$HOME/tonemill
exec perl -e 'my $status = shift; $SIG{TERM} = sub {}; system(@ARGV); my $s = $?;
  open(my $f, ">", $status) or die "$status: $!";
  print $f ($s == -1 ? "not started" : $s & 127 ? "signal " . ($s & 127) : "exit " . ($s >> 8)), "\n";' \
  "$@"
EOF
job=$(slurm_cmd sbatch --parsable --cpus-per-task="$(nproc)" --chdir="$work/run" \
  --output="$work/logs/cancel.out" "$work/cancel-job.sh" \
  "$status" tonemill render --quiet --jobs 2 "${long_songs[@]}") ||
  { fail "sbatch refused the long render"; exit 1; }
# Writing has begun once a temporary file, or a file under a song's name, is there.
rendering() { [ -n "$(find "$home/Song" -name '.long*.tmp-*' -o -name 'long*.wav' | head -n 1)" ]; }
if ! slurm_poll 60 rendering; then
  fail "the long render did not start writing within 60 s (job $(slurm_cmd squeue -h -j "$job" -o %T))"
else
  sleep 2
  [ -e "$status" ] && fail "the long render ended before it could be cancelled: $(cat "$status")"
  cancelled=$SECONDS
  slurm_cmd scancel "$job"
  slurm_wait_gone "$job" $((slurm_kill_wait + 20)) || fail "the cancelled job is still listed after $((slurm_kill_wait + 20)) s"
  note "cancelled job $job ended $((SECONDS - cancelled)) s after scancel"
  # Each expectation on its own line, so that a report names the one that failed.
  # No status, or an empty one: SIGKILL reached perl too, however far it had got.
  ended=$(cat "$status" 2> /dev/null || true)
  if [ -z "$ended" ]; then
    ended=killed
    fail "after SIGTERM the render did not end within Slurm's KillWait of $slurm_kill_wait s (it was killed)"
  elif [ "$ended" != "exit 143" ]; then
    fail "after SIGTERM the render ended with '$ended', expected 'exit 143' (the cancel path, 128 + SIGTERM)"
  fi
  leftovers=$(temporaries)
  [ -z "$leftovers" ] || fail "temporary files left after SIGTERM: $(oneline "$leftovers")"
  # A cancelled song is either not there or complete: the cancel path finishes the file before
  # it takes the song's name. A render that died with the signal had no chance to.
  for song in $(seq -f long%g 10); do
    wav=$home/Song/$song.wav
    [ -e "$wav" ] || continue
    if ! problem=$(probe_wav "$wav" 2>&1 > /dev/null); then
      fail "half-written file under the song's name after SIGTERM: $problem"
    elif [ "$ended" != "exit 143" ]; then
      fail "$wav is under the song's name although the render did not finish ($ended)"
    fi
  done
  [ -s "$work/logs/cancel.out" ] && { note "output of the cancelled job:"; sed 's/^/  /' "$work/logs/cancel.out"; }

  # A cancelled batch waits for its workers: none may outlive the job.
  stray=$(for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/cwd" 2> /dev/null)" = "$work/run" ]; then
      echo "${proc#/proc/} $(tr '\0' ' ' < "$proc/cmdline" 2> /dev/null)"
    fi
  done)
  [ -z "$stray" ] || fail "processes of the cancelled job still running: $stray"
fi

slurm_stop
[ -z "$(slurm_processes_inside "$work")" ] || fail "processes still inside $work after the cluster stopped"

if ((${#failures[@]})); then
  echo "cluster: ${#failures[@]} check(s) failed in $SECONDS s:" >&2
  printf '  - %s\n' "${failures[@]}" >&2
  exit 1
fi
note "passed in $SECONDS s"
