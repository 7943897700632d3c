#!/bin/bash
# The manual page renders without a single warning, both through groff with
# every warning on and through man as a user reads it, and names every
# option the program accepts.
#   manual_page_test.sh SOURCE_DIR
set -euo pipefail
page=$1/resources/man/skyweave.6x
out=$(groff -ww -z -man "$page" 2>&1) || { echo "groff failed: $out"; exit 1; }
[ -z "$out" ] || { echo "groff warnings:"; echo "$out"; exit 1; }
out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$out" ] || { echo "man warnings:"; echo "$out"; exit 1; }
text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
for word in NAME SYNOPSIS DESCRIPTION "RUN MODES" OPTIONS SETTINGS "PANORAMA FILES" \
  "EXIT STATUS" --root --window-id --window --file --zoom --heading --pitch --roll --size \
  --moving --no-moving --heading-random --no-heading-random --pitch-random --no-pitch-random \
  --roll-random --no-roll-random --change-every --fade --no-fade --max-fps --threads --fps \
  --no-fps --present --help /c /s /p /a /reset XSCREENSAVER_WINDOW \
  "Corvane/skyweave.conf" "[Settings]" FilePath Zoom Heading Pitch Roll Size Moving \
  HeadingRandom PitchRandom RollRandom ChangeEvery Fade MaxFrameRate Threads ShowFrameRate \
  Present folder CVVL BTMP INIT FILE "programs:"; do
  grep -qF -- "$word" <<<"$text" || { echo "the page does not mention $word"; exit 1; }
done
echo "PASS"
