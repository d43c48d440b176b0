#!/usr/bin/env bash
# Cross-compiles solvane.scr (and the Windows test programs) into build-windows/, using the
# artwork generator of the Linux build in build/ (built first if needed) and the libraries that
# build-windows-deps.sh compiles from source (once; they are cached), and packs it into the
# installer solvane-setup.exe and the zip solvane-<version>-windows.zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build-windows"
command -v makensis >/dev/null || {
  echo "build-windows: makensis not found; run scripts/install-windows-deps.sh first" >&2
  exit 1
}
cmake --build "$root/build" --target contentgen >/dev/null 2>&1 || bash "$root/scripts/build.sh" "$root/build"
deps=$(bash "$root/scripts/build-windows-deps.sh" | tail -n 1)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DSOLVANE_CONTENTGEN="$root/build/contentgen" -DSOLVANE_WINDOWS_DEPS="$deps"
else
  cmake "$dir" -DSOLVANE_WINDOWS_DEPS="$deps" >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)"
