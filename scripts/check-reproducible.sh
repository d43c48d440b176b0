#!/usr/bin/env bash
# Builds the checked-out commit twice with release.sh, in two scratch directories, one after the
# other, with different umasks and time zones, and checks that every artefact came out
# byte-identical; diffoscope shows what differs in any that did not. Takes two full builds of
# everything (scripts/release.sh's needs, and diffoscope from scripts/install-deps.sh).
# Usage: check-reproducible.sh [KEEP_DIR]  (the two releases stay in KEEP_DIR/a and KEEP_DIR/b)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
command -v diffoscope >/dev/null ||
  { echo "check-reproducible: missing diffoscope (scripts/install-deps.sh installs it)" >&2; exit 1; }
if [ $# -gt 0 ]; then
  dir=$1
  mkdir -p "$dir"
else
  dir=$(mktemp -d "${TMPDIR:-/tmp}/solvane-reproducible.XXXXXX")
  trap 'rm -rf "$dir"' EXIT
fi

(umask 022 && TZ=UTC bash "$root/scripts/release.sh" "$dir/a") >/dev/null || exit 1
(umask 077 && TZ=Pacific/Auckland bash "$root/scripts/release.sh" "$dir/b") >/dev/null || exit 1

status=0
while read -r _ file; do
  if cmp -s "$dir/a/$file" "$dir/b/$file"; then
    echo "same: $file"
  else
    echo "DIFFERENT: $file"
    diffoscope --text - "$dir/a/$file" "$dir/b/$file" | head -n 200
    status=1
  fi
done <"$dir/a/SHA256SUMS"
exit $status
