#!/usr/bin/env bash
# Builds and runs every test: the release build, the AddressSanitizer +
# UndefinedBehaviorSanitizer build, the fuzz targets over their seed
# corpora, a short run of the demo, and the threaded renderer's tests under
# ThreadSanitizer. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/deps.sh
skyweave_install_packages

jobs=${SKYWEAVE_JOBS:-$(nproc)}

# GUI tests need an X server; each such test starts its own Xvfb, so no
# DISPLAY from the caller may leak into them.
unset DISPLAY WAYLAND_DISPLAY

run_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs" --timeout 600
}

# Every test writes its settings and staging files into throwaway folders.
export XDG_CONFIG_HOME="$(mktemp -d)"
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"' EXIT

run_preset fuzz
(
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
  run_preset asan
)
run_preset release
# The demo's own checks (the saver's exit, its files, frames that differ, a
# crossfade between two panoramas) on a short recording of the release build.
echo "=== demo: short recording"
SKYWEAVE_DEMO_SECONDS=2 SKYWEAVE_DEMO_OUT="$XDG_RUNTIME_DIR/demo" SKYWEAVE_JOBS=$jobs \
  bash scripts/demo.sh
(
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  run_preset tsan
)
