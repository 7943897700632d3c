#!/usr/bin/env bash
# How smoothly the full-screen saver moves from one panorama of a folder to
# the next: a folder of two 8192 x 4096 JPEGs (made by upscaling samples),
# "Size" 100, moving, ChangeEvery 10, with the crossfade and with cuts, on
# 1920 x 1080 and 3840 x 2160 screens under Xvfb. For every switch the saver
# logs the longest time between two frames from the moment the next
# panorama is due (its load starts in the background) to the end of the
# fade or the cut, and the longest gap in the steady time before it (the
# machine's own noise). Reports those gaps, the frame rate and the peak
# resident memory (two decoded panoramas at most: 2 x 96 MiB). Goal: no
# switch stalls a frame by more than one frame time, i.e. the longest gap
# stays within two frame periods. Run it on a quiet machine: other work's
# stalls show in the steady column too.
# SKYWEAVE_BENCH_SWITCHES sets how many switches each line waits for
# (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/saver-harness.sh

switches=${SKYWEAVE_BENCH_SWITCHES:-3}
saver_bench_begin
mkdir -p "$work/folder"
saver_scaled_sample city 8192 "$work/folder/city-8192.jpg"
saver_scaled_sample sunset 8192 "$work/folder/sunset-8192.jpg"

# measure GEOMETRY FADE: one line of the table.
measure() {
  local geometry=$1 fade=$2
  saver_start_xvfb "${geometry}x24"
  saver_settings "FilePath=$work/folder" "Size=100" "Moving=1" "ChangeEvery=10" "Fade=$fade"
  saver_run "event show"
  local start frames0
  start=$(date +%s.%N)
  frames0=$(saver_frames)
  for _ in $(seq 1 $((switches * 40))); do
    [ "$(grep -c 'switch longest frame gap' "$work/saver.log")" -ge "$switches" ] && break
    sleep 0.5
  done
  local end frames1 peak
  end=$(date +%s.%N)
  frames1=$(saver_frames)
  peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$saver_pid/status")
  saver_end
  saver_stop_xvfb
  local gaps steady
  gaps=$(grep -o 'switch longest frame gap [0-9]*' "$work/saver.log" | awk '{print $5}' | tr '\n' ' ')
  steady=$(grep -o 'steady longest frame gap [0-9]*' "$work/saver.log" | awk '{print $5}' | tr '\n' ' ')
  awk -v g="$geometry" -v fade="$fade" -v f0="$frames0" -v f1="$frames1" -v t0="$start" \
      -v t1="$end" -v gaps="$gaps" -v steady="$steady" -v peak="$peak" 'BEGIN {
    fps = (f1 - f0) / (t1 - t0)
    period = 1000 / fps
    n = split(gaps, list, " ")
    worst = 0; shown = ""
    for (i = 1; i <= n; i++) {
      ms = list[i] / 1000
      if (ms > worst) worst = ms
      shown = shown sprintf("%.1f ", ms)
    }
    m = split(steady, calm, " ")
    calm_worst = 0
    for (i = 2; i <= m; i++) if (calm[i] / 1000 > calm_worst) calm_worst = calm[i] / 1000
    goal = n == 0 ? "NO SWITCH" : (worst <= 2 * period ? "met" : "MISSED")
    printf "%-10s %-4s %8.1f %9.1f  %-26s %9.1f %10.1f %8.0f  %s\n", g, fade ? "on" : "off",
           fps, period, shown, worst, calm_worst, peak / 1024, goal
  }'
}

printf "%-10s %-4s %8s %9s  %-26s %9s %10s %8s  %s\n" screen fade "frames/s" "period ms" \
  "longest gap per switch ms" "worst ms" "steady ms" "peak MiB" "<= 2 periods"
measure 1920x1080 1
measure 1920x1080 0
measure 3840x2160 1
measure 3840x2160 0
echo "(frames/s over the whole run, switches included; steady: the longest gap between"
echo " switches, the first panorama's start left out; peak: the process' VmHWM)"
