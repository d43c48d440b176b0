#!/usr/bin/env bash
# Start-up time of the full-screen saver under Xvfb: from the process's start to the end of the
# first scene frame's swap, as the program itself reports it ($SOLVANE_REPORT_FIRST_FRAME).
# Several programs given are run in turn, round after round, so that the machine's load
# falls on each alike.
# Usage: bench-startup.sh [WIDTHxHEIGHT] [ROUNDS] [PROGRAM...]   (default: 800x600 5 build/solvane)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-800x600}
rounds=${2:-5}
shift $(( $# > 2 ? 2 : $# ))
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=("$root/build/solvane")

. "$root/scripts/xvfb.sh"
start_xvfb "$size"

one_run() {  # program: prints the milliseconds, or "failed"
  local log="$work/log" pid
  : >"$log"
  XDG_CONFIG_HOME="$work/config" SOLVANE_REPORT_FIRST_FRAME=1 \
    "$1" /s 2>"$log" >/dev/null &
  pid=$!
  for _ in $(seq 200); do
    grep -q 'first scene frame' "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  sed -n 's/.*presented \([0-9.]*\) ms.*/\1/p' "$log" | grep . || echo failed
}

echo "start-up to the first scene frame under Xvfb at $size, milliseconds"
for round in $(seq "$rounds"); do
  line="round $round:"
  for program in "${programs[@]}"; do line="$line $(one_run "$program")"; done
  echo "$line"
done
echo "programs: ${programs[*]}"
