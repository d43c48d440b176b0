#!/usr/bin/env bash
# Frames of the carried scene against reference pictures, with a tolerance for the renderer's
# rounding. Usage: reference_frames_test.sh path/to/solvane-tool [--update]; --update renders
# them anew, when the look changes on purpose (review the pictures before committing them).
set -u
tool=$1
references="$(cd "$(dirname "$0")" && pwd)/reference"
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"

# name seed frames seconds-per-frame: the approach from afar, the first turn, close by after
# two key changes. A pixel counts as different when a channel is off by more than 12 %; a frame
# passes when fewer than 0.5 % of its 480000 pixels (2400) do.
while read -r name seed frames step; do
  out="$work/$name.png"
  "$tool" render --out "$out" --size 800x600 --seed "$seed" --frames "$frames" --dt "$step" >/dev/null
  if [ "${2:-}" == "--update" ]; then
    cp "$out" "$references/$name.png" && echo "updated $references/$name.png"
    continue
  fi
  failed=$failures
  differing=$(compare -metric AE -fuzz 12% "$references/$name.png" "$out" null: 2>&1 >/dev/null)
  check "$name (seed $seed, $frames frames) within 2400 differing pixels" yes \
    "$([[ "$differing" =~ ^[0-9]+$ ]] && [ "$differing" -lt 2400 ] && echo yes || echo "$differing")"
  if [ "$failures" -ne "$failed" ]; then
    mkdir -p "$PWD/reference-diffs"
    cp "$out" "$PWD/reference-diffs/$name.png"
    compare -fuzz 12% "$references/$name.png" "$out" "$PWD/reference-diffs/$name-diff.png" 2>/dev/null
  fi
done <<'CASES'
approach 7 1 0.05
turn 7 30 0.2
close 42 50 0.4
CASES
report
