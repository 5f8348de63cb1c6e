#!/bin/bash
# A small procedure study submitted with examples/study.sbatch to a real single-node Slurm
# (Debian's slurm-wlm and munge) started here with a private configuration, key, sockets, ports,
# state and logs in a temporary folder; its merged summary must equal the same study run locally.
# The daemons are stopped by their PIDs when the test ends, whatever happened.
# Usage: slurm_study.sh QUORVEX_SIM EXAMPLES_FOLDER
set -euo pipefail
sim=$1
examples=$2
for program in munged slurmctld slurmd sbatch sinfo squeue; do
    command -v "$program" > /dev/null || { echo "SKIP: $program is not installed"; exit 77; }
done

top=$(mktemp -d /tmp/quorvex-slurm-XXXXXX)
stop_daemons() {
    local status=$?
    for pidfile in "$top/slurmd.pid" "$top/slurmctld.pid" "$top/munged.pid"; do
        if [ -s "$pidfile" ]; then
            local pid
            pid=$(cat "$pidfile")
            kill -TERM "$pid" 2> /dev/null || true
            for _ in $(seq 50); do
                kill -0 "$pid" 2> /dev/null || break
                sleep 0.1
            done
        fi
    done
    if [ $status -ne 0 ]; then
        for log in "$top"/*.log; do
            echo "== $log"
            tail -20 "$log" || true
        done
    fi
    rm -rf "$top"
    exit $status
}
trap stop_daemons EXIT

mkdir -p "$top/state" "$top/spool" "$top/cluster" "$top/local"
dd if=/dev/urandom of="$top/munge.key" bs=1024 count=1 status=none
chmod 400 "$top/munge.key"
munged --force --key-file "$top/munge.key" --socket "$top/munge.socket" --pid-file "$top/munged.pid" \
    --log-file "$top/munged.log" --seed-file "$top/munged.seed"

port=$((20000 + RANDOM % 20000))
node=$(hostname -s)
cat > "$top/slurm.conf" << CONF
ClusterName=quorvex-test
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$top/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
MpiDefault=none
ReturnToService=2
SlurmctldPort=$port
SlurmdPort=$((port + 1))
StateSaveLocation=$top/state
SlurmdSpoolDir=$top/spool
SlurmctldPidFile=$top/slurmctld.pid
SlurmdPidFile=$top/slurmd.pid
SlurmctldLogFile=$top/slurmctld.log
SlurmdLogFile=$top/slurmd.log
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$top/slurm.conf
slurmctld -c
slurmd
for _ in $(seq 100); do
    sinfo -h -o %t 2> /dev/null | grep -q idle && break
    sleep 0.2
done
sinfo -h -o %t | grep -q idle || { echo "the node never became idle"; exit 1; }

for folder in cluster local; do
    cp "$examples/PTC.INI" "$top/$folder/PTC.INI"
    cat > "$top/$folder/study.ini" << STUDY
[Study]
Conditions=PTC.INI
Condition=1
Replications=3
Seed=11
RunsPerTask=2
[Grid]
SPLstep=2,3
Direction=up
Noise=1
STUDY
done

QUORVEX_SIM=$sim bash "$examples/study.sbatch" "$top/cluster/study.ini" "$top/cluster/summary.csv" 2
for _ in $(seq 600); do
    [ -z "$(squeue -h 2> /dev/null)" ] && break
    sleep 0.5
done
[ -z "$(squeue -h)" ] || { echo "the jobs did not finish"; squeue; exit 1; }
ls "$top/cluster/study-tasks"
[ -s "$top/cluster/summary.csv" ] || { echo "no merged summary"; cat "$top"/cluster/study-tasks/*.out; exit 1; }

(cd "$top/local" && "$sim" study run study.ini --jobs 1 && "$sim" study merge study.ini -o summary.csv)
cmp "$top/cluster/summary.csv" "$top/local/summary.csv"
echo "the cluster's summary equals the local one ($(wc -l < "$top/local/summary.csv") lines)"
