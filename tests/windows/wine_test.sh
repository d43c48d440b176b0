#!/usr/bin/env bash
# solvane.scr under Wine on a virtual X display, driven the way the system's screensaver host
# and a user drive it. Every run gets a throwaway Wine prefix.
#
# usage: wine_test.sh SOLVANE_SCR PREVIEW_HOST ARTIFACT_DIR
set -u
scr=$1
host=$2
artifacts=$3
mkdir -p "$artifacts"
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
wine_tools="xdotool xwininfo import"
# shellcheck source=wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

key='HKCU\Software\Kestrava\Solvane Screensaver'
stored_values() { wine reg query "$key" 2>/dev/null | tr -d '\r' | grep REG_DWORD | sort; }
screen_size() { xdpyinfo | awk '/dimensions:/ {print $2}'; }

check "solvane.scr is a 64-bit GUI program" "yes" \
  "$(file -b "$scr" | grep -q '^PE32+ executable (GUI) x86-64' && echo yes || echo no)"

# Full screen: the scene window at (0, 0) over the screen, ended by a key with exit code 0.
# The music is on by default: the audio module is written to a "bas" file in the temporary
# directory and loaded from there (a module that fails to load or lacks an entry point is
# removed at once), and the file is gone when the run ends.
module_files() { find "$WINEPREFIX/drive_c/users" -iname 'bas*.tmp' 2>/dev/null | wc -l; }
size_before=$(screen_size)
WINEDEBUG=+loaddll wine "$scr" /s >/dev/null 2>"$work/loaddll.log" &
pid=$!
window=$(wait_for_window "Solvane ScreenSaver")
check "/s opens the scene window" "yes" "$([ -n "$window" ] && echo yes || echo no)"
if [ -n "$window" ]; then
  check "/s window covers the screen" "0,0,1024x768" "$(geometry "$window")"
  sleep 1
  check "the audio module stays loaded from its temporary file" "1" "$(module_files)"
  import -window root "$artifacts/solvane-s.png"
  xdotool key space
fi
finish $pid
check "/s ends with 0 after a key" "0" "$status"
check "the audio module was loaded" "yes" \
  "$(grep -qi 'Loaded.*bas[0-9a-f]*\.tmp' "$work/loaddll.log" && echo yes || echo no)"
check "the module's file is removed at the end" "0" "$(module_files)"
check "the display mode is back" "$size_before" "$(screen_size)"
check "a run writes no settings" "" "$(stored_values)"

# Stored values change what the run uses; the run still writes nothing.
wine reg add "$key" /v UseDesktop /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "$key" /v Width /t REG_DWORD /d 640 /f >/dev/null 2>&1
wine reg add "$key" /v Height /t REG_DWORD /d 480 /f >/dev/null 2>&1
wine reg add "$key" /v ShowFPS /t REG_DWORD /d 1 /f >/dev/null 2>&1
before=$(stored_values)
wine "$scr" /s >/dev/null 2>&1 &
pid=$!
window=$(wait_for_window "Solvane ScreenSaver")
if [ -n "$window" ]; then
  check "a stored mode sizes the scene window" "0,0,640x480" "$(geometry "$window")"
  sleep 0.5
  xdotool mousemove 100 100 click 1
fi
finish $pid
check "a click ends the run with 0" "0" "$status"
check "the stored values are untouched" "$before" "$(stored_values)"
check "the display mode is back after a mode change" "$size_before" "$(screen_size)"
wine reg delete "$key" /f >/dev/null 2>&1

# The configuration dialog, driven from the keyboard: the tab order follows the template (OK,
# Cancel, Restore Defaults, the mode list, Use Desktop, VSync, Show FPS, ... About last), and the
# mode list is disabled, so skipped, while the desktop's mode is used (the default).
caption="Solvane Screensaver Configuration"
stored_fps() { wine reg query "$key" /v ShowFPS 2>/dev/null | tr -d '\r' | awk '/ShowFPS/ {print $3}'; }
gone() {  # title: waits until no visible window has it
  for _ in $(seq 50); do
    [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ] && return
    sleep 0.1
  done
}
wine "$scr" /c >/dev/null 2>&1 &
pid=$!
dialog=$(wait_for_window "$caption")
check "/c shows the configuration dialog" "yes" "$([ -n "$dialog" ] && echo yes || echo no)"
if [ -n "$dialog" ]; then
  sleep 0.5
  import -window root "$artifacts/solvane-c.png"
  xdotool windowfocus --sync "$dialog" key shift+Tab space 2>/dev/null
  about=$(wait_for_window "About")
  check "About opens from the dialog" "yes" "$([ -n "$about" ] && echo yes || echo no)"
  [ -n "$about" ] && import -window root "$artifacts/solvane-about.png"
  [ -n "$about" ] && xdotool windowfocus --sync "$about" key Return 2>/dev/null
  gone About
  check "About closes with OK" "" "$(xdotool search --onlyvisible --name '^About$' 2>/dev/null)"
  xdotool windowfocus --sync "$dialog" key Tab Tab Tab Tab Tab Tab space Return 2>/dev/null
fi
finish $pid
check "/c ends with 0" "0" "$status"
check "OK stores the frame counter ticked in the dialog" "0x1" "$(stored_fps)"

wine "$scr" /c >/dev/null 2>&1 &
pid=$!
dialog=$(wait_for_window "$caption")
if [ -n "$dialog" ]; then
  sleep 0.5
  xdotool windowfocus --sync "$dialog" key Tab Tab Tab Tab Tab space Escape 2>/dev/null
fi
finish $pid
check "Cancel stores nothing" "0x1" "$(stored_fps)"
wine reg delete "$key" /f >/dev/null 2>&1

# Preview inside a host's window: a child window over the host's client area showing the
# preview picture, ending when the host destroys its window. Wine does not put one process's
# drawing into another process's window on the X display, so the picture is checked as the
# resource it paints from, and the screenshot is kept for a look.
wine "$host" "$(winepath -w "$scr" 2>/dev/null)" 3000 >"$work/host.out" 2>/dev/null &
host_pid=$!
sleep 2
import -window root "$artifacts/solvane-p.png"
wait "$host_pid"
host_report=$(tr -d '\r' <"$work/host.out")
check "the host got its window" "yes" "$(grep -q '^hwnd=' <<<"$host_report" && echo yes || echo no)"
check "the preview fills the host's client area" "child=320x240" "$(grep '^child=' <<<"$host_report")"
check "the preview picture" "bitmap=155x115x24" "$(grep '^bitmap=' <<<"$host_report")"
check "the preview ends with its host window" "ended 0" "$(grep -E '^(ended|hung)' <<<"$host_report")"

# A preview without a host window: the error box, then exit code 0.
wine "$scr" /p >/dev/null 2>&1 &
pid=$!
box=$(wait_for_window "ERROR")
check "/p alone shows the error box" "yes" "$([ -n "$box" ] && echo yes || echo no)"
if [ -n "$box" ]; then
  sleep 0.5
  xdotool windowfocus --sync "$box" key Return 2>/dev/null
fi
finish $pid
check "/p alone exits with 0" "0" "$status"

report
