#!/usr/bin/env bash
# Runs every seed of a corpus folder through a libFuzzer target once. A
# single allocation over 1 GiB, past every decode bound, counts as a
# failure.
set -euo pipefail
fuzzer=$1
corpus=$2
# The leaks of system libraries the other tests allow, allowed here too.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/lsan.supp:print_suppressions=0}
mapfile -t seeds < <(find "$corpus" -type f | sort)
if [ ${#seeds[@]} -eq 0 ]; then
  echo "no seeds in $corpus" >&2
  exit 1
fi
exec "$fuzzer" -malloc_limit_mb=1024 "${seeds[@]}"
