#!/usr/bin/env bash
# The full-screen saver on one monitor against two, under Xvfb: 1920 x 1080
# alone, then 1920 x 1080 beside 1280 x 1024 lowered by 100 (RandR monitors
# set with xrandr), "Size" 50, moving, no frame cap, from a 4096 x 2048
# panorama made by upscaling a sample. Reports frame requests per second
# (each draws every monitor's view), views drawn per second, processor time
# per second and the resident memory, which shows that the panorama is held
# once whatever the number of monitors.
# SKYWEAVE_BENCH_SECONDS sets each measured span (default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/saver-harness.sh

seconds=${SKYWEAVE_BENCH_SECONDS:-10}
saver_bench_begin
saver_scaled_sample courtyard 4096 "$work/pano-4096.jpg"
ticks_per_second=$(getconf CLK_TCK)

# measure NAME GEOMETRY [XRANDR-MONITOR...]: one line of the table; each
# monitor is "NAME GEOMETRY OUTPUT" as xrandr --setmonitor takes it.
measure() {
  local name=$1 geometry=$2
  shift 2
  saver_start_xvfb "${geometry}x24"
  local monitor
  for monitor in "$@"; do
    # shellcheck disable=SC2086  # the three words of one monitor
    xrandr --setmonitor $monitor
  done
  saver_settings "FilePath=$work/pano-4096.jpg" "Size=50" "Moving=1" "MaxFrameRate=0"
  saver_run
  sleep 2  # past the load and the first allocations
  local views0 cpu0 start views1 cpu1 end rss count
  views0=$(saver_frames)
  cpu0=$(saver_cpu_ticks)
  start=$(date +%s.%N)
  sleep "$seconds"
  views1=$(saver_frames)
  cpu1=$(saver_cpu_ticks)
  end=$(date +%s.%N)
  rss=$(saver_rss_kib)
  count=$(grep -m1 '^event monitors ' "$work/saver.log" | awk '{print $3}')
  saver_end
  saver_stop_xvfb
  awk -v name="$name" -v n="$count" -v v0="$views0" -v v1="$views1" -v c0="$cpu0" \
      -v c1="$cpu1" -v t0="$start" -v t1="$end" -v hz="$ticks_per_second" -v rss="$rss" 'BEGIN {
    span = t1 - t0
    views = (v1 - v0) / span
    printf "%-22s %8d %9.1f %9.1f %8.1f %10.1f\n", name, n, views / n, views,
           (c1 - c0) / hz / span * 100, rss / 1024
  }'
}

printf "%-22s %8s %9s %9s %8s %10s\n" layout monitors "frames/s" "views/s" "% core" "RSS MiB"
measure "1920x1080" 1920x1080
measure "1920x1080 + 1280x1024" 3200x1124 \
  "left 1920/508x1080/286+0+0 screen" "right 1280/338x1024/271+1920+100 none"
echo "(frames/s: frame requests per second, each drawing every view; % core: processor"
echo " time per second over one core; RSS: resident memory at the end of the span)"
