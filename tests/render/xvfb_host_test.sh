#!/usr/bin/env bash
# The Linux screensaver in a host's window on a virtual X display: another program's window
# (named every way hosts name it, followed when resized, left on a quit signal or when destroyed),
# bad window ids, Debian's XScreenSaver. Usage: xvfb_host_test.sh path/to/solvane path/to/host_window
set -u
saver=$1
host_window=$2
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need xdotool convert import xscreensaver xscreensaver-command
chmod 755 "$work"
mkdir -p "$work/tmp" "$work/config"
chmod 1777 "$work/tmp"
# A black root, so that whatever is bright on the screen was drawn by the saver.
start_xvfb 1024x768 -br -ac
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" SDL_AUDIODRIVER=dummy
at_exit() { exec 7>&-; [ -n "${xss:-}" ] && kill "$xss" 2>/dev/null; }

# 1 when more than a share (0.2 % unless given) of a region of the screen ("WxH+X+Y") is
# brighter than 60 %, else 0; until_bright waits for a 1 up to 30 s (the scene may load slowly).
bright() {
  import -window root "$work/shot.png" 2>/dev/null
  convert "$work/shot.png" -crop "$1" +repage -colorspace Gray -threshold 60% \
    -format "%[fx:mean>${2:-0.002}?1:0]" info: 2>/dev/null
}
until_bright() {
  for _ in $(seq 60); do [ "$(bright "$@")" == 1 ] && break; sleep 0.5; done
  bright "$@"
}
left_behind() { find "$work/tmp" -mindepth 1 -maxdepth 1 -name 'bas*' | wc -l; }

# Bad input: exit 1 for a window that cannot be used, 2 for a malformed command line; one line
# on stderr says why. A run that starts instead is ended after 20 s (124).
while IFS='|' read -r expected environment options; do
  # shellcheck disable=SC2086
  timeout 20 env $environment "$saver" $options >/dev/null 2>"$work/err" </dev/null
  check "refused: $environment $options" "$expected" "$? $(wc -l <"$work/err")"
done <<'CASES'
1 1||-window-id 0x3fffff0
1 1||-window-id 0xFFFFFFFF
2 1||-window-id 4294967296
2 1||-window-id 0x12g
2 1||--window-id 0
1 1|XSCREENSAVER_WINDOW=garbage|
2 1||-root /c
CASES

# A fresh window made by another program for each run, in a visual the scene cannot use itself.
new_host() {  # sets $window and $hex; the one before goes with its program
  exec 7>&-
  rm -f "$work/commands" "$work/host"
  mkfifo "$work/commands"
  "$host_window" 320x240+100+80 <"$work/commands" >"$work/host" &
  exec 7>"$work/commands"
  for _ in $(seq 150); do [ -s "$work/host" ] && break; sleep 0.1; done
  window=$(head -n 1 "$work/host")
  hex=$(printf '0x%x' "$window")
}
run_in_window() {  # environment, options; sets $pid
  # shellcheck disable=SC2086
  env $1 "$saver" $2 --clock 24 >"$work/run.out" 2>&1 &
  pid=$!
}

new_host
xdotool mousemove 900 700
run_in_window "" "-window-id $hex --max-fps 30 --no-music"
check "the clock sits in the window's bottom-right corner" "1" "$(until_bright 100x30+320+290)"
echo "size 560 240" >&7  # one side changed is a resize too
check "after a resize the clock follows the new corner" "1" "$(until_bright 100x30+560+290)"
check "the mode and the cursor did not change" "1024x768 x:900 y:700" \
  "$(xdpyinfo | awk '/dimensions:/ {print $2}') $(xdotool getmouselocation | cut -d' ' -f1-2)"
xdotool key space mousemove 100 100 click 1
sleep 0.5
check "input does not end the run" "running" "$(kill -0 $pid 2>/dev/null && echo running)"
kill -TERM $pid
finish $pid
check "SIGTERM ends the run with 0" "0" "$status"

# Every way a host names the window draws in it and nowhere else; each quit signal ends it.
while read -r signal environment options; do
  new_host
  eval "run_in_window \"${environment%_}\" \"${options%_}\""
  check "$environment $options: drawn in the window" "1" "$(until_bright 320x240+100+80)"
  check "$environment $options: nothing outside it" "0" "$(bright 1024x80+0+0)"
  kill "-$signal" $pid
  finish $pid 60
  check "$environment $options: SIG$signal ends the run with 0" "0" "$status"
done <<'CASES'
HUP XSCREENSAVER_WINDOW=$hex _
INT _ --window-id=${hex^^}
QUIT _ -window-id $window
CASES

new_host
run_in_window "" "-window-id $hex"
until_bright 320x240+100+80 >/dev/null
echo destroy >&7
finish $pid 60
check "the window's destruction ends the run with 0" "0" "$status"

# Debian's XScreenSaver, with Solvane selected. The host launches no hacks for root, so a
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
# The host may still be starting its helpers: ask again until the hack runs (20 s at most).
for _ in $(seq 40); do
  xscreensaver-command -activate >/dev/null 2>&1
  sleep 0.5
  pgrep -f "^$work/solvane" >/dev/null && break
done
check "the host starts the saver" "yes" "$(pgrep -f "^$work/solvane" >/dev/null && echo yes)"
# The star's disc is the bright thing on the screen: more of it than the clock could be.
check "the screen shows the star" "1" "$(until_bright 1024x768+0+0 0.01)"
xscreensaver-command -deactivate >/dev/null 2>&1
for _ in $(seq 150); do pgrep -f "^$work/solvane" >/dev/null || break; sleep 0.1; done
check "deactivation ends the saver" "" "$(pgrep -f "^$work/solvane")"
check "no module left behind" "0" "$(left_behind)"
[ "$failures" -ne 0 ] && tail -n 20 "$work/xss.log"
report
