#!/usr/bin/env bash
# Soak test of the full-screen saver: runs it under Xvfb (1280x720x24) with a
# sample panorama for 10 minutes (SKYWEAVE_SOAK_SECONDS), samples resident
# memory every 10 seconds, and fails when memory after the first minute grows
# by more than 1 MiB. Reports the frame rate and the memory samples.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
skyweave_install_packages
source scripts/saver-harness.sh
unset DISPLAY WAYLAND_DISPLAY

duration=${SKYWEAVE_SOAK_SECONDS:-600}
work=$(mktemp -d)
trap saver_cleanup EXIT
saver_build
saver_start_xvfb 1280x720x24
saver_settings "FilePath=$PWD/samples/city.jpg" "Size=60" "Moving=1"
saver_run

start=$(date +%s)
baseline=""
peak=0
while :; do
  sleep 10
  now=$(date +%s)
  elapsed=$((now - start))
  rss=$(saver_rss_kib)
  echo "t=${elapsed}s rss=${rss} KiB frames=$(saver_frames)"
  if [ "$elapsed" -ge 60 ]; then
    [ -n "$baseline" ] || baseline=$rss
    [ "$rss" -gt "$peak" ] && peak=$rss
  fi
  [ "$elapsed" -ge "$duration" ] && break
done
frames=$(saver_frames)
saver_end
echo "frames per second: $((frames / (duration > 0 ? duration : 1)))"
echo "resident memory after the first minute: ${baseline} KiB, peak ${peak} KiB"
if [ -n "$baseline" ] && [ $((peak - baseline)) -gt 1024 ]; then
  echo "Resident memory grew by $((peak - baseline)) KiB." >&2
  exit 1
fi
echo "No growth."
