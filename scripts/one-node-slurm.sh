# shellcheck shell=bash
# A private one-node Slurm cluster (munged, slurmctld, slurmd from Debian's packages) that lives
# in one directory: its own munge key and socket, slurm.conf, state, spool and logs, and ports
# that nothing else listens on. The daemons run in the foreground under this shell, without
# systemd, and slurm_stop ends them and everything the cluster started.
# Sourced by the tests:
#   slurm_missing || skip   # prints why this machine cannot host the cluster
#   slurm_start DIR         # DIR: this run's private directory; the cluster keeps its files in
#                           # DIR/slurm and exports SLURM_CONF; the node is idle when it returns 0
#   slurm_wait_gone JOBID SECONDS
#   slurm_stop              # safe to call at any time, any number of times

slurm_scope="" slurm_dir="" slurm_node="" slurm_munged_pid="" slurm_ctld_pid="" slurm_d_pid=""
slurm_kill_wait=10  # seconds between SIGTERM and SIGKILL when a job is cancelled
slurm_daemon_cap=900  # no daemon outlives this many seconds, even if this shell is killed

# Slurm's client commands wait for a controller that does not answer; none may hang the test.
slurm_cmd() { timeout 20 "$@"; }

slurm_missing() {
  local cmd missing=()
  for cmd in munged munge unmunge slurmctld slurmd slurmstepd sbatch squeue scancel scontrol sinfo perl; do
    command -v "$cmd" > /dev/null || missing+=("$cmd")
  done
  if ((${#missing[@]})); then
    echo "no ${missing[*]} on this machine (scripts/setup.sh installs slurmctld, slurmd and munge)"
    return 1
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "slurmd must run as root to start jobs, and this is user $(id -un)"
    return 1
  fi
}

# Ports in /proc/net/tcp{,6} in the listening state (0A), as decimal numbers.
slurm_listening_ports() {
  cat /proc/net/tcp /proc/net/tcp6 2> /dev/null |
    awk '$4 == "0A" { split($2, a, ":"); print a[2] }' |
    while read -r hex; do echo $((16#$hex)); done
}

# Two adjacent ports that nothing listens on, from a starting point that differs between runs.
slurm_free_port_pair() {
  local used port tries
  used=" $(slurm_listening_ports | tr '\n' ' ') "
  port=$((20000 + (RANDOM * 2) % 30000))
  for ((tries = 0; tries < 200; tries++, port += 2)); do
    [[ $used == *" $port "* || $used == *" $((port + 1)) "* ]] || { echo "$port"; return 0; }
  done
  return 1
}

# Polls COMMAND until it succeeds, at most SECONDS seconds.
slurm_poll() {
  local seconds=$1 deadline
  shift
  deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.5
  done
}

slurm_daemon_alive() { [ -n "$1" ] && kill -0 "$1" 2> /dev/null; }

slurm_log_tail() {
  local f
  for f in "$@"; do
    [ -s "$f" ] && { echo "--- last lines of $f"; tail -n 15 "$f"; }
  done
  return 0
}

slurm_write_conf() {
  local conf=$1 port=$2
  cat > "$conf" << EOF
ClusterName=tonemilltest
SlurmctldHost=$slurm_node(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$slurm_dir/munge/socket
CredType=cred/munge
StateSaveLocation=$slurm_dir/state
SlurmdSpoolDir=$slurm_dir/spool
SlurmctldPidFile=$slurm_dir/run/slurmctld.pid
SlurmdPidFile=$slurm_dir/run/slurmd.pid
SlurmctldLogFile=$slurm_dir/log/slurmctld.log
SlurmdLogFile=$slurm_dir/log/slurmd.log
MailProg=/bin/true
# No cgroups: the machine may be a container without a delegated cgroup tree.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SwitchType=switch/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
KillWait=$slurm_kill_wait
MessageTimeout=5
SlurmctldTimeout=30
SlurmdTimeout=30
MinJobAge=300
NodeName=$slurm_node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$slurm_node Default=YES MaxTime=INFINITE State=UP
EOF
}

slurm_munge_works() { munge -n -S "$slurm_dir/munge/socket" 2> /dev/null | unmunge -S "$slurm_dir/munge/socket" > /dev/null 2>&1; }
slurm_ctld_up() { slurm_cmd scontrol ping 2> /dev/null | grep -q 'is UP'; }
slurm_node_idle() { [ "$(slurm_cmd sinfo -h -n "$slurm_node" -o %T 2> /dev/null)" = idle ]; }

slurm_start() {
  slurm_scope=$1
  slurm_dir=$1/slurm
  slurm_node=$(hostname -s)
  local port
  port=$(slurm_free_port_pair) || { echo "cluster: no two free adjacent ports from 20000 on" >&2; return 1; }
  # munged refuses a socket directory that others cannot enter and a key that others can read.
  mkdir -p "$slurm_dir"/{munge,key,state,spool,run,log}
  chmod 755 "$slurm_scope" "$slurm_dir" "$slurm_dir/munge"
  chmod 700 "$slurm_dir/key"
  head -c 1024 /dev/urandom > "$slurm_dir/key/munge.key"
  chmod 600 "$slurm_dir/key/munge.key"
  slurm_write_conf "$slurm_dir/slurm.conf" "$port"
  export SLURM_CONF=$slurm_dir/slurm.conf

  timeout -k 5 "$slurm_daemon_cap" munged -F --socket="$slurm_dir/munge/socket" \
    --key-file="$slurm_dir/key/munge.key" --pid-file="$slurm_dir/run/munged.pid" \
    --seed-file="$slurm_dir/munge/seed" --log-file="$slurm_dir/log/munged.log" \
    > "$slurm_dir/log/munged.out" 2>&1 &
  slurm_munged_pid=$!
  if ! slurm_poll 10 slurm_munge_works; then
    echo "cluster: munged did not start or does not sign credentials" >&2
    slurm_log_tail "$slurm_dir/log/munged.out" "$slurm_dir/log/munged.log" >&2
    return 1
  fi

  timeout -k 5 "$slurm_daemon_cap" slurmctld -D -f "$SLURM_CONF" > "$slurm_dir/log/slurmctld.out" 2>&1 &
  slurm_ctld_pid=$!
  if ! slurm_poll 30 slurm_ctld_up; then
    echo "cluster: slurmctld did not answer on port $port within 30 s" >&2
    slurm_log_tail "$slurm_dir/log/slurmctld.out" >&2
    return 1
  fi

  timeout -k 5 "$slurm_daemon_cap" slurmd -D -f "$SLURM_CONF" -N "$slurm_node" > "$slurm_dir/log/slurmd.out" 2>&1 &
  slurm_d_pid=$!
  if ! slurm_poll 30 slurm_node_idle; then
    echo "cluster: node $slurm_node did not become idle within 30 s:" \
      "$(slurm_cmd sinfo -h -N -o '%T %E' 2> /dev/null)" >&2
    slurm_log_tail "$slurm_dir/log/slurmd.out" "$slurm_dir/log/slurmctld.out" >&2
    return 1
  fi
}

slurm_job_gone() { [ -z "$(slurm_cmd squeue -h -j "$1" -o %i 2> /dev/null)" ]; }

slurm_wait_gone() { slurm_poll "$2" slurm_job_gone "$1"; }

# Processes whose working directory or open files lie inside DIR: job steps, the jobs' programs
# and the daemons. The directory is private to this run, so they are ours.
slurm_processes_inside() {
  local dir=$1 proc pid link
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$pid" = "$$" ] && continue
    for link in "$proc/cwd" "$proc"/fd/*; do
      case $(readlink "$link" 2> /dev/null) in
        "$dir" | "$dir"/*) echo "$pid"; break ;;
      esac
    done
  done
}

# Sends SIGTERM to the PIDs, waits up to SECONDS for them to end, then kills what is left.
slurm_end_processes() {
  local seconds=$1 pid alive i
  shift
  (($#)) || return 0
  kill -TERM "$@" 2> /dev/null || true
  for ((i = 0; i < seconds * 4; i++)); do
    alive=()
    for pid in "$@"; do kill -0 "$pid" 2> /dev/null && alive+=("$pid"); done
    ((${#alive[@]})) || return 0
    sleep 0.25
  done
  kill -KILL "${alive[@]}" 2> /dev/null || true
}

slurm_queue_empty() { [ -z "$(slurm_cmd squeue -h -o %A 2> /dev/null)" ]; }

slurm_stop() {
  [ -n "$slurm_dir" ] || return 0
  local jobs pid left
  if slurm_daemon_alive "$slurm_ctld_pid"; then
    jobs=$(slurm_cmd squeue -h -o %A 2> /dev/null | sort -u | tr '\n' ' ')
    if [ -n "${jobs// /}" ]; then
      # shellcheck disable=SC2086
      slurm_cmd scancel $jobs 2> /dev/null || true
      slurm_poll $((slurm_kill_wait + 10)) slurm_queue_empty || true
    fi
  fi
  for pid in "$slurm_d_pid" "$slurm_ctld_pid"; do
    slurm_daemon_alive "$pid" && slurm_end_processes 10 "$pid"
  done
  # Job steps detach from slurmd, and a daemon whose wrapper had to be killed outlives it:
  # whatever still works inside the directory (munged too, by its log) goes now.
  left=$(slurm_processes_inside "$slurm_scope" | tr '\n' ' ')
  # shellcheck disable=SC2086
  [ -z "${left// /}" ] || slurm_end_processes 5 $left
  slurm_daemon_alive "$slurm_munged_pid" && slurm_end_processes 5 "$slurm_munged_pid"
  # shellcheck disable=SC2086
  wait $slurm_d_pid $slurm_ctld_pid $slurm_munged_pid 2> /dev/null || true
  slurm_scope="" slurm_dir="" slurm_munged_pid="" slurm_ctld_pid="" slurm_d_pid=""
  unset SLURM_CONF
}
