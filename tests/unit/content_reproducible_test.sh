#!/usr/bin/env bash
# Two runs of the content generator must give byte-identical files, the archive included.
# Usage: content_reproducible_test.sh path/to/contentgen path/to/scene/content
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$work/a" "$2" && "$1" "$work/b" "$2" || { echo "contentgen failed"; exit 1; }
different=0
for file in "$work"/a/*; do
  cmp -s "$file" "$work/b/$(basename "$file")" || { echo "differs: $(basename "$file")"; different=1; }
done
count=$(ls "$work/a" | wc -l)
if [ "$different" -eq 0 ]; then echo "1 passed, 0 failed ($count files identical)"; else echo "0 passed, 1 failed"; fi
exit $different
