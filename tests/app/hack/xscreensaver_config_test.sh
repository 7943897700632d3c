#!/bin/bash
# The daemon's settings description of the program:
#   xscreensaver_config_test.sh SKYWEAVE SOURCE_DIR
# 1. resources/xscreensaver/skyweave.xml is well-formed.
# 2. It is built like the configs Debian's xscreensaver-data ships (there is
#    no schema): every element stands under a parent it stands under there,
#    every attribute is one that element carries there, and the values make
#    sense (a "--root" command, sliders and spin buttons with low <= default
#    <= high, a file chooser, unique ids).
# 3. Every option it can produce is accepted by the program: each one runs
#    briefly under Xvfb and ends on SIGTERM with status 0, and one step past
#    each number's end is refused with status 2.
set -euo pipefail
skyweave=$(realpath "$1")
source_dir=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
xml=$source_dir/resources/xscreensaver/skyweave.xml
debian_dir=/usr/share/xscreensaver/config
source "$here/x_session.sh"

xmllint --noout "$xml" || fail "not well-formed"

q() { xmllint --xpath "$1" "$xml" 2>/dev/null; }

# Element and attribute names as Debian's configs use them.
debian=("$debian_dir"/*.xml)
[ -e "${debian[0]}" ] || fail "no configs in $debian_dir (package xscreensaver-data)"
debian_has() {
  local f
  for f in "${debian[@]}"; do
    [ "$(xmllint --xpath "count($1)" "$f" 2>/dev/null)" != 0 ] && return 0
  done
  return 1
}

[ "$(q 'name(/*)')" = screensaver ] || fail "the root element is not <screensaver>"
[ "$(q 'string(/screensaver/@name)')" = skyweave ] || fail "name is not skyweave"
[ -n "$(q 'string(/screensaver/@_label)')" ] || fail "no _label"
[ "$(q 'count(/screensaver/command)')" = 1 ] || fail "not exactly one <command>"
[ "$(q 'string(/screensaver/command/@arg)')" = --root ] || fail "the command is not --root"
[ "$(q 'string(//file/@arg)')" = "--file %" ] || fail "no file chooser for --file"
[ -n "$(q 'normalize-space(/screensaver/_description)')" ] || fail "no _description"

count=$(q 'count(//*)')
declare -A seen_pair seen_attr seen_id
for i in $(seq 1 "$count"); do
  element=$(q "name((//*)[$i])")
  parent=$(q "name((//*)[$i]/..)")
  if [ -n "$parent" ] && [ -z "${seen_pair[$parent/$element]:-}" ]; then
    debian_has "//$parent/$element" || fail "<$element> inside <$parent> appears in no Debian config"
    seen_pair[$parent/$element]=1
  fi
  attrs=$(q "count((//*)[$i]/@*)")
  for j in $(seq 1 "$attrs"); do
    attr=$(q "name((//*)[$i]/@*[$j])")
    if [ -z "${seen_attr[$element@$attr]:-}" ]; then
      debian_has "//$element[@$attr]" || fail "attribute $attr of <$element> appears in no Debian config"
      seen_attr[$element@$attr]=1
    fi
  done
  id=$(q "string((//*)[$i]/@id)")
  if [ -n "$id" ]; then
    [ -z "${seen_id[$id]:-}" ] || fail "id $id used twice"
    seen_id[$id]=1
  fi
done

# The command lines the settings program can make from the file.
runs=()
refused=()
sliders=$(q 'count(//number)')
for i in $(seq 1 "$sliders"); do
  n="(//number)[$i]"
  arg=$(q "string($n/@arg)")
  low=$(q "string($n/@low)")
  high=$(q "string($n/@high)")
  default=$(q "string($n/@default)")
  type=$(q "string($n/@type)")
  [[ "$arg" == *%* ]] || fail "$arg has no % for its value"
  [ "$low" -le "$default" ] && [ "$default" -le "$high" ] ||
    fail "$arg: default $default outside $low..$high"
  case $type in
  slider)
    [ -n "$(q "string($n/@_low-label)")" ] && [ -n "$(q "string($n/@_high-label)")" ] ||
      fail "$arg: slider without end labels"
    ;;
  spinbutton)
    [ -n "$(q "string($n/@_label)")" ] || fail "$arg: spin button without a label" ;;
  *) fail "$arg is neither a slider nor a spin button" ;;
  esac
  for value in "$low" "$default" "$high"; do
    runs+=("${arg//%/$value}")
  done
  refused+=("${arg//%/$((low - 1))}" "${arg//%/$((high + 1))}")
done
booleans=$(q 'count(//boolean)')
for i in $(seq 1 "$booleans"); do
  b="(//boolean)[$i]"
  set_arg=$(q "string($b/@arg-set)")
  unset_arg=$(q "string($b/@arg-unset)")
  [ -n "$set_arg$unset_arg" ] || fail "boolean $(q "string($b/@id)") sets no option"
  [ -n "$set_arg" ] && runs+=("$set_arg")
  [ -n "$unset_arg" ] && runs+=("$unset_arg")
done
choices=$(q 'count(//select/option)')
for i in $(seq 1 "$choices"); do
  set_arg=$(q "string((//select/option)[$i]/@arg-set)")
  [ -n "$set_arg" ] && runs+=("$set_arg")
done
file_arg=$(q 'string(//file/@arg)')
runs+=("${file_arg//%/$source_dir/samples/courtyard.jpg}")
[ "${#runs[@]}" -ge 20 ] || fail "only ${#runs[@]} option runs found"

command=$(q 'string(/screensaver/command/@arg)')
for option in "${refused[@]}"; do
  # shellcheck disable=SC2086 # an option and its value, split as the daemon splits them
  if "$skyweave" $command $option >/dev/null 2>"$work/refused.err"; then
    fail "$option was accepted"
  else
    rc=$?
    [ "$rc" = 2 ] || fail "$option: exit status $rc instead of 2"
  fi
  grep -q "is not a whole number" "$work/refused.err" || fail "$option: $(cat "$work/refused.err")"
done

x_session_start 320 240
mkdir -p "$work/tmp" "$work/config" "$work/run"
chmod 700 "$work/tmp" "$work/config" "$work/run"
# The saver draws into a window of its own inside the root window; once that
# exists, the run is up (a signal before the program has even started would
# only test the shell).
root_children() { xwininfo -root -children | grep -c '^ *0x' || true; }
baseline=$(root_children)
saver_window_up() { [ "$(root_children)" -gt "$baseline" ] || ! kill -0 "$pid" 2>/dev/null; }
for option in "${runs[@]}"; do
  # An OpenGL driver keeps allocations until exit and unloads its code first,
  # so a leak check cannot tell them from ours (tests/support/opengl_child_env.h).
  asan=${ASAN_OPTIONS:-}
  case $option in *"present gl"*) asan="${asan:+$asan:}detect_leaks=0" ;; esac
  # shellcheck disable=SC2086
  ASAN_OPTIONS=$asan TMPDIR="$work/tmp" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    "$skyweave" $command $option 2>"$work/run.err" &
  pid=$!
  wait_until 20 saver_window_up || fail "\"$command $option\" made no window in 20 s"
  sleep 0.2
  kill -0 "$pid" 2>/dev/null || {
    wait "$pid" && rc=0 || rc=$?
    fail "\"$command $option\" ended by itself with status $rc: $(cat "$work/run.err")"
  }
  kill -TERM "$pid"
  wait "$pid" && rc=0 || rc=$?
  [ "$rc" = 0 ] || fail "\"$command $option\": status $rc after SIGTERM: $(cat "$work/run.err")"
  ! grep -q "^skyweave:" "$work/run.err" || fail "\"$command $option\": $(cat "$work/run.err")"
  # Its window goes with it, before the next run is looked for.
  wait_until 5 test "$(root_children)" -le "$baseline" || fail "the saver's window outlived it"
done
echo "PASS: ${#runs[@]} option runs accepted, ${#refused[@]} out-of-range values refused"
