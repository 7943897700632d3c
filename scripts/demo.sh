#!/usr/bin/env bash
# Builds the saver and runs it full screen on a bundled sample panorama.
#
# With a desktop (DISPLAY set) the saver covers the screen until a key, a
# click or a mouse movement ends it. Without one the script starts its own
# X server (Xvfb, 1280x720x24), lets the saver run for about 8 seconds,
# saves three screenshots in out/demo/, ends the saver with a key press and
# checks that it ended. Settings go to a throwaway folder, never to yours.
# SKYWEAVE_JOBS limits the build's parallel jobs (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/deps.sh
skyweave_install_packages

# SKYWEAVE_BUILD_DIR picks another optimised build folder than the release
# preset's (for instance beside a build that is in use).
if [ -n "${SKYWEAVE_BUILD_DIR:-}" ]; then
  build=$SKYWEAVE_BUILD_DIR
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j "${SKYWEAVE_JOBS:-$(nproc)}" --target skyweave
else
  build=$root/build/release
  cmake --preset release >/dev/null
  cmake --build --preset release -j "${SKYWEAVE_JOBS:-$(nproc)}" --target skyweave
fi
program=$build/src/app/skyweave
sample=$root/samples/courtyard.jpg

work=$(mktemp -d)
xvfb_pid=""
saver_pid=""
cleanup() {
  if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then
    kill "$saver_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
"$program" /a "$sample"
echo "Stored $sample as the panorama (settings in a throwaway folder)."

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting the saver; any key, click or mouse movement ends it."
  "$program" /s
  exit $?
fi

echo "No DISPLAY: starting a private X server (Xvfb 1280x720x24)."
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start." >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

"$program" /s &
saver_pid=$!

out=$root/out/demo
mkdir -p "$out"
shots=()
for i in 1 2 3; do
  sleep "$([ "$i" -eq 1 ] && echo 3 || echo 2.5)"
  shot=$out/screenshot-$i.png
  import -window root "$shot"
  shots+=("$shot")
done

xdotool key space
# The saver shows its splash for two seconds after the key, then exits.
for _ in $(seq 1 100); do
  kill -0 "$saver_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$saver_pid" 2>/dev/null; then
  echo "The saver did not end after the key press." >&2
  exit 1
fi
status=0
wait "$saver_pid" || status=$?
saver_pid=""
if [ "$status" -ne 0 ]; then
  echo "The saver ended with exit code $status." >&2
  exit 1
fi
echo "The saver ended after the key press (exit code 0)."
echo "Screenshots:"
printf '  %s\n' "${shots[@]}"
