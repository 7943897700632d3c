#!/usr/bin/env bash
# Frame rate of the full-screen saver: Xvfb 1920x1080x24, "Size" 100 (the
# view fills the screen), a 4096 x 2048 panorama made by upscaling a sample.
# The idle-paced frame loop runs free under Xvfb. Reports frames per second,
# CPU time per frame, and how a frame's time splits between rendering and
# presenting (converting the frame to the screen's format and pushing it).
# Targets: at least 150 frames per second; presenting cheaper than
# rendering. SKYWEAVE_BENCH_SECONDS sets the measured span (default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
skyweave_install_packages
source scripts/saver-harness.sh
unset DISPLAY WAYLAND_DISPLAY

seconds=${SKYWEAVE_BENCH_SECONDS:-10}
work=$(mktemp -d)
trap saver_cleanup EXIT
saver_build
convert samples/courtyard.jpg -resize '4096x2048!' -quality 92 "$work/pano-4096.jpg"
saver_start_xvfb 1920x1080x24
saver_settings "FilePath=$work/pano-4096.jpg" "Size=100" "Moving=1"
saver_run
sleep 2  # past the load and the first allocations

ticks_per_second=$(getconf CLK_TCK)
frames0=$(saver_frames)
cpu0=$(saver_cpu_ticks)
start=$(date +%s.%N)
sleep "$seconds"
frames1=$(saver_frames)
cpu1=$(saver_cpu_ticks)
end=$(date +%s.%N)
saver_end

stats=$(grep '^event statistics' "$work/saver.log" | tail -n1)
awk -v f0="$frames0" -v f1="$frames1" -v c0="$cpu0" -v c1="$cpu1" -v t0="$start" -v t1="$end" \
    -v hz="$ticks_per_second" -v stats="$stats" 'BEGIN {
  frames = f1 - f0; span = t1 - t0
  split(stats, s, " ")
  total = s[4]; draw = s[6] / 1e6; present = s[8] / 1e6
  printf "frames            %d in %.2f s\n", frames, span
  printf "frames per second %.1f (target >= 150)\n", frames / span
  printf "CPU per frame     %.3f ms\n", (c1 - c0) / hz * 1000 / frames
  printf "whole run         %d frames: draw %.3f ms/frame = render %.3f + present %.3f\n", \
         total, draw / total, (draw - present) / total, present / total
  printf "presenting %s rendering\n", (present < draw - present) ? "costs less than" : "costs MORE than"
}'
