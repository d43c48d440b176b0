#!/usr/bin/env bash
# Builds the Debian package and the RPM (where rpmbuild is installed) from the Linux build in
# build/ (or the directory given) into that directory, and prints their paths. Configures and builds first where needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
if [ ! -f "$dir/CMakeCache.txt" ]; then
  bash "$root/scripts/build.sh" "$dir" >&2
else
  cmake --build "$dir" --parallel "$(nproc)" --target solvane solvane-tool content dist_files >&2
fi
dir=$(cd "$dir" && pwd)
# cpack writes the Debian package's ar members with the modes its temporary files got: the
# caller's umask must not reach them.
umask 022
log="$dir/cpack.log"
if ! (cd "$dir" && cpack --config "$dir/CPackConfig.cmake" -B "$dir") >"$log" 2>&1; then
  cat "$log" >&2
  echo "package.sh: cpack failed (log: $log)" >&2
  exit 1
fi
# "CPack: - package: /path/solvane_0.1.0_amd64.deb generated."
packages=$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$log")
if [ -z "$packages" ]; then
  cat "$log" >&2
  echo "package.sh: cpack reported no package (log: $log)" >&2
  exit 1
fi
echo "$packages"
