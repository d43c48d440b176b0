#!/usr/bin/env bash
# Two runs of the content generator must give byte-identical files, the archive and the theme
# icons in icons/ included. Usage: content_reproducible_test.sh path/to/contentgen path/to/scene/content
set -u
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
"$1" "$work/a" "$2" && "$1" "$work/b" "$2" || { echo "contentgen failed"; exit 1; }
check "the same files, byte for byte" "" "$(diff -r "$work/a" "$work/b")"
report
