#!/bin/bash
# A tool's manual page renders without a single warning (groff with every
# warning on, and man as a user reads it), names the tool, and documents
# every option and command the tool's own --help lists, so the two cannot
# drift apart.
#   tool_manual_page_test.sh PAGE PROGRAM
set -euo pipefail
page=$1
program=$2
name=$(basename "$program")
out=$(groff -ww -z -man "$page" 2>&1) || { echo "groff failed: $out"; exit 1; }
[ -z "$out" ] || { echo "groff warnings:"; echo "$out"; exit 1; }
out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$out" ] || { echo "man warnings:"; echo "$out"; exit 1; }
text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
grep -q "^ *$name - " <<<"$text" || { echo "the NAME section does not name $name"; exit 1; }
usage=$("$program" --help)
# Options (-o, --view, ...) and the commands at the start of usage lines.
words=$( (grep -oE '(^|[ [])--?[a-z][a-z-]*' <<<"$usage" | tr -d ' [') || true)
words+=" "$( (sed -nE 's/^(usage:)? *'"$name"' ([a-z]+) .*/\2/p' <<<"$usage") || true)
count=0
for word in $words; do
  grep -qF -- "$word" <<<"$text" || { echo "the page does not mention $word"; exit 1; }
  count=$((count + 1))
done
[ "$count" -ge 3 ] || { echo "only $count options found in $name --help"; exit 1; }
echo "PASS: $count options of $name documented"
