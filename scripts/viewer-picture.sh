#!/usr/bin/env bash
# Makes the README's picture of the viewer: skyweave-view on a private Xvfb
# opens the courtyard sample at a view looking a little up, is dragged to
# the side with the pointer as a user would, and its window is read back
# once it rests (the still filter) and written, scaled to 960x540, as
#   docs/skyweave-view.png
# The viewer must end with status 0 on Escape, else nothing is written.
#   scripts/viewer-picture.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
viewer=$build/src/viewer/skyweave-view
[ -x "$viewer" ] || { echo "no $viewer: build the release preset first" >&2; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

# Rest lines tell when a still frame is on screen.
SKYWEAVE_VIEW_LOG=1 XDG_CONFIG_HOME=$work/config "$viewer" --view 30,8,0,75 \
  samples/courtyard.jpg 2>"$work/log" &
viewer_pid=$!
pids+=($viewer_pid)
rests() { grep -c '^rest ' "$work/log" || true; }
wait_rests() {
  for _ in $(seq 200); do [ "$(rests)" -ge "$1" ] && return 0; sleep 0.1; done
  echo "the viewer drew no resting frame: $(cat "$work/log")" >&2
  exit 1
}
wait_rests 1
window=$(xdotool search --name 'Skyweave Viewer' | head -n1)
xdotool mousemove --window "$window" 800 380 mousedown 1 mousemove --window "$window" 700 390 \
  mousemove --window "$window" 560 400 mouseup 1
wait_rests 2
import -silent -window "$window" "$work/shot.png"
xdotool keydown --window "$window" Escape
wait "$viewer_pid" || { echo "the viewer ended with status $?" >&2; exit 1; }
xdotool keyup Escape
convert "$work/shot.png" -resize 960x540 -strip docs/skyweave-view.png
echo "docs/skyweave-view.png: $(identify -format '%wx%h' docs/skyweave-view.png)"
