#!/usr/bin/env bash
# Load time and peak memory of pictures through skyweave-render --stats,
# on one core (CPU 0 when taskset exists):
#   - an 8192 x 4096 picture in every format (JPEG, PNG, WebP, HEIC, AVIF,
#     BMP), best of 3 (goals: JPEG at most 0.45 s; no format more than 3
#     times the JPEG's time);
#   - a 16384 x 8192 JPEG, baseline and progressive, with the peak resident
#     memory of the whole run against the decoded picture (384 MiB) plus
#     15 % plus the frame buffers;
#   - the crafted JPEG streams of bench/jpeg_bombs.cpp (goal: each ends
#     within 10 s with peak memory under 1 GiB).
# The pictures are made from samples/city.jpg at run time (the 16384-wide
# ones by nearest-pixel enlargement, as ImageMagick's policy stops at 16000
# columns). Needs cjpeg, cwebp, heif-enc and ImageMagick.
# Usage: scripts/bench-load.sh [BUILD_DIR]   (default build/release; it
# must hold tools/skyweave-render and bench/skyweave_jpeg_bombs, built
# optimised)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
skyweave_install_packages libjpeg-turbo-progs webp libheif-examples time
build=${1:-build/release}
render=$build/tools/skyweave-render
bombs=$build/bench/skyweave_jpeg_bombs
for program in "$render" "$bombs"; do
  if [ ! -x "$program" ]; then
    echo "bench-load: $program not found; build it first" >&2
    exit 1
  fi
done
pin=()
if command -v taskset >/dev/null; then
  pin=(taskset -c 0)
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Pulls key=value out of the stats line.
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }

# One load: prints "load_ms peak_rss_kb image=WxH", or the failure.
load() {
  local stats
  if ! "${pin[@]}" "$render" "$1" --frames 1 --size 320x240 --stats >/dev/null 2>"$work/stats"; then
    echo "failed: $(cat "$work/stats")"
    return
  fi
  stats=$(cat "$work/stats")
  echo "$(field load_ms "$stats") $(field peak_rss_kb "$stats") image=$(field image "$stats")"
}

best_of_3() {
  local best=1e9 ms
  for _ in 1 2 3; do
    ms=$(load "$1" | cut -d' ' -f1)
    best=$(awk -v a="$best" -v b="$ms" 'BEGIN { print (b < a) ? b : a }')
  done
  echo "$best"
}

echo "== 8192 x 4096, one core, best of 3"
convert samples/city.jpg -resize '8192x4096!' -type TrueColor BMP3:"$work/p.bmp"
cjpeg -quality 90 "$work/p.bmp" > "$work/p.jpg"
convert "$work/p.bmp" PNG24:"$work/p.png"
cwebp -quiet -q 90 "$work/p.png" -o "$work/p.webp"
heif-enc -q 90 "$work/p.png" -o "$work/p.heic" >/dev/null
heif-enc -A -q 90 -p speed=8 "$work/p.png" -o "$work/p.avif" >/dev/null
jpeg_ms=$(best_of_3 "$work/p.jpg")
for format in jpg png webp heic avif bmp; do
  ms=$(best_of_3 "$work/p.$format")
  awk -v f="$format" -v ms="$ms" -v j="$jpeg_ms" -v size="$(stat -c %s "$work/p.$format")" 'BEGIN {
    printf "%-5s %9.1f ms  %5.2f x JPEG  (%d bytes)\n", f, ms, ms / j, size }'
done

echo "== 16384 x 8192 JPEG, one core"
djpeg samples/city.jpg > "$work/city.ppm"
python3 - "$work/city.ppm" "$work/big.ppm" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
w, h, pixels = int(parts[1]), int(parts[2]), parts[4]
scale = 16
with open(sys.argv[2], 'wb') as out:
    out.write(b'P6\n%d %d\n255\n' % (w * scale, h * scale))
    for y in range(h):
        row = pixels[y * w * 3:(y + 1) * w * 3]
        wide = b''.join(row[3 * x:3 * x + 3] * scale for x in range(w))
        out.write(wide * scale)
PY
cjpeg -quality 90 "$work/big.ppm" > "$work/big.jpg"
cjpeg -quality 90 -progressive "$work/big.ppm" > "$work/big-progressive.jpg"
rm "$work/big.ppm"
for name in big big-progressive; do
  read -r ms rss image <<<"$(load "$work/$name.jpg")"
  awk -v n="$name" -v ms="$ms" -v rss="$rss" -v img="$image" 'BEGIN {
    picture = 16384 * 8192 * 3 / 1048576
    frames = 2 * 320 * 256 * 3 / 1048576
    printf "%-16s %8.1f ms  peak RSS %7.1f MiB (%s; picture + 15 %% + frames = %.1f MiB)\n",
           n, ms, rss / 1024, img, picture * 1.15 + frames }'
done

echo "== crafted JPEG streams, one core: the whole run, loaded or refused"
"$bombs" "$work"
for name in arithmetic-32768 scans-8192; do
  # GNU time gives the wall time and the peak resident memory of the run
  # whether the load succeeds or not.
  /usr/bin/time -f "%e %M" -o "$work/time" "${pin[@]}" "$render" "$work/$name.jpg" \
    --frames 1 --size 320x240 --stats >/dev/null 2>"$work/stats" || true
  # The last line: GNU time writes the exit status before it on a failure.
  read -r seconds rss < <(tail -n 1 "$work/time")
  outcome=$(grep -o 'image=[0-9x]*' "$work/stats" || tail -n 1 "$work/stats")
  printf "%-18s %6d bytes  %5.2f s  peak RSS %6.1f MiB  %s\n" "$name" \
    "$(stat -c %s "$work/$name.jpg")" "$seconds" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" \
    "$outcome"
done
