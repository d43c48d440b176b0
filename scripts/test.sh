#!/usr/bin/env bash
# Builds everything and runs every test: unit and render (off screen) and the Linux screensaver
# on a virtual X display from build/, then the Windows screensaver under Wine from
# build-windows/. Arguments go to both ctest runs, e.g. test.sh -L unit
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0

bash "$root/scripts/build.sh" "$root/build" || exit 1
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)" "$@") || status=1

bash "$root/scripts/build-windows.sh" || exit 1
(cd "$root/build-windows" && ctest --output-on-failure "$@") || status=1

exit $status
