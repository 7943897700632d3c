# Sourced by the script tests: a private Xvfb and a throwaway work folder,
# both removed on exit. After x_session_start, DISPLAY names the server and
# $work is the folder. Never uses a DISPLAY inherited from the caller.

work=$(mktemp -d "${TMPDIR:-/tmp}/skyweave-hack-test.XXXXXX")
chmod 755 "$work"
x_session_pids=()

x_session_cleanup() {
  local pid
  for pid in "${x_session_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${x_session_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  # SKYWEAVE_TEST_KEEP=DIR keeps the screenshots and logs for a post-mortem.
  if [ -n "${SKYWEAVE_TEST_KEEP:-}" ]; then
    rm -rf "$SKYWEAVE_TEST_KEEP" && cp -r "$work" "$SKYWEAVE_TEST_KEEP"
  fi
  rm -rf "$work"
}
trap x_session_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# x_session_start WIDTH HEIGHT: starts Xvfb on a free display number.
x_session_start() {
  unset DISPLAY WAYLAND_DISPLAY
  exec {dpyfd}>"$work/display"
  Xvfb -displayfd "$dpyfd" -screen 0 "${1}x${2}x24" -nolisten tcp -noreset 2>"$work/xvfb.log" &
  x_session_pids+=($!)
  exec {dpyfd}>&-
  local i
  for i in $(seq 200); do
    [ -s "$work/display" ] && break
    sleep 0.05
  done
  [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n1 "$work/display")"
}

# wait_until SECONDS COMMAND...: polls COMMAND every 50 ms; false on timeout.
wait_until() {
  local limit=$1
  shift
  local end=$(($(date +%s%N) + ${limit%.*} * 1000000000))
  while ! "$@"; do
    [ "$(date +%s%N)" -gt "$end" ] && return 1
    sleep 0.05
  done
}
