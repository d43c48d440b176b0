#!/usr/bin/env bash
# Frames of the carried scene against reference pictures, with a tolerance for the renderer's
# rounding. Usage: reference_frames_test.sh path/to/solvane-tool [--update]
# With --update the references are rendered anew: run it when the look changes on purpose and
# review the pictures before committing them.
set -u
tool=$1
update=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
references="$here/reference"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name seed frames seconds-per-frame: the approach from afar, the first turn, close by after
# two key changes.
cases="approach 7 1 0.05
turn 7 30 0.2
close 42 50 0.4"

# A pixel counts as different when a channel is off by more than 12 %; a frame passes when
# fewer than 0.5 % of its 480000 pixels do.
limit=2400
failures=0
while read -r name seed frames step; do
  out="$work/$name.png"
  "$tool" render --out "$out" --size 800x600 --seed "$seed" --frames "$frames" --dt "$step" \
    >/dev/null || {
    echo "FAIL $name: render failed"
    failures=$((failures + 1))
    continue
  }
  if [ "$update" == "--update" ]; then
    cp "$out" "$references/$name.png"
    echo "updated $references/$name.png"
    continue
  fi
  differing=$(compare -metric AE -fuzz 12% "$references/$name.png" "$out" null: 2>&1 >/dev/null)
  if ! [[ "$differing" =~ ^[0-9]+$ ]] || [ "$differing" -ge "$limit" ]; then
    echo "FAIL $name (seed $seed, $frames frames): $differing pixels differ"
    mkdir -p "$PWD/reference-diffs"
    cp "$out" "$PWD/reference-diffs/$name.png"
    compare -fuzz 12% "$references/$name.png" "$out" "$PWD/reference-diffs/$name-diff.png" 2>/dev/null
    failures=$((failures + 1))
  else
    echo "ok $name: $differing pixels differ"
  fi
done <<<"$cases"
[ "$failures" -eq 0 ]
