#!/bin/bash
# The manual page renders without a single warning, both through groff with
# every warning on and through man as a user reads it, names every option
# the program accepts, and the program takes every daemon-style command line
# of its examples.
#   manual_page_test.sh SOURCE_DIR [PROGRAM]
set -euo pipefail
page=$1/resources/man/skyweave.6x
out=$(groff -ww -z -man "$page" 2>&1) || { echo "groff failed: $out"; exit 1; }
[ -z "$out" ] || { echo "groff warnings:"; echo "$out"; exit 1; }
out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$out" ] || { echo "man warnings:"; echo "$out"; exit 1; }
text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
for word in NAME SYNOPSIS DESCRIPTION "RUN MODES" OPTIONS SETTINGS "PANORAMA FILES" \
  "EXIT STATUS" EXAMPLES --root --window-id --window --file --zoom --heading --pitch --roll --size \
  --moving --no-moving --heading-random --no-heading-random --pitch-random --no-pitch-random \
  --roll-random --no-roll-random --change-every --fade --no-fade --max-fps --threads --fps \
  --no-fps --present --projection --smooth --no-smooth --help /c /s /p /a /reset XSCREENSAVER_WINDOW \
  "Corvane/skyweave.conf" "[Settings]" FilePath Zoom Heading Pitch Roll Size Moving \
  HeadingRandom PitchRandom RollRandom ChangeEvery Fade MaxFrameRate Threads ShowFrameRate \
  Present Projection SmoothMotion folder CVVL BTMP INIT FILE "programs:"; do
  grep -qF -- "$word" <<<"$text" || { echo "the page does not mention $word"; exit 1; }
done
if [ -n "${2:-}" ]; then
  # An example line ending in a backslash goes on on the next one.
  examples=$(sed -n '/^EXAMPLES/,/^SEE ALSO/p' <<<"$text" | sed 's/^[[:space:]]*//' |
    sed -e ':a' -e '/\\$/N; s/\\\n[[:space:]]*/ /; ta' | grep '^skyweave -' || true)
  [ "$(wc -l <<<"$examples")" -ge 3 ] || { echo "too few examples: $examples"; exit 1; }
  while read -r line; do
    read -ra args <<<"${line#skyweave }"
    # --help after the line: the whole line is still checked, nothing starts.
    out=$("$2" "${args[@]}" --help 2>&1) || { echo "example \"$line\": $out"; exit 1; }
  done <<<"$examples"
fi
echo "PASS"
