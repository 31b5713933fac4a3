#!/usr/bin/env bash
# Proves that a run split four ways gives one run's files, byte for byte,
# counter names included, also after a task was killed part way and retried:
# on a one-node Slurm cluster started here (munged, slurmctld, slurmd with a
# configuration of their own in a temporary folder) and with GNU parallel.
# Run as root (CI starts from a fresh Debian 12 as root); installs slurm-wlm,
# munge and parallel when missing. Every daemon it starts is stopped by PID
# on the way out. When Slurm cannot start, it fails saying why.
#   scripts/cluster_check.sh [path/to/varenna-batch]
set -euo pipefail
cd "$(dirname "$0")/.."
started_at=$(date +%s)
repo=$(pwd)
batch=$(realpath "${1:-build/bin/varenna-batch}")

say() { echo "cluster_check: [$(($(date +%s) - started_at)) s] $*"; }
fail() {
  echo "cluster_check: FAILED: $*" >&2
  exit 1
}
[ -x "$batch" ] || fail "$batch is not built (scripts/build.sh builds it)"
[ "$(id -u)" -eq 0 ] || fail "must run as root: it starts munged, slurmctld and slurmd"

missing=()
command -v slurmctld >/dev/null || missing+=(slurm-wlm)
command -v munged >/dev/null || missing+=(munge)
command -v parallel >/dev/null || missing+=(parallel)
command -v python3 >/dev/null || missing+=(python3)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/varenna-cluster.XXXXXX)
chmod 755 "$work"
daemons=()
stop_daemons() {
  local pid
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${daemons[@]}"; do
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_daemons EXIT

# --- The pictures: a small gradient, made into 200 different photo-sized
# PNGs by the program itself (enlarged, with noise seeded by the row).
python3 - "$work/base.bmp" <<'PY'
import struct, sys
w, h = 400, 300
pad = (4 - w * 3 % 4) % 4
pixels = b"".join(bytes(v for x in range(w) for v in (x * 255 // w, y * 255 // h, (x + y) % 256)) + b"\0" * pad
                  for y in range(h))
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
PY
touch "$work/settings.reg"
store=(--settings "$work/settings.reg")
for _ in $(seq 200); do echo "$work/base.bmp"; done >"$work/base.list"
"$batch" "${store[@]}" --files-from "$work/base.list" -f png -o "$work/pictures" -n 'photo %###' \
  --set OUTnoprop=-1 --set OUTwidth=800 --set OUTheight=600 --set NoiseLevel=60 >/dev/null
find "$work/pictures" -name '*.png' -print0 | sort -z >"$work/pictures.list0"
[ "$(tr -cd '\0' <"$work/pictures.list0" | wc -c)" -eq 200 ] || fail "the 200 pictures were not made"
say "200 pictures made"

# The run every split must reproduce: JPEG thumbnails named by the row's
# counter and a pinned date, in a dated folder.
run=("${store[@]}" -f jpeg -q 85 -o OUT -n 'img%####_%mmddyy' --date-folder --date 2026-12-08
  --files-from "$work/pictures.list0" -0 --jobs 1)
with_output() { # folder, then more arguments
  local folder=$1
  shift
  local args=("${run[@]/#OUT/$folder}")
  printf '%s\0' "${args[@]}" "$@"
}
# grep reads the whole help: with -q it would stop early, and under
# pipefail the program's broken pipe would read as "no such option".
if "$batch" --help 2>&1 | grep -- '--if-exists' >/dev/null; then
  retry=(--if-exists newer)
  retry_note="the retry writes only what is missing (--if-exists newer)"
else
  retry=()
  retry_note="varenna-batch has no --if-exists here: the retry renders its whole shard again"
fi
with_output "$work/single" --jobs "$(nproc)" | xargs -0 "$batch" >/dev/null
[ "$(find "$work/single" -type f | wc -l)" -eq 200 ] || fail "the single run did not write 200 files"

# Same file set, and every file byte-identical.
same_as_single() { # folder, label
  # The made index (--if-exists newer) is the runs' bookkeeping, not a thumbnail.
  diff <(cd "$work/single" && find . -type f | sort) <(cd "$1" && find . -type f ! -name .varenna-made | sort) \
    >/dev/null ||
    fail "$2: the files differ in name from one run's"
  local file
  while IFS= read -r -d '' file; do
    cmp -s "$work/single/$file" "$1/$file" || fail "$2: $file differs from one run's"
  done < <(cd "$work/single" && find . -type f -print0)
  say "$2: 200 files byte-identical to one run's"
}

# Valid JSON on every line of every report, one summary each.
reports_valid() { # files...
  python3 - "$@" <<'PY' || fail "a report holds a line that is not JSON"
import json, sys
for name in sys.argv[1:]:
    with open(name, encoding="utf-8", errors="surrogateescape") as f:
        for line in f:
            json.loads(line)
PY
}

# Waits until `file` holds at least `rows` lines; false when `alive` ends first.
wait_for_rows() { # file, rows, command that says whether the task still runs
  local file=$1 rows=$2
  shift 2
  for _ in $(seq 3000); do
    if [ -f "$file" ] && [ "$(wc -l <"$file")" -ge "$rows" ]; then return 0; fi
    "$@" || return 1
    sleep 0.02
  done
  return 1
}

# --- Slurm: a one-node cluster of our own.
host=$(hostname -s)
port=$((20000 + RANDOM % 20000))
memory=$(free -m | awk '/^Mem:/ { print $2 }')
mkdir -p "$work/slurm/state" "$work/slurm/spool" "$work/slurm/logs"
dd if=/dev/urandom of="$work/munge.key" bs=1024 count=1 status=none
chmod 600 "$work/munge.key"
munged --foreground --force --socket="$work/munge.socket" --key-file="$work/munge.key" \
  --pid-file="$work/munged.pid" --log-file="$work/munged.log" --seed-file="$work/munged.seed" \
  >"$work/munged.out" 2>&1 &
daemons+=($!)
export SLURM_CONF=$work/slurm/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=varenna-check
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge.socket
StateSaveLocation=$work/slurm/state
SlurmdSpoolDir=$work/slurm/spool
SlurmctldPidFile=$work/slurm/slurmctld.pid
SlurmdPidFile=$work/slurm/slurmd.pid
SlurmctldLogFile=$work/slurm/slurmctld.log
SlurmdLogFile=$work/slurm/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SwitchType=switch/none
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
ReturnToService=2
KillWait=5
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=$memory State=UNKNOWN
PartitionName=check Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
for _ in $(seq 50); do [ -S "$work/munge.socket" ] && break; sleep 0.1; done
[ -S "$work/munge.socket" ] || fail "munged did not start: $(cat "$work/munged.log" 2>/dev/null)"
slurmctld -D -c -f "$SLURM_CONF" >"$work/slurm/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D -f "$SLURM_CONF" >"$work/slurm/slurmd.out" 2>&1 &
daemons+=($!)
idle=0
for _ in $(seq 300); do
  if [ "$(sinfo -h -n "$host" -o %t 2>/dev/null)" = idle ]; then idle=1; break; fi
  sleep 0.2
done
[ "$idle" -eq 1 ] || fail "the Slurm node never became idle: $(sinfo -h -o '%n %t %E' 2>&1 | head -3)
$(tail -5 "$work/slurm/slurmctld.log" "$work/slurm/slurmd.log" 2>&1)"
say "Slurm node $host idle ($(nproc) CPUs, ${memory} MiB)"

job_ended() { [ -z "$(squeue -h -j "$1" 2>/dev/null)" ]; }
wait_job() {
  for _ in $(seq 3000); do job_ended "$1" && return 0; sleep 0.1; done
  fail "Slurm job $1 did not end"
}
submit() { # sbatch options, then the run's output folder
  local folder=${*: -1}
  local options=("${@:1:$#-1}")
  with_output "$folder" "${retry_args[@]}" | xargs -0 sbatch --parsable "${options[@]}" \
    --chdir="$work/slurm/logs" --output="$work/slurm/logs/%A_%a.out" "$repo/scripts/slurm/varenna_array.sh"
}
export VARENNA_BATCH=$batch VARENNA_REPORT_DIR=$work/slurm/reports
mkdir -p "$VARENNA_REPORT_DIR"
# Every shard runs with newer, so a retry finds what the killed one made.
retry_args=("${retry[@]}")
job=$(submit --array=0-3 "$work/slurm-out")
wait_for_rows "$VARENNA_REPORT_DIR/report-1.jsonl" 3 eval '! job_ended '"$job" ||
  fail "Slurm task ${job}_1 ended before it could be killed part way"
scancel --signal=KILL --full "${job}_1"
wait_job "$job"
killed_rows=$(grep -c '"row"' "$VARENNA_REPORT_DIR/report-1.jsonl" || true)
[ "$killed_rows" -lt 50 ] || fail "Slurm task ${job}_1 finished before the kill"
say "Slurm task ${job}_1 killed after $killed_rows of its 50 rows"
export VARENNA_SHARDS=4
retried=$(submit --array=1 "$work/slurm-out")
unset VARENNA_SHARDS
wait_job "$retried"
grep -q '"summary":true' "$VARENNA_REPORT_DIR/report-1.jsonl" || fail "the retried Slurm task did not finish:
$(cat "$work/slurm/logs/${retried}"_*.out)"
reports_valid "$VARENNA_REPORT_DIR"/report-*.jsonl
if [ ${#retry[@]} -gt 0 ]; then
  kept=$(grep -c '"status":"skipped"' "$VARENNA_REPORT_DIR/report-1.jsonl" || true)
  [ "$kept" -gt 0 ] || fail "the retried Slurm task made again what the killed one had made"
  say "the retried Slurm task kept $kept thumbnails the killed one had made"
fi
same_as_single "$work/slurm-out" "Slurm job array (4 tasks, one killed and retried)"

# --- GNU parallel: four local processes, one killed and retried from the job log.
mkdir -p "$work/parallel"
with_output "$work/parallel-out" "${retry[@]}" >"$work/parallel/args0"
# Each shard through a wrapper that notes its PID, so one can be killed.
cat >"$work/parallel/shard.sh" <<SHARD
#!/usr/bin/env bash
echo \$\$ >"$work/parallel/pid-\$1"
mapfile -d '' args <"$work/parallel/args0"
exec "$batch" --shard "\$1/4" --report "$work/parallel/report-\$1.jsonl" "\${args[@]}"
SHARD
parallel_shards() { # parallel options...
  parallel "$@" --joblog "$work/parallel/joblog" bash "$work/parallel/shard.sh" {} ::: 0 1 2 3
}
parallel_shards --jobs 4 >/dev/null 2>&1 &
parallel_pid=$!
wait_for_rows "$work/parallel/report-2.jsonl" 3 kill -0 "$parallel_pid" ||
  fail "GNU parallel's shard 2 ended before it could be killed part way"
kill -KILL "$(cat "$work/parallel/pid-2")"
wait "$parallel_pid" && fail "GNU parallel did not see shard 2 killed" || true
killed_rows=$(grep -c '"row"' "$work/parallel/report-2.jsonl" || true)
[ "$killed_rows" -lt 50 ] || fail "GNU parallel's shard 2 finished before the kill"
say "GNU parallel shard 2 killed after $killed_rows of its 50 rows"
parallel_shards --jobs 4 --resume-failed >/dev/null 2>&1 || fail "GNU parallel's retry failed"
reports_valid "$work/parallel"/report-*.jsonl
if [ ${#retry[@]} -gt 0 ]; then
  kept=$(grep -c '"status":"skipped"' "$work/parallel/report-2.jsonl" || true)
  [ "$kept" -gt 0 ] || fail "GNU parallel's retried shard made again what the killed one had made"
  say "GNU parallel's retried shard kept $kept thumbnails the killed one had made"
fi
same_as_single "$work/parallel-out" "GNU parallel (4 shards, one killed and retried)"

echo "cluster_check: $retry_note"
echo "cluster_check: passed in $(($(date +%s) - started_at)) s"
