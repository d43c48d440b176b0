#!/usr/bin/env bash
# Builds everything and runs every test: unit, render (off-screen), and the screensaver on a
# virtual X display. Pass ctest options to narrow it, e.g. test.sh -L unit
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" "$root/build"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
