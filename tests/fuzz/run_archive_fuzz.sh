#!/usr/bin/env bash
# Fuzzes the archive reader with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer,
# starting from the packer's archives. Usage: run_archive_fuzz.sh [SECONDS] (default 600).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
CC=clang CXX=clang++ bash "$root/scripts/build.sh" "$root/build-fuzz" -DSOLVANE_FUZZ=ON >/dev/null
corpus="$root/build-fuzz/archive-corpus"
mkdir -p "$corpus"
"$root/build-fuzz/tests/fuzz/fuzz_smoke_archive" "$corpus"
"$root/build-fuzz/tests/fuzz/fuzz_archive" "$corpus" -max_total_time="$seconds" -max_len=65536 \
  -rss_limit_mb=4096 -print_final_stats=1
