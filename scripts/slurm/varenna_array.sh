#!/usr/bin/env bash
# A Slurm job array over one list of pictures: task I of N renders rows
# I, I+N, I+2N, ... of the whole list, named as one run would name them, so
# the tasks' files together are one run's files. Usage:
#
#   sbatch --array=0-7 scripts/slurm/varenna_array.sh \
#     -f jpeg -q 85 -o /srv/thumbs -n 'img%####' --date 2026-12-08 \
#     --files-from list.txt
#
# Number the array from 0 (--array=0-7, no step): varenna-batch takes I
# from SLURM_ARRAY_TASK_ID and N from SLURM_ARRAY_TASK_COUNT. Pin --date, or
# tasks that start on either side of midnight disagree on date tokens and
# the dated folder. Set VARENNA_REPORT_DIR to have each task write its JSON
# Lines report there. A retried task is an array of its own, whose count is
# 1, so give it the first count:
#
#   VARENNA_SHARDS=8 sbatch --array=5 scripts/slurm/varenna_array.sh ...
#SBATCH --job-name=varenna-thumbnails
#SBATCH --array=0-3
#SBATCH --cpus-per-task=1
#SBATCH --output=varenna-%A_%a.out
set -euo pipefail

shard=env
# A retried task runs in an array of its own (--array=2), whose count is 1:
# VARENNA_SHARDS keeps the first submission's count.
if [ -n "${VARENNA_SHARDS:-}" ]; then shard="env/${VARENNA_SHARDS}"; fi
report=()
if [ -n "${VARENNA_REPORT_DIR:-}" ]; then
  report=(--report "${VARENNA_REPORT_DIR}/report-${SLURM_ARRAY_TASK_ID}.jsonl")
fi
exec "${VARENNA_BATCH:-varenna-batch}" --shard "$shard" --jobs "${SLURM_CPUS_PER_TASK:-1}" "${report[@]}" "$@"
