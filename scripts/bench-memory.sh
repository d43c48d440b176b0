#!/usr/bin/env bash
# Resident memory of the full-screen saver under Xvfb after some seconds of the flight: the
# peak (VmHWM) and the present resident set split into anonymous memory (the program's own heap,
# what it keeps), file-backed pages (its code and libraries, the renderer's among them) and
# shared memory. Several programs given are run in turn, round after round, so that before and
# after can be compared in one run.
# Usage: bench-memory.sh [WIDTHxHEIGHT] [SECONDS] [ROUNDS] [PROGRAM...]
#        (default: 800x600 5 2 build/solvane); sizes in MiB
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-800x600}
seconds=${2:-5}
rounds=${3:-2}
shift $(( $# > 3 ? 3 : $# ))
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=("$root/build/solvane")
command -v Xvfb >/dev/null || { echo "bench-memory.sh: Xvfb is missing (scripts/install-deps.sh)" >&2; exit 1; }

work=$(mktemp -d)
display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

mib() {  # field of /proc/PID/status in kB: MiB with one decimal
  awk -v f="$2:" '$1 == f { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

one_run() {  # program: prints "peak anon file shmem", or "failed"
  local pid line
  # The dummy audio driver plays the music without a sound device, so its buffers count too.
  DISPLAY="$display" XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy \
    "$1" /s >/dev/null 2>"$work/log" &
  pid=$!
  sleep "$seconds"
  if kill -0 "$pid" 2>/dev/null; then
    line=$(printf '%8s %8s %8s %8s' "$(mib "$pid" VmHWM)" "$(mib "$pid" RssAnon)" \
      "$(mib "$pid" RssFile)" "$(mib "$pid" RssShmem)")
  else
    line="failed ($(tail -1 "$work/log"))"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo "$line"
}

echo "resident memory of \"PROGRAM /s\" under Xvfb at $size after $seconds s, MiB"
printf '%-6s %-40s %8s %8s %8s %8s\n' round program peak anon file shmem
for round in $(seq "$rounds"); do
  for program in "${programs[@]}"; do
    printf '%-6s %-40s %s\n' "$round" "$program" "$(one_run "$program")"
  done
done
