#!/usr/bin/env bash
# The Linux screensaver on a headless sway with two outputs of different sizes, one of them at
# scale 2 (drawn in device pixels): /s full screen on every output; on the layer shell, the saver
# over every output or the named ones, the wallpaper that keys do not reach; the quit signals,
# bad command lines. Usage: wayland_test.sh path/to/solvane
set -u
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
need grim wtype convert jq weston
start_sway 640x360 400x300
swaymsg output HEADLESS-2 scale 2 >/dev/null
cp "$1" "$work/solvane"
chmod 755 "$work/solvane"
mkdir -p "$work/tmp" "$work/config"
chmod 1777 "$work/tmp" "$work/config"
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" SDL_AUDIODRIVER=dummy
runtime_files=$(ls "$XDG_RUNTIME_DIR")
at_exit() { [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; }

# Bad input: one line on stderr; 2 for a bad command line, 1 when there is no desktop to draw on.
while IFS='|' read -r expected environment options; do
  # shellcheck disable=SC2086
  timeout 20 env $environment "$work/solvane" $options >/dev/null 2>"$work/err" </dev/null
  check "refused: $environment $options" "$expected" "$? $(wc -l <"$work/err")"
done <<'CASES'
2 1||--layer sideways
2 1||--layer overlay --output NOPE
1 1|-u WAYLAND_DISPLAY|--layer background
CASES

until_flying() {  # waits up to 30 s for the first frame of the scene (it may load slowly)
  for _ in $(seq 60); do grep -q "first scene frame" "$work/run.out" && break; sleep 0.5; done
  # and a while more for the compositor to show it (a full-screen window takes a moment)
  for _ in $(seq 40); do
    { output_shows HEADLESS-1; output_shows HEADLESS-2; } | grep -q ' scene$' && return
  done
}

# One run per row: the layer (or /s with the settings stored), the outputs asked for, what each
# output shows, what a key does, and the quit signal that ends it when the key did not.
settings=$work/config/solvane/settings
while read -r layer only first second key signal stored; do
  row="--layer $layer ${only/#-/on every output}"
  options="--layer $layer --max-fps 5 --speed 0"
  [ "$layer" == /s ] && row="/s ${stored/#-/at the desktop mode}" && options="/s --max-fps 5 --speed 0"
  [ "$only" != - ] && options+=" --output $only"
  rm -f "$settings"
  [ "$stored" != - ] && mkdir -p "${settings%/*}" && printf '%b' "$stored" >"$settings"
  # shellcheck disable=SC2086
  "${as_user[@]}" env SOLVANE_REPORT_FIRST_FRAME=1 SDL_VIDEODRIVER=wayland "$work/solvane" $options \
    >"$work/run.out" 2>&1 &
  pid=$!
  until_flying
  check "$row: HEADLESS-1" "640x360 $first" "$(output_shows HEADLESS-1)"
  check "$row: HEADLESS-2" "400x300 $second" "$(output_shows HEADLESS-2)"
  if [ "$layer" == /s ]; then
    # Full screen on each output, as the compositor sees it: not tiled, no title bar; a mode or
    # gamma that Wayland does not allow is said, once each.
    check "$row: full-screen windows, lines said" "2 $([ "$stored" == - ] && echo 0 || echo 2)" \
      "$(swaymsg -r -t get_tree | jq '[.. | objects | select(.app_id? and .fullscreen_mode == 1)] | length') \
$(grep -c Wayland "$work/run.out")"
  fi
  if [ "$key" != - ]; then
    # The virtual keyboard appears as wtype starts: the pause lets the program take it first.
    wtype -s 500 x
    sleep 1
    check "$row: a key" "$key" "$(kill -0 $pid 2>/dev/null && echo ignored || echo ends)"
  fi
  [ "$signal" != - ] && kill "-$signal" $pid
  finish $pid
  check "$row: ${signal/#-/the key} ends it with 0" "0" "$status"
  [ "$status" != 0 ] && cat "$work/run.out"
done <<'CASES'
/s         -          scene bare  ends    -    -
/s         -          scene bare  -       INT  UseDesktop=0\nWidth=320\nHeight=240\nDefGamma=0\nGamma=70\n
overlay    -          scene scene ends    -    -
overlay    HEADLESS-2 bare  scene -       TERM -
overlay    HEADLESS-1 scene bare  -       HUP  -
background -          scene scene ignored INT  -
background HEADLESS-1 scene bare  -       TERM -
background HEADLESS-2 bare  scene -       HUP  -
CASES
check "nothing left in \$XDG_RUNTIME_DIR" "$runtime_files" "$(ls "$XDG_RUNTIME_DIR")"

# An output plugged in during a run gets a surface of its own; the compositor going away ends
# the run in order: one line, exit 1.
"${as_user[@]}" env SOLVANE_REPORT_FIRST_FRAME=1 "$work/solvane" --layer overlay --max-fps 5 \
  --speed 0 >"$work/run.out" 2>&1 &
pid=$!
until_flying
swaymsg output HEADLESS-3 resolution 320x240 >/dev/null
swaymsg create_output >/dev/null
sleep 1
check "an output plugged in during the run" "320x240 scene" "$(output_shows HEADLESS-3)"
kill "$sway_pid"
finish $pid
check "a lost compositor ends the run with 1 and one line" "1 1" \
  "$status $(grep -vc 'first scene frame' "$work/run.out")"
pid=

# A compositor without the layer shell (weston): one line that points to /s, exit status 1.
"${as_user[@]}" weston --backend=headless-backend.so --socket=weston-0 --use-pixman \
  >"$work/weston.log" 2>&1 &
weston=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/weston-0" ] && break; sleep 0.1; done
"${as_user[@]}" env WAYLAND_DISPLAY=weston-0 "$work/solvane" --layer overlay >/dev/null 2>"$work/err"
check "weston: --layer refused, one line, pointing to /s" "1 1 1" \
  "$? $(wc -l <"$work/err") $(grep -c "'solvane /s'" "$work/err")"
kill "$weston"
check "nothing left in \$TMPDIR" "" "$(ls -A "$TMPDIR")"
report
