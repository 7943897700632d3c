#!/bin/bash
# The display mode as the daemon starts it, with a record of how it ended:
#   record_exit.sh OUT_DIR PROGRAM ARGS...
# runs PROGRAM ARGS..., passes SIGTERM and SIGINT on to it, and writes its
# pid to OUT_DIR/pid and its exit status to OUT_DIR/status.
out=$1
shift
"$@" 2>"$out/stderr" &
child=$!
echo "$child" >"$out/pid"
trap 'kill -TERM "$child" 2>/dev/null' TERM
trap 'kill -INT "$child" 2>/dev/null' INT
wait "$child"
status=$?
# A trapped signal cuts the first wait short; this one returns the status.
while kill -0 "$child" 2>/dev/null; do
  wait "$child"
  status=$?
done
# When bash reaped the child while running the trap, this wait still knows
# its status; 127 means the status above is already the child's.
wait "$child" 2>/dev/null && status=0 || { again=$?; [ "$again" -ne 127 ] && status=$again; }
echo "$status" >"$out/status.tmp"
mv "$out/status.tmp" "$out/status"
