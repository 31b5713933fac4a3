#!/usr/bin/env bash
# Registers the job definition beside this script and submits an AWS Batch
# array job of N children: child I (AWS_BATCH_JOB_ARRAY_INDEX) renders rows
# I, I+N, ... of the whole list. AWS Batch does not tell a child the array's
# size, so N travels in VARENNA_SHARDS (--shard env/N), with the pinned
# date in VARENNA_DATE.
#   scripts/aws_batch/submit_array.sh QUEUE [N] [YYYY-MM-DD]
set -euo pipefail
queue=${1:?usage: submit_array.sh QUEUE [N] [YYYY-MM-DD]}
shards=${2:-4}
date=${3:-$(date -u +%F)}
here=$(dirname "$0")
aws batch register-job-definition --cli-input-json "file://$here/varenna_job_definition.json" >/dev/null
aws batch submit-job --job-name varenna-thumbnails --job-queue "$queue" \
  --job-definition varenna-thumbnails --array-properties "size=$shards" \
  --container-overrides "environment=[{name=VARENNA_SHARDS,value=$shards},{name=VARENNA_DATE,value=$date}]"
