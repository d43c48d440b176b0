#!/usr/bin/env bash
# Frame rate of `solvane /s` beside a peer saver of the same kind, rss-glx's `helios`, on one
# virtual X display (Mesa's software renderer, as on a machine without a GPU). Both run
# uncapped, in turn (rounds alternate which goes first, so that a drift in the machine's load
# falls on both alike), and both are counted the same way from outside: Mesa's HUD, kept
# invisible, writes the frames a second it saw to a file (GALLIUM_HUD_DUMP_DIR).
#
# Usage: bench-fps.sh [SOLVANE] [--size WxH] [--seconds N] [--warmup N] [--rounds N]
#   SOLVANE    the program to measure (build/solvane)
#   --size     the virtual display (1920x1080)
#   --seconds  seconds counted in each run (12), after
#   --warmup   seconds from each program's start that are not counted (3: start-up, loading)
#   --rounds   runs of each program (2)
# Prints every run, each program's mean frame rate, and solvane's over helios's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
solvane=$root/build/solvane
size=1920x1080
seconds=12
warmup=3
rounds=2
while [ $# -gt 0 ]; do
  case $1 in
    --size) size=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    -*) echo "bench-fps.sh: unknown option $1" >&2; exit 2 ;;
    *) solvane=$1; shift ;;
  esac
done

helios=/usr/libexec/xscreensaver/helios
if [ ! -x "$helios" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends rss-glx
fi
for tool in "$solvane" "$helios"; do
  command -v "$tool" >/dev/null || { echo "bench-fps.sh: missing $tool" >&2; exit 1; }
done

. "$root/scripts/xvfb.sh"
start_xvfb "$size"
# Stored settings stay out of the measurement: the shipped defaults apply.
export XDG_CONFIG_HOME=$work/config
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe

# Runs "$@" for warmup + seconds and prints the mean of the HUD's samples after the warm-up.
measure() {
  local dump=$work/hud.$RANDOM
  mkdir -p "$dump"
  GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_PERIOD=0.5 GALLIUM_HUD_DUMP_DIR=$dump \
    timeout -s TERM $((warmup + seconds)) "$@" >/dev/null 2>&1 || true
  [ -s "$dump/fps" ] || { echo "bench-fps.sh: no frames counted for $1" >&2; exit 1; }
  # One sample every half second; samples are frames a second over equal periods, so their
  # mean is the frame rate over the counted time.
  awk -v skip=$((warmup * 2)) 'NR > skip { sum += $1; n++ } END { if (n) printf "%.2f", sum / n; else print "0" }' \
    "$dump/fps"
}

run_solvane() { measure "$solvane" /s --max-fps 0 --no-music; }
run_helios() { measure "$helios" -r -y 0 -x 1000; }

echo "display ${size}x24, ${seconds} s counted after ${warmup} s, ${rounds} rounds"
solvane_sum=0
helios_sum=0
for round in $(seq "$rounds"); do
  if [ $((round % 2)) -eq 1 ]; then
    s=$(run_solvane); h=$(run_helios)
  else
    h=$(run_helios); s=$(run_solvane)
  fi
  printf 'round %d: solvane %6.2f fps   helios %6.2f fps   ratio %.2f\n' "$round" "$s" "$h" \
    "$(awk -v s="$s" -v h="$h" 'BEGIN { print (h > 0 ? s / h : 0) }')"
  solvane_sum=$(awk -v a="$solvane_sum" -v b="$s" 'BEGIN { print a + b }')
  helios_sum=$(awk -v a="$helios_sum" -v b="$h" 'BEGIN { print a + b }')
done
awk -v s="$solvane_sum" -v h="$helios_sum" -v n="$rounds" 'BEGIN {
  printf "solvane %.2f fps, helios %.2f fps, ratio %.2f\n", s / n, h / n, (h > 0 ? s / h : 0) }'
