#!/usr/bin/env bash
# Fuzzes the archive reader with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer,
# starting from the packer's archives. Usage: run_archive_fuzz.sh [SECONDS] (default 600).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
dir="$root/build-fuzz"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSOLVANE_FUZZ=ON >/dev/null
fi
cmake --build "$dir" --target fuzz_archive fuzz_smoke_archive >/dev/null
corpus="$dir/archive-corpus"
mkdir -p "$corpus"
"$dir/tests/fuzz/fuzz_smoke_archive" "$corpus"
"$dir/tests/fuzz/fuzz_archive" "$corpus" -max_total_time="$seconds" -max_len=4096 \
  -rss_limit_mb=4096 -print_final_stats=1
