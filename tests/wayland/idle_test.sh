#!/usr/bin/env bash
# The idle watcher, solvane --idle, with each idle period cut to 2 s by the tests' hook: on a
# headless sway (the compositor's idle notifications, the saver on the overlay layer) and on a
# virtual X display (the screen-saver extension, the saver as /s). The saver starts after the
# idle time, input ends it, the next idle period starts it again, a quit signal ends both, a
# second watcher for the session refuses, and nothing is left behind.
# Usage: idle_test.sh path/to/solvane
set -u
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need grim wtype convert xdotool pgrep
start_sway 640x360
cp "$1" "$work/solvane"
chmod 755 "$work/solvane"
mkdir -p "$work/tmp" "$work/config"
chmod 1777 "$work/tmp" "$work/config"
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" SDL_AUDIODRIVER=dummy \
  SOLVANE_IDLE_SECONDS=2 SOLVANE_REPORT_FIRST_FRAME=1
unset DBUS_SESSION_BUS_ADDRESS
runtime_files=$(ls "$XDG_RUNTIME_DIR")
at_exit() { [ -n "${watcher:-}" ] && kill "$watcher" 2>/dev/null; }
runs() {  # the savers started so far (their first frames), once there are $1 or after 30 s
  for _ in $(seq 60); do
    [ "$(grep -c 'first scene frame' "$work/run.out")" -ge "$1" ] && break
    sleep 0.5
  done
  grep -c 'first scene frame' "$work/run.out"
}

"${as_user[@]}" "$work/solvane" --idle 1 --max-fps 5 --speed 0 --no-music >"$work/run.out" 2>&1 &
watcher=$!
check "wayland: after the idle time, a saver" 1 "$(runs 1)"
sleep 0.5
check "wayland: it covers the output (overlay layer)" "640x360 star" "$(output_shows HEADLESS-1)"
timeout 10 "${as_user[@]}" "$work/solvane" --idle 5 >/dev/null 2>"$work/err"
check "a second watcher for the session refuses with one line" "1 1" "$? $(wc -l <"$work/err")"
# The virtual keyboard appears as wtype starts: the pause lets the saver take it first.
wtype -s 500 x
sleep 1
check "wayland: a key ends the saver, not the watcher" "0 yes" \
  "$(pgrep -c -P "$watcher") $(kill -0 "$watcher" 2>/dev/null && echo yes)"
check "wayland: the next idle period starts it again" 2 "$(runs 2)"
# A saver that ends without input (here a signal; a crash alike) leaves the period idle: no new
# saver until the user has been back.
kill "$(pgrep -P "$watcher")"
sleep 3
check "wayland: no second saver in one idle period" "0 2" \
  "$(pgrep -c -P "$watcher") $(grep -c 'first scene frame' "$work/run.out")"
wtype -s 500 x
check "wayland: input, then idle time: a saver again" 3 "$(runs 3)"
saver=$(pgrep -P "$watcher")
kill -TERM "$watcher"
finish "$watcher"
check "wayland: SIGTERM ends the saver, then the watcher with 0" "0 gone" \
  "$status $(kill -0 "$saver" 2>/dev/null && echo running || echo gone)"
[ "$status" != 0 ] && cat "$work/run.out"
check "nothing left in \$XDG_RUNTIME_DIR" "$runtime_files" "$(ls "$XDG_RUNTIME_DIR")"

start_xvfb 640x480
env -u WAYLAND_DISPLAY "$work/solvane" --idle 1 --no-music >"$work/run.out" 2>&1 &
watcher=$!
window=$(wait_for_window "Solvane ScreenSaver")
check "x11: after the idle time, the saver full screen" "0,0,640x480" \
  "$([ -n "$window" ] && geometry "$window")"
sleep 1
xdotool key space
sleep 1
check "x11: a key ends the saver, not the watcher" "0 yes" \
  "$(pgrep -c -P "$watcher") $(kill -0 "$watcher" 2>/dev/null && echo yes)"
check "x11: the next idle period starts it again" yes \
  "$([ -n "$(wait_for_window "Solvane ScreenSaver")" ] && echo yes)"
kill -HUP "$watcher"
finish "$watcher"
check "x11: SIGHUP ends the watcher with 0" 0 "$status"
watcher=
check "nothing left in \$TMPDIR" "" "$(ls -A "$TMPDIR")"
report
