#!/usr/bin/env bash
# Builds and shows the screensaver: full screen where there is a display (any key or click
# ends it), otherwise a frame rendered off screen, whose path is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" "$root/build" >/dev/null
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build/solvane" /s
fi
echo "No display: rendering a snapshot instead." >&2
"$root/build/solvane-tool" render --out "$root/build/snapshot.png"
