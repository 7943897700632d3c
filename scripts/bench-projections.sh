#!/usr/bin/env bash
# Time of each projection against the rectilinear view, measured through
# skyweave-render on a 4096 x 2048 JPEG made at run time from a sample
# picture: 200 moving frames at 1920x1080 on 2 threads per projection, at a
# zoom each projection is made for (goal: within 1.5 times the rectilinear
# time).
# Usage: scripts/bench-projections.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
render=$build/tools/skyweave-render
if [ ! -x "$render" ]; then
  echo "bench-projections: $render not found; build the skyweave-render target first" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
picture=$work/panorama-4096x2048.jpg
convert samples/city.jpg -resize '4096x2048!' -quality 90 "$picture"

# Pulls key=value out of the output line.
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }

base=
for run in "rectilinear 0,0,0,90" "stereographic 0,-90,0,240" "stereographic 0,0,0,150" \
  "fisheye 0,20,0,180" "fisheye 0,0,0,360" "pannini 0,0,0,150"; do
  set -- $run
  out=$("$render" "$picture" --frames 200 --size 1920x1080 --threads 2 --projection "$1" \
    --view "$2")
  ms=$(field ms_per_frame "$out")
  base=${base:-$ms}
  awk -v p="$1" -v v="$2" -v m="$ms" -v b="$base" \
    'BEGIN { printf "%-13s view %-12s ms_per_frame=%.3f (%.2f x rectilinear)\n", p, v, m, m / b }'
done
