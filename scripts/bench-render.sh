#!/usr/bin/env bash
# Speed of the view renderer: RenderView for a 1920 x 1088 frame from a
# synthetic 4096 x 2048 panorama at every depth (8, 15, 16, 24) and filter
# kind (0, 1, 8), the heading turning between frames; views straight up
# (the pole patch's share); a plain frame copy and a renderer that projects
# every pixel exactly, for scale. Goals on one core at depth 24: kind 0 at
# most 3 ms, kind 8 at most 12 ms per frame.
# Then the threads: kind 0 at depth 24 on a worker pool of 1 and of 2
# threads in the same run, wall time per frame, on every core: a 3840 x 2160
# frame from a 16384 x 8192 panorama (goal on a 2-core machine: 2 threads
# take at most 0.58 of the 1-thread time) and a 1920 x 1080 frame from a
# 4096 x 2048 one (goal: under 1 ms with 2 threads).
# Builds the benchmark with the release settings in build/bench, runs the
# single-thread cases on one core (CPU 0 when taskset exists) and prints a
# table of ms per frame
# (CPU time per frame) with, beside it, how many times faster each case is
# than the exact per-pixel projection: the goals are 95 / 3 = 31.7 times
# (kind 0) and 95 / 12 = 7.9 times (kind 8) that projection's speed, which
# still holds as a yardstick when other work slows the machine down.
# Usage: scripts/bench-render.sh [extra Google Benchmark options]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
skyweave_install_packages

build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target skyweave_render_bench -j "${SKYWEAVE_JOBS:-2}"

pin=()
if command -v taskset >/dev/null; then
  pin=(taskset -c 0)
fi
csv=$(mktemp)
threads_csv=$(mktemp)
trap 'rm -f "$csv" "$threads_csv"' EXIT
"${pin[@]}" "$build/bench/skyweave_render_bench" --benchmark_format=csv \
  --benchmark_filter=-RenderViewThreads --benchmark_min_time=0.5 "$@" >"$csv"
"$build/bench/skyweave_render_bench" --benchmark_format=csv \
  --benchmark_filter=RenderViewThreads --benchmark_min_time=1 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true >"$threads_csv"

# CSV columns: name, iterations, real_time, cpu_time, time_unit, ...
awk -F, '
  NR == 1 { next }
  {
    name = $1; gsub(/"/, "", name)
    cpu = $4; unit = $5; gsub(/"/, "", unit)
    if (unit == "us") cpu /= 1000; else if (unit == "ns") cpu /= 1e6; else if (unit == "s") cpu *= 1000
    n = split(name, part, "/")
    what = part[1]; depth = ""; kind = "-"
    for (i = 2; i <= n; ++i) {
      if (part[i] ~ /^depth:/) depth = substr(part[i], 7)
      if (part[i] ~ /^kind:/) kind = substr(part[i], 6)
    }
    if (what == "NaiveExactProjection") naive = cpu
    names[++count] = what; depths[count] = depth; kinds[count] = kind; cpus[count] = cpu
  }
  END {
    printf "%-22s %5s %4s %10s %12s  %s\n", "case", "depth", "kind", "ms/frame", "x naive", "goal"
    for (i = 1; i <= count; ++i) {
      speed = naive / cpus[i]
      goal = ""
      if (names[i] == "RenderView" && depths[i] == 24 && kinds[i] == 0)
        goal = sprintf("3 ms / 31.7x: %s", (cpus[i] <= 3 || speed >= 95 / 3) ? "met" : "MISSED")
      if (names[i] == "RenderView" && depths[i] == 24 && kinds[i] == 8)
        goal = sprintf("12 ms / 7.9x: %s", (cpus[i] <= 12 || speed >= 95 / 12) ? "met" : "MISSED")
      printf "%-22s %5s %4s %10.3f %12.1f  %s\n", names[i], depths[i], kinds[i], cpus[i], speed, goal
    }
  }' "$csv"

# Thread cases: the median of three repetitions, wall time.
echo
awk -F, '
  NR == 1 { next }
  {
    name = $1; gsub(/"/, "", name)
    if (name !~ /_median$/) next
    sub(/_median$/, "", name)
    real = $3; unit = $5; gsub(/"/, "", unit)
    if (unit == "us") real /= 1000; else if (unit == "ns") real /= 1e6; else if (unit == "s") real *= 1000
    n = split(name, part, "/")
    scene = part[2]; threads = substr(part[3], 9)
    ms[scene "/" threads] = real
    if (!(scene in seen)) { seen[scene] = 1; scenes[++count] = scene }
  }
  END {
    printf "%-28s %12s %12s %8s  %s\n", "threads case (depth 24, kind 0)", "1 thread ms", "2 threads ms", "ratio", "goal"
    for (i = 1; i <= count; ++i) {
      s = scenes[i]; one = ms[s "/1"]; two = ms[s "/2"]
      goal = ""
      if (s ~ /^3840x2160/) goal = sprintf("2 threads <= 0.58 x 1 thread: %s", (two <= 0.58 * one) ? "met" : "MISSED")
      if (s ~ /^1920x1080/) goal = sprintf("2 threads < 1 ms: %s", (two < 1) ? "met" : "MISSED")
      printf "%-28s %12.3f %12.3f %8.3f  %s\n", s, one, two, two / one, goal
    }
  }' "$threads_csv"
