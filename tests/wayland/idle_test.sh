#!/usr/bin/env bash
# The idle watcher, solvane --idle, with each idle period cut to 2 s by the tests' hook: on a
# headless sway (the compositor's idle notifications, the saver on the overlay layer), on a
# virtual X display (the screen-saver extension, the saver as /s) and with a stand-in for GNOME's
# session services. The saver starts after the idle time, input ends it, the next idle period
# starts it again (not the same one), inhibitors and a lock hold it back, a quit signal ends both,
# a second watcher for the session refuses, and nothing is left behind.
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
# shellcheck disable=SC2086 # the processes not started drop out
at_exit() { kill ${watcher:-} ${stand_in:-} ${bus:-} 2>/dev/null; }
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
check "wayland: it covers the output (overlay layer)" "640x360 scene" "$(output_shows HEADLESS-1)"
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
check "x11: the next idle period starts it again" 2 "$(runs 2)"
kill -HUP "$watcher"
finish "$watcher"
check "x11: SIGHUP ends the watcher with 0" 0 "$status"

# GNOME's services through a stand-in on a session bus of its own, the saver as /s on the X
# display: an idle inhibitor or a locked session hold the saver back while the session is idle.
need dbus-daemon /usr/bin/python3
mkdir "$work/gnome"
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>/dev/null &
bus=$!
for _ in $(seq 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
/usr/bin/python3 "$(dirname "$0")/gnome_stand_in.py" "$work/gnome" &
stand_in=$!
for _ in $(seq 100); do [ -e "$work/gnome/ready" ] && break; sleep 0.1; done
touch "$work/gnome/inhibited"
env -u WAYLAND_DISPLAY "$work/solvane" --idle 1 --no-music >"$work/run.out" 2>&1 &
watcher=$!
sleep 3
check "gnome: no saver while an application inhibits idleness" 0 "$(pgrep -c -P "$watcher")"
mv "$work/gnome/inhibited" "$work/gnome/locked"
sleep 2.5
check "gnome: nor while the session is locked" 0 "$(pgrep -c -P "$watcher")"
rm "$work/gnome/locked"
check "gnome: then the saver, the session being idle still" 1 "$(runs 1)"
xdotool key space
sleep 1
kill -USR1 "$stand_in"  # the user's input, as the idle monitor sees it
check "gnome: input, then idle time: a saver again" 2 "$(runs 2)"
kill "$watcher"
finish "$watcher"
check "gnome: SIGTERM ends the saver, then the watcher with 0" "0 0" \
  "$status $(pgrep -c -f "^$work/solvane")"
watcher=
check "nothing left in \$TMPDIR" "" "$(ls -A "$TMPDIR")"
report
