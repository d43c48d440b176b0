#!/usr/bin/env bash
# Two runs of the content generator must give byte-identical files, the archive included.
# Usage: content_reproducible_test.sh path/to/contentgen path/to/scene/content
set -u
different=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$work/a" "$2" && "$1" "$work/b" "$2" || { echo "contentgen failed"; exit 1; }
# Subdirectories too: the theme icons live in icons/.
files=$(cd "$work/a" && find . -type f | sort)
[ "$files" = "$(cd "$work/b" && find . -type f | sort)" ] || { echo "file lists differ"; different=1; }
for file in $files; do
  cmp -s "$work/a/$file" "$work/b/$file" || { echo "differs: ${file#./}"; different=1; }
done
count=$(echo "$files" | wc -l)
if [ "$different" -eq 0 ]; then echo "1 passed, 0 failed ($count files identical)"; else echo "0 passed, 1 failed"; fi
exit $different
