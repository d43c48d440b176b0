#!/usr/bin/env bash
# The Linux screensaver on a virtual X display: full screen over the display, ended by a key
# press with exit code 0. Usage: xvfb_saver_test.sh path/to/solvane
set -u
saver=$1
work=$(mktemp -d)
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"

for tool in Xvfb xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)"; exit 1; }
done

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display XDG_CONFIG_HOME="$work/config"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

run_until_key() {  # args: key or click; prints the exit code
  "$saver" /s >"$work/out" 2>&1 &
  local pid=$!
  local window
  window=$(wait_for_window "Solvane ScreenSaver")
  if [ -n "$window" ]; then
    geometry "$window" >"$work/geometry"
    sleep 0.5
    if [ "$1" == key ]; then xdotool key space; else xdotool mousemove 512 384 click 1; fi
  fi
  finish $pid
  echo "$status"
}

check "a key ends the run" "0" "$(run_until_key key)"
check "the window covers the screen" "0,0,1024x768" "$(cat "$work/geometry" 2>/dev/null)"
check "a click ends the run" "0" "$(run_until_key click)"
check "the run wrote no settings" "no" "$([ -e "$work/config/solvane/settings" ] && echo yes || echo no)"

mkdir -p "$work/config/solvane"
printf 'UseDesktop=0\nWidth=640\nHeight=480\n' >"$work/config/solvane/settings"
check "a stored mode sizes the window" "0" "$(run_until_key key)"
check "stored size" "0,0,640x480" "$(cat "$work/geometry" 2>/dev/null)"

# A preview cannot enter a window of another system: the error box, then a clean exit.
"$saver" /p 1234 >/dev/null 2>&1 &
pid=$!
box=""
for _ in $(seq 100); do
  # The box is drawn by SDL without the properties xdotool searches by; xwininfo sees it.
  box=$(xwininfo -root -tree 2>/dev/null | awk '/"ERROR"/ {print $1; exit}')
  [ -n "$box" ] && break
  sleep 0.1
done
check "preview shows the error box" "yes" "$([ -n "$box" ] && echo yes || echo no)"
[ -n "$box" ] && { sleep 0.3; xdotool windowfocus --sync "$box" key Return 2>/dev/null; }
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then kill -9 $pid; fi
wait $pid
check "preview exits with 0" "0" "$?"

# The configuration dialog (GTK): "-c" and no switch at all open it. Controls sit where the
# template puts them, at two pixels per dialog unit inside the window.
caption="Solvane Screensaver Configuration"
open_dialog() {  # args: switches; sets $pid and $origin ("x y" of the window)
  "$saver" "$@" >"$work/out" 2>&1 &
  pid=$!
  origin=""
  local window
  window=$(wait_for_window "$caption")
  [ -z "$window" ] && return
  sleep 0.5
  origin=$(geometry "$window" | awk -F, '{print $1, $2}')
}
click_unit() {  # dialog-unit x and y of a point inside a control
  read -r ox oy <<<"$origin"
  xdotool mousemove $((ox + 2 * $1 + 2)) $((oy + 2 * $2 + 2)) click 1
  sleep 0.3
}
wait_exit() {
  finish "$pid"
  echo "$status"
}
# Quit signals end a full-screen run in order, with 0; nothing can leave the music's module
# behind, not even SIGKILL.
mkdir -p "$work/tmp"
rm -rf "$work/config"
for signal in TERM INT HUP QUIT KILL; do
  # A run that a stray input event of the steps before ended on its own is started again: what
  # is checked is the signal's way out.
  for _ in 1 2 3; do
    TMPDIR="$work/tmp" SDL_AUDIODRIVER=dummy "$saver" /s >/dev/null 2>&1 &
    pid=$!
    [ -n "$(wait_for_window "Solvane ScreenSaver")" ] && sleep 1
    kill -0 $pid 2>/dev/null && break
    wait $pid
  done
  kill -$signal $pid
  finish $pid
  expected=0
  [ $signal == KILL ] && expected=137
  check "SIG$signal ends the run" "$expected" "$status"
  check "no module left after SIG$signal" "0" "$(find "$work/tmp" -mindepth 1 | wc -l)"
  check "no window left after SIG$signal" "" "$(xdotool search --onlyvisible --name '^Solvane ScreenSaver$' 2>/dev/null)"
done

rm -rf "$work/config"
open_dialog -c
check "-c opens the configuration dialog" "yes" "$([ -n "$origin" ] && echo yes || echo no)"
if [ -n "$origin" ]; then
  mkdir -p "$PWD/artifacts"
  import -window root "$PWD/artifacts/solvane-gtk-c.png"
  click_unit 130 21   # Show FPS
  click_unit 270 210  # OK
fi
check "OK ends the dialog with 0" "0" "$(wait_exit)"
check "OK writes the settings file" "ShowFPS=1" "$(grep '^ShowFPS=' "$work/config/solvane/settings" 2>/dev/null)"
open_dialog
check "no switch opens the dialog too" "yes" "$([ -n "$origin" ] && echo yes || echo no)"
if [ -n "$origin" ]; then
  click_unit 130 21   # Show FPS
  click_unit 345 210  # Cancel
fi
check "Cancel ends the dialog with 0" "0" "$(wait_exit)"
check "Cancel writes nothing" "ShowFPS=1" "$(grep '^ShowFPS=' "$work/config/solvane/settings" 2>/dev/null)"

report
