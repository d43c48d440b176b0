#!/usr/bin/env bash
# Cross-compiles solvane.scr (and the Windows test programs) into build-windows/, using the
# artwork generator of the Linux build in build/ (built first if needed) and the libraries that
# build-windows-deps.sh compiles from source (once; they are cached), and packs it into the
# installer solvane-setup.exe and the zip solvane-<version>-windows.zip.
# Usage: build-windows.sh [WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]] (default build-windows/, build/);
# extra arguments go to CMake's first configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build-windows"}
host=${2:-"$root/build"}
shift $(( $# > 2 ? 2 : $# ))
command -v makensis >/dev/null || {
  echo "build-windows: makensis not found; run scripts/install-windows-deps.sh first" >&2
  exit 1
}
cmake --build "$host" --target contentgen >/dev/null 2>&1 || bash "$root/scripts/build.sh" "$host"
deps=$(bash "$root/scripts/build-windows-deps.sh" | tail -n 1)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DSOLVANE_CONTENTGEN="$host/contentgen" -DSOLVANE_WINDOWS_DEPS="$deps" "$@"
else
  cmake "$dir" -DSOLVANE_WINDOWS_DEPS="$deps" >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)"
