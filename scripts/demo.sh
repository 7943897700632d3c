#!/usr/bin/env bash
# Builds the saver and runs it full screen on the bundled sample panoramas,
# shown as a folder: each for ten seconds, cross-fading into the next.
#
# With a desktop (DISPLAY set) the saver covers the screen until a key, a
# click or a mouse movement ends it. Without one the script starts its own
# X server (Xvfb, 1280x720x24), records the saver's own frames from the
# server's framebuffer at 15 frames a second across the first change of
# panorama, ends the saver with a key press and checks that it ended with
# status 0, that the picture moved and that the recording shows two
# panoramas. It writes to out/demo/:
#   skyweave.webp        the recording, animated, 640x360, every frame
#                        different from the one before
#   screenshot-1..3.png  full-size frames: the first panorama, the
#                        crossfade, the second panorama
# Settings go to a throwaway folder, never to yours.
#
# SKYWEAVE_DEMO_SECONDS  length of the recording, 1 to 20 (default 8); the
#                        saver runs about 3 seconds past the first change
#                        of panorama, whatever the length; the raw frames
#                        take 3.7 MB each (450 MB for 8 seconds) until the
#                        script ends
# SKYWEAVE_DEMO_OUT      folder for the files (default out/demo)
# SKYWEAVE_JOBS          the build's parallel jobs (default: all cores)
# SKYWEAVE_BUILD_DIR     another optimised build folder than the release
#                        preset's (for instance beside a build that is in use)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/deps.sh
skyweave_install_packages

seconds=${SKYWEAVE_DEMO_SECONDS:-8}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ] || [ "$seconds" -gt 20 ]; then
  echo "SKYWEAVE_DEMO_SECONDS must be a whole number of seconds from 1 to 20." >&2
  exit 2
fi
out=${SKYWEAVE_DEMO_OUT:-$root/out/demo}

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

work=$(mktemp -d)
xvfb_pid=""
saver_pid=""
stamp_pid=""
cleanup() {
  local pid
  for pid in "$saver_pid" "$stamp_pid" "$xvfb_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Ten seconds a panorama is the shortest ChangeEvery: the demo reaches a
# crossfade soon. A steady turn along the horizon reads better than speeds
# redrawn at random; the view is large enough to show the panorama and
# still drifts.
change_every=10
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
"$program" /a "$root/samples"
cat >>"$XDG_CONFIG_HOME/Corvane/skyweave.conf" <<EOF
Size=70
Zoom=100
Heading=5
HeadingRandom=0
Pitch=0
PitchRandom=0
Roll=0
RollRandom=0
Moving=1
ChangeEvery=$change_every
Fade=1
SmoothMotion=1
EOF
echo "Stored $root/samples as the panorama folder (settings in a throwaway folder)."

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting the saver; any key, click or mouse movement ends it."
  "$program" /s
  exit $?
fi

now_us() { echo "${EPOCHREALTIME/./}"; }

echo "No DISPLAY: starting a private X server (Xvfb 1280x720x24)."
mkdir -p "$work/fb"
exec 3>"$work/display"
# -fbdir keeps the screen in a file (in XWD form), so that frames can be
# copied as fast as the saver draws them without asking the server.
Xvfb -displayfd 3 -screen 0 1280x720x24 -fbdir "$work/fb" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ] || [ ! -s "$work/fb/Xvfb_screen0" ]; then
  echo "Xvfb did not start." >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

# The frame log, each line stamped with the time it arrived (microseconds),
# tells when each panorama showed and when the crossfade ran.
log=$work/frame.log
mkfifo "$work/log.fifo"
(while IFS= read -r line; do printf '%s %s\n' "${EPOCHREALTIME/./}" "$line"; done <"$work/log.fifo" >"$log") &
stamp_pid=$!
SKYWEAVE_FRAME_LOG=1 "$program" /s 2>"$work/log.fifo" &
saver_pid=$!

# The stamp of the log's first event line that begins with $1; nothing when
# there is none.
event_stamp() {
  awk -v text="$1" '$2 == "event" && index(substr($0, length($1) + 8), text) == 1 {
    print $1
    exit
  }' "$log"
}

