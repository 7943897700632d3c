#!/bin/bash
# The program as a display mode of XScreenSaver on a private Xvfb:
#   xscreensaver_root_test.sh SKYWEAVE SOURCE_DIR SKYWEAVE_RENDER
# With a throwaway ~/.xscreensaver whose only program is
# "skyweave --root --file samples/courtyard.jpg", activating the daemon shows
# panorama pixels within 5 s, and deactivating it ends the program within
# 2 s with status 0 and no staging directory left.
#
# The saver's own stored settings hold the view still and full-screen (no
# motion, size 100), so the screen must match, pixel for pixel, the same view
# drawn by skyweave-render; the splash picture or a message cannot pass for
# it. That also shows the stored settings apply when no option overrides
# them.
#
# XScreenSaver refuses to launch display modes as root ("running as root: not
# launching hacks"), so when this runs as root the daemon and everything it
# starts run as the unprivileged user nobody; locking stays off. What nobody
# needs from a checkout in a private folder (the program, the sample, the
# sanitizer's suppressions file) is copied where nobody can read it.
set -euo pipefail
skyweave=$(realpath "$1")
source_dir=$(realpath "$2")
render=$(realpath "$3")
here=$(dirname "$(realpath "$0")")
source "$here/x_session.sh"

x_session_start 640 480

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
sample=$source_dir/samples/courtyard.jpg
recorder=$here/record_exit.sh
reachable() {
  "${as_user[@]}" test -x "$skyweave" -a -r "$sample" -a -x "$recorder"
}
if [ "${#as_user[@]}" -gt 0 ] && ! reachable; then
  # A checkout inside a private home is out of nobody's reach: the daemon
  # runs copies of the program, the recorder and the sample instead.
  stage=$work/stage
  mkdir -p "$stage"
  cp "$skyweave" "$stage/skyweave"
  cp "$recorder" "$stage/record_exit.sh"
  cp "$sample" "$stage/courtyard.jpg"
  chmod 755 "$stage" "$stage/skyweave" "$stage/record_exit.sh"
  chmod 644 "$stage/courtyard.jpg"
  skyweave=$stage/skyweave
  recorder=$stage/record_exit.sh
  sample=$stage/courtyard.jpg
  reachable || fail "the user nobody cannot reach $stage: the daemon's display modes run as nobody"
fi
# A sanitizer build reads the suppressions file its options name (in the
# checkout) when the program ends; a file nobody cannot read makes every
# display mode fail at its end, so nobody gets a copy of its own.
if [ "${#as_user[@]}" -gt 0 ]; then
  for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
    value=${!var:-}
    [[ $value =~ (^|:)suppressions=([^:]+) ]] || continue
    file=${BASH_REMATCH[2]}
    "${as_user[@]}" test -r "$file" && continue
    mkdir -p "$work/stage"
    chmod 755 "$work/stage"
    cp "$file" "$work/stage/$var.supp"
    chmod 644 "$work/stage/$var.supp"
    export "$var=${value/suppressions=$file/suppressions=$work/stage/$var.supp}"
    "${as_user[@]}" test -r "$work/stage/$var.supp" ||
      fail "the user nobody cannot read the suppressions copy in $work/stage"
  done
fi
mkdir -p "$work/home" "$work/tmp" "$work/config" "$work/run" "$work/out"
chmod 700 "$work/home" "$work/tmp" "$work/config" "$work/run"
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$work/home" "$work/tmp" "$work/config" "$work/run" "$work/out"
fi

mkdir -p "$work/config/Corvane"
cat >"$work/config/Corvane/skyweave.conf" <<EOT
[Settings]
Zoom=60
Heading=0
Pitch=0
Roll=0
Size=100
Moving=0
HeadingRandom=0
PitchRandom=0
RollRandom=0
EOT
[ "$(id -u)" -eq 0 ] && chown -R nobody:nogroup "$work/config"

# The view the saver must show: heading, pitch and roll 0, zoom 60, the whole
# 640 x 480 screen; as a moving frame, and as the still frame that follows.
for quality in 0 8; do
  "$render" "$sample" -o "$work/expected$quality.png" \
    --view 0,0,0,60 --size 640x480 --quality "$quality" >/dev/null ||
    fail "skyweave-render could not draw the expected view"
done

cat >"$work/home/.xscreensaver" <<EOT
mode:		one
selected:	0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
grabDesktopImages: False
timeout:	1:00:00
cycle:		1:00:00
programs:	$recorder $work/out $skyweave --root --file $sample \n
EOT
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$work/home/.xscreensaver"

env HOME="$work/home" TMPDIR="$work/tmp" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/run" "${as_user[@]}" \
  xscreensaver -no-splash -verbose >"$work/xscreensaver.log" 2>&1 &
x_session_pids+=($!)

# The daemon answers commands once it has set up its window.
xs_cmd() {
  env HOME="$work/home" "${as_user[@]}" xscreensaver-command "$@" >/dev/null 2>&1
}
wait_until 10 xs_cmd -time || fail "xscreensaver did not start: $(cat "$work/xscreensaver.log")"

xs_cmd -activate || fail "xscreensaver-command -activate failed"
activated=$(date +%s%N)

# Panorama pixels: thousands of colours, and the very picture of the view.
difference() {
  compare -metric RMSE "$work/shot.png" "$1" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p'
}
shows_panorama() {
  import -window root "$work/shot.png" 2>/dev/null || return 1
  local expected
  for expected in "$work/expected8.png" "$work/expected0.png"; do
    if awk -v d="$(difference "$expected")" 'BEGIN { exit !(d != "" && d < 0.02) }'; then
      [ "$(convert "$work/shot.png" -format '%k' info:)" -gt 1000 ]
      return
    fi
  done
  return 1
}
# The deadline is on the moment a screenshot is taken, not on the time the
# comparison of it takes on a busy machine.
shown=
while [ -z "$shown" ]; do
  taken=$(date +%s%N)
  if [ $((taken - activated)) -gt 5000000000 ]; then
    fail "no panorama on screen 5 s after -activate ($(convert "$work/shot.png" -format '%k' info: 2>/dev/null) colours, $(difference "$work/expected8.png") off the still view)
$(cat "$work/xscreensaver.log")
$(cat "$work/out/stderr" 2>/dev/null)"
  fi
  shows_panorama && shown=$taken
  sleep 0.05
done
[ -s "$work/out/pid" ] || fail "the program was not started through the configuration"
pid=$(cat "$work/out/pid")
kill -0 "$pid" 2>/dev/null || fail "the program is not running"
tr '\0' ' ' </proc/"$pid"/cmdline | grep -q -- "--root --file $sample" ||
  fail "unexpected command line: $(tr '\0' ' ' </proc/"$pid"/cmdline)"

deactivated=$(date +%s%N)
xs_cmd -deactivate || fail "xscreensaver-command -deactivate failed"
wait_until 2 test -s "$work/out/status" ||
  fail "the program still runs 2 s after -deactivate
$(cat "$work/xscreensaver.log")"
ended=$(date +%s%N)
status=$(cat "$work/out/status")
[ "$status" = 0 ] || fail "exit status $status; stderr: $(cat "$work/out/stderr")"
leftover=$(find "$work/tmp" -mindepth 1 -maxdepth 1 -name '~VL*')
[ -z "$leftover" ] || fail "staging directory left behind: $leftover"
echo "PASS: panorama on screen $(((shown - activated) / 1000000)) ms after -activate;" \
  "status 0 $(((ended - deactivated) / 1000000)) ms after -deactivate"
