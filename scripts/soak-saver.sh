#!/usr/bin/env bash
# Soak test of the full-screen saver: runs it under Xvfb (1280x720x24) with a
# sample panorama for 10 minutes (SKYWEAVE_SOAK_SECONDS), samples resident
# memory every 10 seconds and reports the frame rate and the samples.
# Resident memory after the first minute must not grow: it fails when the
# second half of the run ends more than 256 KiB above its start (a steady
# leak), or the end is more than 4 MiB above the one-minute mark (a large
# one-off growth; allocators may settle once by a page run, which is not a
# leak).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/saver-harness.sh

duration=${SKYWEAVE_SOAK_SECONDS:-600}
saver_bench_begin
saver_start_xvfb 1280x720x24
saver_settings "FilePath=$PWD/samples/city.jpg" "Size=60" "Moving=1"
saver_run

start=$(date +%s)
baseline=""
midpoint=""
rss=0
while :; do
  sleep 10
  elapsed=$(($(date +%s) - start))
  rss=$(saver_rss_kib)
  echo "t=${elapsed}s rss=${rss} KiB frames=$(saver_frames)"
  if [ "$elapsed" -ge 60 ] && [ -z "$baseline" ]; then baseline=$rss; fi
  if [ "$elapsed" -ge $((duration / 2)) ] && [ -z "$midpoint" ]; then midpoint=$rss; fi
  [ "$elapsed" -ge "$duration" ] && break
done
frames=$(saver_frames)
saver_end
baseline=${baseline:-$rss}
midpoint=${midpoint:-$baseline}
echo "frames per second: $((frames / (duration > 0 ? duration : 1)))"
echo "resident memory: ${baseline} KiB after the first minute, ${midpoint} KiB at half time," \
     "${rss} KiB at the end"
if [ $((rss - midpoint)) -gt 256 ] || [ $((rss - baseline)) -gt 4096 ]; then
  echo "Resident memory grows." >&2
  exit 1
fi
echo "No growth."
