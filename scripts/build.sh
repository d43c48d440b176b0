#!/usr/bin/env bash
# Configures (once) and builds every Linux target into build/, or into the directory given.
# Extra arguments go to CMake's configure step, e.g. build.sh build-asan -DSOLVANE_SANITIZE=ON
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift $(( $# > 0 ? 1 : 0 ))
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif [ $# -gt 0 ]; then
  cmake "$dir" "$@"
fi
cmake --build "$dir" --parallel "$(nproc)"
