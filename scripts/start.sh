#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ -x build/bin/varenna ]; then
  exec build/bin/varenna "$@"
fi
exec build/bin/varenna-batch --help
