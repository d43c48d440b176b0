#!/usr/bin/env bash
# Resident memory of the full-screen saver under Xvfb after some seconds of the flight: the
# peak of the whole resident set (VmHWM) and of its anonymous part (sampled), and the present
# resident set split into anonymous memory (the heaps: the program's and its libraries', the
# renderer's textures and buffers among them), file-backed pages (code and libraries) and shared
# memory. Several programs given are run in turn, round after round, so that before and
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

. "$root/scripts/xvfb.sh"
start_xvfb "$size"

mib() {  # field of /proc/PID/status in kB: MiB with one decimal
  awk -v f="$2:" '$1 == f { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

kb() {  # field of /proc/PID/status in kB, 0 when the process is gone
  awk -v f="$2:" '$1 == f { print $2; found = 1 } END { if (!found) print 0 }' \
    "/proc/$1/status" 2>/dev/null || echo 0
}

one_run() {  # program: prints "peak peak-anon anon file shmem", or "failed"
  local pid line anon peakAnon=0 end
  # The dummy audio driver plays the music without a sound device, so its buffers count too.
  XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy \
    "$1" /s >/dev/null 2>"$work/log" &
  pid=$!
  # The kernel keeps the peak of the whole resident set only: the anonymous part's peak is
  # sampled every 20 ms.
  end=$(( $(date +%s%N) + seconds * 1000000000 ))
  while [ "$(date +%s%N)" -lt "$end" ] && kill -0 "$pid" 2>/dev/null; do
    anon=$(kb "$pid" RssAnon)
    [ "$anon" -gt "$peakAnon" ] && peakAnon=$anon
    sleep 0.02
  done
  if kill -0 "$pid" 2>/dev/null; then
    line=$(printf '%8s %8s %8s %8s %8s' "$(mib "$pid" VmHWM)" \
      "$(awk -v k="$peakAnon" 'BEGIN { printf "%.1f", k / 1024 }')" "$(mib "$pid" RssAnon)" \
      "$(mib "$pid" RssFile)" "$(mib "$pid" RssShmem)")
  else
    line="failed ($(tail -1 "$work/log"))"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo "$line"
}

echo "resident memory of \"PROGRAM /s\" under Xvfb at $size after $seconds s, MiB"
printf '%-6s %-32s %8s %8s %8s %8s %8s\n' round program peak peakanon anon file shmem
for round in $(seq "$rounds"); do
  for program in "${programs[@]}"; do
    printf '%-6s %-32s %s\n' "$round" "$program" "$(one_run "$program")"
  done
done
