# Sourced by the saver's benchmark and soak scripts: installs what they need,
# builds the program, starts a private Xvfb, writes settings by hand and runs
# the full-screen saver with its frame log, and reads the process' CPU time
# and memory.

# shellcheck source=scripts/deps.sh
source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"

# saver_bench_begin: the start every benchmark and soak script shares, run
# from the repository's root: installs missing Debian packages, forgets the
# caller's display (each run makes its own Xvfb), makes the scratch folder
# $work (removed on exit, the saver and Xvfb ended) and builds $program.
saver_bench_begin() {
  skyweave_install_packages
  unset DISPLAY WAYLAND_DISPLAY
  work=$(mktemp -d)
  trap saver_cleanup EXIT
  saver_build
}

# saver_scaled_sample NAME WIDTH FILE [QUALITY]: writes samples/NAME.jpg
# scaled to WIDTH x WIDTH/2 pixels, the whole sphere still, to FILE as a JPEG
# of QUALITY (default 92): panoramas of a real camera's size from the small
# samples.
saver_scaled_sample() {
  convert "samples/$1.jpg" -resize "${2}x$(($2 / 2))!" -quality "${4:-92}" "$3"
}

# saver_build: builds the optimised program; sets $program.
# SKYWEAVE_BUILD_DIR picks another build folder than the release preset's.
saver_build() {
  if [ -n "${SKYWEAVE_BUILD_DIR:-}" ]; then
    cmake -S . -B "$SKYWEAVE_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$SKYWEAVE_BUILD_DIR" -j "${SKYWEAVE_JOBS:-$(nproc)}" --target skyweave >/dev/null
    program=$SKYWEAVE_BUILD_DIR/src/app/skyweave
  else
    cmake --preset release >/dev/null
    cmake --build --preset release -j "${SKYWEAVE_JOBS:-$(nproc)}" --target skyweave >/dev/null
    program=$PWD/build/release/src/app/skyweave
  fi
}

# saver_start_xvfb GEOMETRY: starts Xvfb with screen GEOMETRY (WxHxD) in
# $work; sets $xvfb_pid and exports DISPLAY.
saver_start_xvfb() {
  exec 3>"$work/display"
  # -noreset: monitors set with xrandr stay when their client has gone.
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start." >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
}

# saver_settings KEY=VALUE...: writes the settings file of the program.
saver_settings() {
  export XDG_CONFIG_HOME=$work/config
  mkdir -p "$XDG_CONFIG_HOME/Corvane"
  { echo "[Settings]"; printf '%s\n' "$@"; } >"$XDG_CONFIG_HOME/Corvane/skyweave.conf"
}

# saver_run [PATTERN]: starts "skyweave /s" with its frame log in
# $work/saver.log; sets $saver_pid and waits for a log line matching PATTERN
# (default: the first frame).
saver_run() {
  local ready=${1:-^frame }
  SKYWEAVE_FRAME_LOG=1 "$program" /s 2>"$work/saver.log" &
  saver_pid=$!
  for _ in $(seq 1 300); do
    grep -q "$ready" "$work/saver.log" 2>/dev/null && return 0
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "The saver logged no line matching $ready:" >&2
  cat "$work/saver.log" >&2
  exit 1
}

# saver_frames: frames logged so far.
saver_frames() { grep -c '^frame ' "$work/saver.log" || true; }

# saver_cpu_ticks: user + system CPU time of the saver in clock ticks.
saver_cpu_ticks() { awk '{print $14 + $15}' "/proc/$saver_pid/stat"; }

# saver_rss_kib: resident memory of the saver in KiB.
saver_rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$saver_pid/status"; }

# saver_end: ends the saver with a key and waits for its exit code (0).
saver_end() {
  xdotool key space
  local status=0
  wait "$saver_pid" || status=$?
  saver_pid=""
  [ "$status" -eq 0 ] || { echo "The saver ended with exit code $status." >&2; exit 1; }
}

# saver_stop_xvfb: ends Xvfb and waits for it, so that the next
# saver_start_xvfb starts on a fresh server.
saver_stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}

saver_cleanup() {
  if [ -n "${saver_pid:-}" ]; then kill "$saver_pid" 2>/dev/null || true; fi
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