# Waits until the log has an event line beginning with $1 or $2 microseconds
# have passed; prints the line's stamp.
wait_for_event() {
  local deadline=$(($(now_us) + $2)) stamp
  while [ "$(now_us)" -lt "$deadline" ]; do
    stamp=$(event_stamp "$1")
    if [ -n "$stamp" ]; then
      echo "$stamp"
      return 0
    fi
    kill -0 "$saver_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

if ! first_shown=$(wait_for_event "show " 20000000); then
  echo "The saver showed no panorama within 20 seconds." >&2
  exit 1
fi
# The change is due $change_every seconds after the first panorama shows;
# the next one loads and fades in over 1.5 seconds. The recording ends 3
# seconds after the change was due, or later, once the fade has ended; a
# short one starts half a second before the change is due.
change_us=$((first_shown + change_every * 1000000))
start_us=$((change_us + 3000000 - seconds * 1000000))
if [ "$start_us" -gt $((change_us - 500000)) ]; then
  start_us=$((change_us - 500000))
fi
if [ "$start_us" -lt "$(now_us)" ]; then
  start_us=$(now_us)
fi
end_us=$((start_us + seconds * 1000000))
# A fade that has not ended 10 seconds after the change was due never will.
limit_us=$((change_us + 10 * 1000000))
period_us=66667
frames=$work/frames
mkdir -p "$frames"
while [ "$(now_us)" -lt "$start_us" ]; do sleep 0.02; done
echo "Recording the saver's frames for $seconds seconds at 15 frames a second."
count=0
stamps=()
while :; do
  due=$((start_us + count * period_us))
  now=$(now_us)
  if [ "$due" -gt "$now" ]; then
    sleep "$(((due - now) / 1000000)).$(printf '%06d' $(((due - now) % 1000000)))"
  fi
  if ! kill -0 "$saver_pid" 2>/dev/null; then
    echo "The saver ended while it was being recorded." >&2
    exit 1
  fi
  cp "$work/fb/Xvfb_screen0" "$(printf '%s/%04d.xwd' "$frames" "$count")"
  stamps+=("$(now_us)")
  count=$((count + 1))
  if [ "${stamps[-1]}" -ge "$end_us" ]; then
    fade_end=$(event_stamp "fade end")
    if [ -n "$fade_end" ] && [ "${stamps[-1]}" -gt "$fade_end" ]; then
      break
    fi
  fi
  if [ "${stamps[-1]}" -ge "$limit_us" ]; then
    echo "No crossfade ended within 10 seconds of the change of panorama." >&2
    exit 1
  fi
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
wait "$stamp_pid" || true
stamp_pid=""
if [ "$status" -ne 0 ]; then
  echo "The saver ended with exit code $status." >&2
  exit 1
fi
echo "The saver ended after the key press (exit code 0)."

# Two different panoramas, the first on screen when the recording began and
# the second after the fade, before it ended.
shown=$(awk '$2 == "event" && $3 == "show" { $1 = $2 = $3 = ""; print }' "$log" | sort -u | wc -l)
fade_start=$(event_stamp "fade start")
fade_end=$(event_stamp "fade end")
if [ "$shown" -lt 2 ] || [ -z "$fade_start" ] || [ -z "$fade_end" ]; then
  echo "The saver did not cross-fade between two panoramas." >&2
  exit 1
fi
if [ "${stamps[0]}" -ge "$fade_start" ] || [ "${stamps[-1]}" -le "$fade_end" ]; then
  echo "The recording does not span the crossfade." >&2
  exit 1
fi

# Motion: the saver draws about four frames for each one recorded, so a
# recorded frame the same as the one before means that it drew none for a
# fifteenth of a second, which a busy machine may cause now and then. Such
# a frame is left out and the one before it held for longer, so that every
# frame of the recording differs from the one before; a picture that stood
# still for half the recording fails.
files=("$frames"/*.xwd)
kept=(0)
durations=(67)
for ((i = 1; i < ${#files[@]}; i++)); do
  if cmp -s "${files[i - 1]}" "${files[i]}"; then
    durations[-1]=$((durations[-1] + 67))
  else
    kept+=("$i")
    durations+=(67)
  fi
done
if [ $((2 * ${#kept[@]})) -lt "${#files[@]}" ]; then
  echo "Only ${#kept[@]} of ${#files[@]} recorded frames differ from the one before:" \
    "the picture stood still." >&2
  exit 1
fi

# The screenshots: the last frame before the fade, one halfway through it,
# the last frame.
frame_at() {
  local i
  for ((i = 0; i < ${#stamps[@]}; i++)); do
    [ "${stamps[i]}" -ge "$1" ] && break
  done
  echo $((i > 0 ? i - 1 : 0))
}
mkdir -p "$out"
rm -f "$out"/screenshot-*.png "$out"/skyweave.webp
shots=()
n=1
for i in "$(frame_at "$fade_start")" "$(frame_at $(((fade_start + fade_end) / 2)))" \
  $((${#files[@]} - 1)); do
  convert "xwd:${files[i]}" "$out/screenshot-$n.png"
  shots+=("$out/screenshot-$n.png")
  n=$((n + 1))
done

# 15 frames a second, half size, lossy: about 150 kilobytes a second. Every
# frame is a key frame: a frame drawn over the one before keeps, with lossy
# blending, stale blocks wherever the two are close, and they pile up.
kept_files=()
frame_args=()
for ((k = 0; k < ${#kept[@]}; k++)); do
  kept_files+=("xwd:${files[kept[k]]}")
  frame_args+=(-d "${durations[k]}" "$(printf '%s/small-%04d.png' "$work" "$k")")
done
convert "${kept_files[@]}" -resize 640x360 "$work/small-%04d.png"
if ! img2webp -loop 0 -kmax 1 -lossy -q 35 -m 4 "${frame_args[@]}" -o "$out/skyweave.webp" \
  >"$work/img2webp.txt" 2>&1; then
  cat "$work/img2webp.txt" >&2
  exit 1
fi
size=$(stat -c %s "$out/skyweave.webp")
if [ "$size" -gt $((3 * 1024 * 1024)) ]; then
  echo "The recording came out at $size bytes, more than 3 MiB." >&2
  exit 1
fi
recorded=$(webpmux -info "$out/skyweave.webp" | sed -n 's/^Number of frames: //p')
if [ "$recorded" -ne "${#kept[@]}" ]; then
  echo "The recording holds $recorded frames of ${#kept[@]}." >&2
  exit 1
fi
drawn=$(awk -v a="${stamps[0]}" -v b="${stamps[-1]}" \
  '$2 == "frame" && $1 >= a && $1 <= b { n++ } END { print n + 0 }' "$log")
echo "The saver drew $drawn frames while ${#files[@]} were recorded;" \
  "$((${#files[@]} - ${#kept[@]})) were the same as the one before."
echo "Recording: $out/skyweave.webp (${#kept[@]} frames, $size bytes)"
echo "Screenshots:"
printf '  %s\n' "${shots[@]}"
