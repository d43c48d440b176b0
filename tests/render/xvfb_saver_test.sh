#!/usr/bin/env bash
# The Linux screensaver on a virtual X display: full screen, ended by a key, a click or a signal;
# the preview's error box; the dialog's OK and Cancel. Usage: xvfb_saver_test.sh path/to/solvane
set -u
saver=$1
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need xdotool xwininfo strace
start_xvfb 1024x768
mkdir -p "$work/tmp"
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" SDL_AUDIODRIVER=dummy
settings=$work/config/solvane/settings

# The full-screen run: how it ends, the window's place and size, the exit code.
while IFS='|' read -r stored ending expected; do
  rm -rf "$work/config"
  [ -n "$stored" ] && mkdir -p "${settings%/*}" && printf '%b' "$stored" >"$settings"
  "$saver" /s >/dev/null 2>&1 &
  pid=$!
  window=$(wait_for_window "Solvane ScreenSaver")
  where=$([ -n "$window" ] && geometry "$window")
  sleep 1
  case $ending in
    key) xdotool key space ;;
    click) xdotool mousemove 512 384 click 1 ;;
    *) kill "-$ending" $pid ;;
  esac
  finish $pid 60
  check "$ending ends a run at ${stored:-the desktop mode}" "$expected" "$where $status"
  check "the run after $ending wrote no settings" "$(printf '%b' "$stored")" "$(cat "$settings" 2>/dev/null)"
done <<'CASES'
|key|0,0,1024x768 0
|click|0,0,1024x768 0
UseDesktop=0\nWidth=640\nHeight=480\n|TERM|0,0,640x480 0
CASES
# A host may end the saver it started a moment ago: a quit signal as the saver first connects
# to the display, before its window is up, ends it in order.
for run in "TERM /s" "HUP -root"; do
  # shellcheck disable=SC2086
  strace -f -o /dev/null -e trace=connect -e "inject=connect:signal=${run% *}:when=1" \
    "$saver" ${run#* } >/dev/null 2>&1 &
  finish $!
  check "SIG$run as it connects to the display ends the run with" 0 "$status"
done
check "no module left behind" "0" "$(find "$work/tmp" -mindepth 1 | wc -l)"

# A preview cannot enter a window of another system: the error box, then a clean exit.
"$saver" /p 1234 >/dev/null 2>&1 &
pid=$!
box=""
for _ in $(seq 150); do
  # The box is drawn by SDL without the properties xdotool searches by; xwininfo sees it.
  box=$(xwininfo -root -tree 2>/dev/null | awk '/"ERROR"/ {print $1; exit}')
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] && { sleep 0.3; xdotool windowfocus --sync "$box" key Return 2>/dev/null; }
finish $pid
check "preview shows the error box, then exits with 0" "yes 0" "$([ -n "$box" ] && echo yes) $status"

# The configuration dialog (GTK): "-c" and no switch at all open it. Controls sit where the
# template puts them, at two pixels per dialog unit inside the window.
while read -r button x switches; do
  # shellcheck disable=SC2086
  "$saver" $switches >/dev/null 2>&1 &
  pid=$!
  window=$(wait_for_window "Solvane Screensaver Configuration")
  if [ -n "$window" ]; then
    sleep 0.5
    IFS=, read -r ox oy _ <<<"$(geometry "$window")"
    for point in "130 21" "$x 210"; do  # Show FPS, then the button
      read -r ux uy <<<"$point"
      xdotool mousemove $((ox + 2 * ux + 2)) $((oy + 2 * uy + 2)) click 1
      sleep 0.3
    done
  fi
  finish $pid
  check "$button ends the dialog opened by '$switches' with 0" "yes 0" "$([ -n "$window" ] && echo yes) $status"
  check "after $button the file holds" "ShowFPS=1" "$(grep '^ShowFPS=' "$settings" 2>/dev/null)"
done <<'CASES'
OK 270 -c
Cancel 345
CASES

# Under a window manager with a panel: the run asks for full screen, which puts it above the
# panel and over the whole screen, and a key still ends it.
need openbox xfce4-panel dbus-run-session xprop
setsid openbox >/dev/null 2>&1 &
desktop=$!
setsid dbus-run-session xfce4-panel >/dev/null 2>&1 &
at_exit() { kill -- "-$desktop" "-$!" 2>/dev/null; }
for _ in $(seq 100); do xdotool search --class xfce4-panel >/dev/null && break; sleep 0.1; done
"$saver" /s >/dev/null 2>&1 &
pid=$!
window=$(wait_for_window "Solvane ScreenSaver")
sleep 1
state=$(xprop -id "$window" _NET_WM_STATE 2>/dev/null | grep -o FULLSCREEN)
top=$(xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}')
where=$(geometry "$window")
xdotool key space
finish $pid 60
check "under a window manager: state, topmost, place, exit" "FULLSCREEN yes 0,0,1024x768 0" \
  "$state $([ "$top" == "$(printf '0x%x' "${window:-0}")" ] && echo yes) $where $status"

report
