#!/usr/bin/env bash
# How soon the full-screen saver shows its first panorama when FilePath
# names a folder: a single 512 x 256 JPEG as the file, a folder of 1,000
# such files, and a folder of 100,000 names (hard links to them, one in
# every tenth folder of a two-level tree, the rest text files) under Xvfb.
# The time runs from the program's start to its log line of the first
# panorama shown; the listing runs in the background, so a folder should
# start about as fast as the file alone. Also reports how long the whole
# listing of the large folder takes (the first round's end).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/saver-harness.sh

saver_bench_begin
saver_scaled_sample courtyard 512 "$work/one.jpg" 90
mkdir -p "$work/thousand" "$work/large"
for i in $(seq 1 1000); do ln "$work/one.jpg" "$work/thousand/p$i.jpg"; done
for d in $(seq 1 100); do
  mkdir -p "$work/large/d$d"
  for i in $(seq 1 1000); do
    if [ $((i % 100)) -eq 0 ]; then
      ln "$work/one.jpg" "$work/large/d$d/p$i.jpg"
    else
      : >"$work/large/d$d/n$i.txt"
    fi
  done
done

# first_show PATH [PATTERN]: seconds from start to the first panorama on
# screen, or to the first log line matching PATTERN.
first_show() {
  saver_settings "FilePath=$1" "Size=50"
  local start end
  start=$(date +%s.%N)
  saver_run "${2:-event load done}"
  end=$(date +%s.%N)
  saver_end
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

saver_start_xvfb 1280x720x24
# Once to warm the file cache and the program's start.
first_show "$work/one.jpg" >/dev/null
printf "%-44s %s\n" "FilePath" "seconds to the first panorama"
printf "%-44s %s\n" "one 512 x 256 JPEG" "$(first_show "$work/one.jpg")"
printf "%-44s %s\n" "a folder of 1,000 of them" "$(first_show "$work/thousand")"
printf "%-44s %s\n" "a folder of 100,000 names (1,000 pictures)" "$(first_show "$work/large")"
printf "%-44s %s\n" "... and to the end of its listing" "$(first_show "$work/large" "event listed")"
echo "(each from the program's start; the file cache is warm)"
