#!/usr/bin/env bash
# solvane.scr under Wine, driven the way the system's screensaver host and a user drive it.
# usage: wine_test.sh SOLVANE_SCR PREVIEW_HOST ARTIFACT_DIR
set -u
scr=$1 host=$2 artifacts=$3
mkdir -p "$artifacts"
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
wine_tools="xdotool xwininfo import file x86_64-w64-mingw32-windres"
# shellcheck source=wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

check "solvane.scr is a 64-bit GUI program" "yes" \
  "$(yes_no grep -q '^PE32+ executable (GUI) x86-64' <<<"$(file -b "$scr")")"
# The manifest as the loader finds it, read back from the built program's resources.
manifest=$(x86_64-w64-mingw32-windres -J coff -i "$scr" -O rc 2>/dev/null |
  sed -n '/^1 24 /,/^END/p')
check "the manifest (resource 24, 1) asks for per-monitor DPI awareness, common controls 6, \
Windows 7 to 11 and the caller's rights; missing:" "" "$(for part in '>PerMonitorV2,PerMonitor<' \
  '>true/pm<' Microsoft.Windows.Common-Controls 'version=""6.0.0.0' 'level=""asInvoker' 35138b9a \
  4a2f28e3 1f676c76 8e0f7a12; do grep -qF -- "$part" <<<"$manifest" || echo "$part"; done | xargs)"

key='HKCU\Software\Kestrava\Solvane Screensaver'
stored() { wine reg query "$key" 2>/dev/null | tr -d '\r' | awk '/REG_DWORD/ {print $1 "=" $3}' | sort | xargs; }
# The audio module is written to a "bas" file in the temporary folder and loaded from there; a
# module that fails to load is removed at once, and the file is gone when the run ends.
module_files() { find "$WINEPREFIX/drive_c/users" -iname 'bas*.tmp' 2>/dev/null | wc -l; }

# Each case stores its values (LogPixels: the display's dots per inch, for that case only), runs
# solvane.scr with a switch and sends its window keys (an xdotool chain). Then: the scene
# window's place, the audio module's files during and after the run, the exit code, the display
# mode and what is stored.
# The dialog's tab order: OK, Cancel, Restore Defaults, the mode list (disabled, so skipped,
# while the desktop's mode is used), Use Desktop, VSync, Show FPS, ... About last.
shots=0
while IFS='|' read -r name values switch title keys expected; do
  wine reg delete "$key" /f >/dev/null 2>&1
  for value in $values; do
    target=$key
    [ "${value%=*}" = LogPixels ] && target='HKCU\Control Panel\Desktop'
    wine reg add "$target" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null 2>&1
  done
  wine "$scr" "$switch" >/dev/null 2>&1 &
  pid=$!
  window=$(wait_for_window "$title")
  during=none
  if [ -n "$window" ]; then
    sleep 1  # the music starts once the content is loaded
    for _ in $(seq 100); do [ "$switch" != /s ] || [ "$(module_files)" -gt 0 ] && break; sleep 0.1; done
    during=$( ([ "$switch" = /s ] && geometry "$window"; module_files) | xargs)
    import -window root "$artifacts/solvane-$((++shots)).png"
    # shellcheck disable=SC2086 # the chain splits into xdotool's words
    xdotool windowfocus --sync "$window" $keys 2>/dev/null
  fi
  finish $pid
  [[ $values == *LogPixels* ]] &&
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
  check "$name" "$expected" "$(xargs <<<"$during $(module_files) $status $(xdpyinfo |
    awk '/dimensions:/ {print $2}') $(stored)")"
done <<'CASES'
full screen, ended by a key||/s|Solvane ScreenSaver|key space|0,0,1024x768 1 0 0 1024x768
at 144 dpi full screen is still every device pixel|LogPixels=144|/s|Solvane ScreenSaver|key space|0,0,1024x768 1 0 0 1024x768
a stored mode sizes the window, a click ends it|UseDesktop=0 Width=640 Height=480 ShowFPS=1|/s|Solvane ScreenSaver|mousemove 100 100 click 1|0,0,640x480 1 0 0 1024x768 Height=0x1e0 ShowFPS=0x1 UseDesktop=0x0 Width=0x280
OK stores the dialog's values, the frame counter ticked||/c|Solvane Screensaver Configuration|key Tab Tab Tab Tab Tab space Return|0 0 0 1024x768 DefGamma=0x1 Depth=0x20 EnableMusic=0x1 Gamma=0x32 Height=0x300 MouseExit=0x0 ShowClock=0x1 ShowFPS=0x1 ShowFlame=0x0 Speed=0x32 TimeFormat=0x1 UseDesktop=0x1 VSync=0x0 Volume=0x4b Width=0x400
Cancel stores nothing|ShowFPS=1|/c|Solvane Screensaver Configuration|key Tab Tab Tab Tab Tab space Escape|0 0 0 1024x768 ShowFPS=0x1
About opens from the dialog and closes with OK|ShowFPS=1|/c|Solvane Screensaver Configuration|key shift+Tab space sleep 1 key Return sleep 1 key Escape|0 0 0 1024x768 ShowFPS=0x1
a preview without a host window shows the error box||/p|ERROR|key Return|0 0 0 1024x768
CASES

# The preview inside a host's window: a child window over the host's client area, painting the
# preview picture, ending when the host destroys its window. Wine does not put one process's
# drawing into another's window on the X display, so the picture is checked as the resource it
# paints from, and the screenshot is kept for a look.
wine "$host" "$(winepath -w "$scr" 2>/dev/null)" 3000 >"$work/host.out" 2>/dev/null &
sleep 2
import -window root "$artifacts/solvane-p.png"
wait $!
check "the preview fills the host's window, paints its picture, ends with the window" \
  "child=320x240+0+0 bitmap=155x115x24 ended 0" "$(tr -d '\r' <"$work/host.out" | xargs)"

report
