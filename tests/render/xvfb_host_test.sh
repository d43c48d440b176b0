#!/usr/bin/env bash
# The Linux screensaver inside a screen-saver host's window, on a virtual X display: a window
# made by another program (drawn at its size, followed when resized, left on a quit signal or
# when destroyed), the bad window ids, and Debian's XScreenSaver running it as a hack.
# Usage: xvfb_host_test.sh path/to/solvane path/to/host_window
set -u
saver=$1
host_window=$2
work=$(mktemp -d)
chmod 755 "$work"
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"

for tool in Xvfb xdotool xdpyinfo convert xscreensaver xscreensaver-command; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)"; exit 1; }
done

display=:$((90 + RANDOM % 400))
# A black root, so that whatever is bright on the screen was drawn by the saver.
Xvfb "$display" -screen 0 1024x768x24 -br -nolisten tcp -ac >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  exec 7>&- 2>/dev/null
  [ -n "${xss:-}" ] && kill "$xss" 2>/dev/null
  kill $xvfb 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/tmp" "$work/config"
chmod 1777 "$work/tmp"
export DISPLAY=$display XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" SDL_AUDIODRIVER=dummy
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# 1 when more than a share (0.2 % unless given) of a region of the screen ("WxH+X+Y") is
# brighter than 60 %, else 0.
bright() {
  import -window root "$work/shot.png" 2>/dev/null
  convert "$work/shot.png" -crop "$1" +repage -colorspace Gray -threshold 60% \
    -format "%[fx:mean>${2:-0.002}?1:0]" info: 2>/dev/null
}
left_behind() {  # temporary files the runs left
  find "$work/tmp" -mindepth 1 -maxdepth 1 -name 'bas*' | wc -l
}

# --- Bad input: nothing runs, nothing is touched.
bad() {  # environment, then the command: its exit code and the lines it wrote on stderr
  env "$@" >"$work/out" 2>"$work/err" </dev/null
  echo "$? $(wc -l <"$work/err")"
}
check "a window that does not exist" "1 1" "$(bad "$saver" -window-id 0x3fffff0)"
check "a malformed window id" "2 1" "$(bad "$saver" -window-id 12ab)"
check "a window id of 0" "2 1" "$(bad "$saver" --window-id 0)"
check "garbage in \$XSCREENSAVER_WINDOW" "1 1" \
  "$(bad XSCREENSAVER_WINDOW=garbage "$saver")"
check "an out-of-range volume" "2 1" "$(bad "$saver" -root --volume 101)"
check "a malformed frame-rate limit" "2 1" "$(bad "$saver" /s --max-fps fast)"
check "a host window and a switch" "2 1" "$(bad "$saver" -root /c)"
check "nothing left behind by refused runs" "0" "$(left_behind)"

# --- A window made by another program.
mkfifo "$work/commands"
"$host_window" 320x240+100+80 <"$work/commands" >"$work/host" &
exec 7>"$work/commands"
for _ in $(seq 50); do [ -s "$work/host" ] && break; sleep 0.1; done
window=$(head -n 1 "$work/host")
command_host() {  # a command, then wait for its answer
  local before
  before=$(wc -l <"$work/host")
  echo "$1" >&7
  for _ in $(seq 50); do [ "$(wc -l <"$work/host")" -gt "$before" ] && break; sleep 0.1; done
}
mode_before=$(xdpyinfo | awk '/dimensions:/ {print $2}')
xdotool mousemove 900 700
run_in_window() {  # extra options; starts the saver in the window, sets $pid
  "$saver" -window-id "$window" --clock 24 "$@" >"$work/run.out" 2>&1 &
  pid=$!
  sleep 3
}

run_in_window
check "the scene is drawn in the window" "1" "$(bright 320x240+100+80)"
check "nothing is drawn outside it" "0" "$(bright 1024x80+0+0)"
check "the clock sits in the window's bottom-right corner" "1" "$(bright 100x30+320+290)"
command_host "size 560 300"
sleep 1.5
check "after a resize the clock follows the new corner" "1" "$(bright 100x30+560+350)"
check "the mode did not change" "$mode_before" "$(xdpyinfo | awk '/dimensions:/ {print $2}')"
check "the cursor did not move" "x:900 y:700" "$(xdotool getmouselocation | cut -d' ' -f1-2)"
xdotool key space
xdotool mousemove 100 100 click 1
sleep 0.5
check "input does not end the run" "running" "$(kill -0 $pid 2>/dev/null && echo running)"
kill -TERM $pid
finish $pid
check "SIGTERM ends the run with 0" "0" "$status"
check "the module is gone" "0" "$(left_behind)"

for signal in HUP INT QUIT; do
  run_in_window --max-fps 30
  kill -$signal $pid
  finish $pid
  check "SIG$signal ends the run with 0" "0" "$status"
done
check "no module after the signals" "0" "$(left_behind)"

run_in_window --no-music
command_host destroy
start=$(date +%s%N)
finish $pid
check "the window's destruction ends the run with 0" "0" "$status"
check "within 2 seconds" "yes" "$([ $(( ($(date +%s%N) - start) / 1000000 )) -lt 2000 ] && echo yes)"
exec 7>&-

# --- Debian's XScreenSaver, with Solvane selected. The host launches no hacks for root, so a
# root test runs it as nobody, with a copy of the program where nobody can read it.
cp "$saver" "$work/solvane"
chmod 755 "$work/solvane"
mkdir -p "$work/home"
cat >"$work/home/.xscreensaver" <<XSS
timeout: 0:30:00
lock: False
splash: False
fade: False
unfade: False
dpmsEnabled: False
mode: one
selected: 0
programs: \\
  GL: $work/solvane -root \\n\\
XSS
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody "$work/home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
"${as_user[@]}" env HOME="$work/home" xscreensaver -no-splash >"$work/xss.log" 2>&1 &
xss=$!
for _ in $(seq 50); do xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.2; done
# The host may still be starting its helpers: ask again until the hack runs (20 s at most).
hack=""
for _ in $(seq 40); do
  xscreensaver-command -activate >/dev/null 2>&1
  for _ in $(seq 5); do
    hack=$(pgrep -f "^$work/solvane" | head -n 1)
    [ -n "$hack" ] && break 2
    sleep 0.1
  done
done
sleep 3
check "the host starts the saver" "yes" "$([ -n "$hack" ] && echo yes)"
# The star's disc is the bright thing on the screen: more of it than the clock could be.
check "the screen shows the star" "1" "$(bright 1024x768+0+0 0.01)"
xscreensaver-command -deactivate >/dev/null 2>&1
start=$(date +%s%N)
for _ in $(seq 40); do pgrep -f "^$work/solvane" >/dev/null || break; sleep 0.05; done
check "deactivation ends the saver within 2 seconds" "yes" \
  "$(pgrep -f "^$work/solvane" >/dev/null || [ $(( ($(date +%s%N) - start) / 1000000 )) -ge 2000 ] || echo yes)"
check "no module left behind" "0" "$(left_behind)"
[ "$failures" -ne 0 ] && tail -n 20 "$work/xss.log"
report
