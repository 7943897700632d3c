#!/usr/bin/env bash
# The options dialog on a private Xvfb server, driven by real key presses and
# clicks (xdotool): OK stores what the dialog shows, Escape stores nothing,
# Alt+B browses for a file or a folder, the time per panorama and the
# cross-fade are stored as typed and ticked, About opens the About box. Usage:
#   options_dialog_xvfb.sh PROGRAM
# PROGRAM is started as "PROGRAM /c" (the saver, or the test driver; either
# keeps its settings in Corvane/skyweave.conf). With
# SKYWEAVE_SHOTS_DIR set, screenshots of the dialog and the About box are
# saved there.
set -euo pipefail

program=$1
[ -x "$program" ] || { echo "FAIL: $program is not built" >&2; exit 1; }
shots=${SKYWEAVE_SHOTS_DIR:-}
work=$(mktemp -d)
xvfb_pid=
dialog_pid=
host_pid=

cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
    [ -n "$dialog_pid" ] && kill "$dialog_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

unset WAYLAND_DISPLAY DISPLAY
export XDG_CONFIG_HOME=$work/config
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory SKYWEAVE_APP_NAME=skyweave
settings=$XDG_CONFIG_HOME/Corvane/skyweave.conf

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# Starts the dialog (further arguments follow /c) and sets $wid to its window.
open_dialog() {
    "$program" /c "$@" >"$work/out" 2>"$work/err" &
    dialog_pid=$!
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Skyweave Options$' | head -n1) ||
        fail "no window titled \"Skyweave Options\" ($(cat "$work/err"))"
    timeout 5 xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
    sleep 0.3
}

# Waits for the dialog program to end with exit code 0. The test driver
# also prints the dialog's result, which must be $1; the saver prints nothing.
expect_result() {
    local status=0
    timeout 20 tail --pid="$dialog_pid" -f /dev/null || fail "dialog did not end"
    wait "$dialog_pid" || status=$?
    dialog_pid=
    [ "$status" -eq 0 ] || fail "dialog program exited with $status: $(cat "$work/err")"
    if [ -s "$work/out" ] || [ "$(basename "$program")" = skyweave_options_driver ]; then
        [ "$(cat "$work/out")" = "$1" ] || fail "dialog printed '$(cat "$work/out")', expected '$1'"
    fi
}

# Clicks the point at dialog units (x, y) of the 285 x 253 unit dialog.
click_at_units() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove "$((X + $2 * WIDTH / 285))" "$((Y + $3 * HEIGHT / 253))" click 1
}

# Alt+B, then types PATH into the chooser's location box and presses KEY
# (Return: open the file; alt+f: take the folder); the chooser must close.
browse_to() {
    xdotool key alt+b
    local chooser
    chooser=$(timeout 20 xdotool search --sync --onlyvisible --name '^Open$' | head -n1) ||
        fail "Alt+B opened no file dialog"
    xdotool windowfocus "$chooser" 2>/dev/null || true
    sleep 0.5
    xdotool key ctrl+l
    xdotool type --delay 20 "$1"
    sleep 0.5
    xdotool key "$2"
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1 || break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1 && fail "$2 left the chooser open"
    sleep 0.3
}

# A stand-in for the display settings' window, owner of the dialog.
xmessage -title "Display Properties" -geometry 600x400+0+0 "host" &
host_pid=$!
host=$(timeout 20 xdotool search --sync --onlyvisible --name '^Display Properties$' | head -n1) ||
    fail "no host window"
transient_of() {
    local hex
    hex=$(xprop -id "$1" WM_TRANSIENT_FOR | grep -o '0x[0-9a-f]*' || true)
    echo "$((16#${hex#0x}))"
}

# 1. No settings, owner given as "/c N": the dialog stays above window N, and
# Return presses OK, which stores the defaults as shown.
open_dialog "$host"
[ "$(transient_of "$wid")" -eq "$host" ] || fail "/c $host: dialog not transient for it"
[ -n "$shots" ] && mkdir -p "$shots" && import -window "$wid" "$shots/options-dialog.png"
xdotool key Return
expect_result OK
expected='[Settings]
FilePath=(none)
Heading=-15
Pitch=2
Roll=0
Size=20
HeadingRandom=1
PitchRandom=1
RollRandom=1
Moving=1
Zoom=60
ChangeEvery=120
Fade=1'
[ "$(cat "$settings")" = "$expected" ] || fail "OK stored: $(cat "$settings")"
echo "ok - /c N owns the dialog; Return stores the defaults it showed"

# 2. About opens the About box and its OK closes it; then changes and Escape
# store nothing. The saver's "/c" alone finds the "Display Properties" window.
cp "$settings" "$work/before"
if [ "$(basename "$program")" = skyweave ]; then
    open_dialog
    [ "$(transient_of "$wid")" -eq "$host" ] || fail "/c: dialog not transient for the host"
else
    open_dialog "$host"
fi
click_at_units "$wid" 253 239  # About
about=$(timeout 20 xdotool search --sync --onlyvisible --name '^About Skyweave Screensaver$' |
    head -n1) || fail "About opened no About box"
sleep 0.5
[ -n "$shots" ] && import -window root "$shots/about-box.png"
xdotool windowfocus "$about" 2>/dev/null || true
xdotool key Return
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^About Skyweave Screensaver$' >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^About Skyweave Screensaver$' >/dev/null 2>&1 &&
    fail "About box did not close"
xdotool windowfocus "$wid" 2>/dev/null || true
click_at_units "$wid" 100 25  # into the file box
xdotool key ctrl+a
xdotool type --delay 20 "/tmp/changed.pan"
click_at_units "$wid" 236 89  # heading "Random" off
xdotool key Escape
expect_result Cancel
cmp -s "$settings" "$work/before" || fail "Escape changed the settings: $(cat "$settings")"
echo "ok - About opens and closes; changes then Escape store nothing"

# 3. Alt+B browses; the chosen file's full path lands in the box; OK stores it.
mkdir -p "$work/pans"
: >"$work/pans/harbour.pan"
open_dialog
browse_to "$work/pans/harbour.pan" Return
click_at_units "$wid" 32 239  # OK
expect_result OK
grep -qx "FilePath=$work/pans/harbour.pan" "$settings" || fail "Browse stored: $(cat "$settings")"
echo "ok - Alt+B browses and OK stores the chosen path"

# 4. Browse takes a folder: typed into the chooser, then its folder button.
# The time per panorama is typed (never confirmed) and Crossfade unticked.
mkdir -p "$work/pans/night sky"
open_dialog
browse_to "$work/pans/night sky/" alt+f
xdotool windowfocus "$wid" 2>/dev/null || true
click_at_units "$wid" 70 216  # into the "Change every" box
xdotool key ctrl+a
xdotool type --delay 20 "45"
click_at_units "$wid" 236 216  # Crossfade off
[ -n "$shots" ] && import -window "$wid" "$shots/options-dialog-folder.png"
click_at_units "$wid" 32 239  # OK
expect_result OK
grep -qx "FilePath=$work/pans/night sky" "$settings" || fail "folder stored: $(cat "$settings")"
grep -qx "ChangeEvery=45" "$settings" || fail "change every stored: $(cat "$settings")"
grep -qx "Fade=0" "$settings" || fail "crossfade stored: $(cat "$settings")"
echo "ok - Browse takes a folder; the time per panorama and Crossfade are stored"
