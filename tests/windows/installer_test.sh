#!/usr/bin/env bash
# solvane-setup.exe and its uninstaller under Wine, driven from the command line the way a
# silent deployment drives them, and the zip for installing by hand.
# usage: installer_test.sh SOLVANE_SETUP SOLVANE_SCR SOLVANE_ZIP VERSION
set -u
setup=$1 scr=$2 zip=$3 version=$4
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
wine_tools="cmp xdotool"
# shellcheck source=wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

# The zip: the program as built, texts with Windows line ends, one naming the version, and the
# notices of each library built into the program.
mkdir "$work/zip" && (cd "$work/zip" && cmake -E tar xf "$zip")
check "the zip" "INSTALL.txt LICENSE THIRD-PARTY-NOTICES.txt solvane.scr yes 0 yes" "$(cd "$work/zip" &&
  find . -type f -printf '%P\n' | sort | xargs) $(yes_no cmp -s "$scr" "$work/zip/solvane.scr") $(cat \
  "$work/zip/"*.txt "$work/zip/LICENSE" | grep -vc $'\r$') $(yes_no grep -q "Solvane $version" "$work/zip/INSTALL.txt")"
for library in libjpeg-turbo libogg libvorbis MinGW-w64 GCC; do
  check "the notices cover $library" yes "$(yes_no grep -q "^[0-9]\. .*$library" "$work/zip/THIRD-PARTY-NOTICES.txt")"
done
# The version resource (UTF-16 strings) names the project's version, as Explorer shows it.
utf16() { printf '%s' "$1" | sed 's/./&\\x00/g'; }
check "the .scr's version resource" 1 "$(LC_ALL=C grep -c -a -P "$(utf16 ProductVersion)(\\x00\\x00)+$(utf16 "$version")\\x00\\x00" "$scr")"

drive=$WINEPREFIX/drive_c
system_scr=$drive/windows/system32/solvane.scr
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane'
settings_key='HKCU\Software\Kestrava\Solvane Screensaver'
desktop_key='HKCU\Control Panel\Desktop'
other_scr='C:\windows\system32\other.scr'
reg_value() {  # key, name: the value's data, or nothing when the key or the value is missing
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *${2//./[.]} *REG_[A-Z_]* *//p"
}
key_exists() { if wine reg query "$1" >/dev/null 2>&1; then echo yes; else echo no; fi; }
# What an install or uninstall leaves: Solvane's files under C:\ (the screensaver marked when it
# is the built one), the folder in the uninstall entry, the current screensaver and the stored
# settings.
state() {
  (cd "$drive" && find . -ipath '*solvane*' -printf '%P\n' | sort | while read -r file; do
    if [ -f "$file" ] && cmp -s "$scr" "$file"; then echo "$file=built"; else echo "$file"; fi
  done) | xargs -r -d '\n' printf '%s, '
  echo "entry=$(reg_value "$uninstall_key" InstallLocation) saver=$(reg_value "$desktop_key" \
    SCRNSAVE.EXE) settings=$(reg_value "$settings_key" ShowFPS) publisher=$(key_exists 'HKCU\Software\Kestrava')"
}
run() {  # program and arguments: the exit code, then the state
  wine "$@" >/dev/null 2>&1
  local code=$?
  wineserver -w
  echo "$code $(state)"
}
# The uninstaller copies itself to the temporary folder and returns at once; a copy run with _?=
# (the rest of the line, unquoted: cmd passes it on) does the work and reports its exit code.
uninstall_copy() {  # arguments before _?=
  cp "$drive/Program Files/Solvane/uninstall.exe" "$work/uninstall.exe" 2>/dev/null
  run cmd /c "$(winepath -w "$work/uninstall.exe" 2>/dev/null) $* _?=C:\\Program Files\\Solvane"
}
set_saver() { wine reg add "$desktop_key" /v SCRNSAVE.EXE /t "${2:-REG_SZ}" /d "$1" /f >/dev/null 2>&1; }

# The user's own screensaver and saved settings exist before the installer runs.
set_saver "$other_scr"
wine reg add "$settings_key" /v ShowFPS /t REG_DWORD /d 1 /f >/dev/null 2>&1
mine="saver=$other_scr settings=0x1 publisher=yes"
installed='Program Files/Solvane, Program Files/Solvane/LICENSE, Program Files/Solvane/THIRD-PARTY-NOTICES.txt, Program Files/Solvane/uninstall.exe, windows/system32/solvane.scr=built, entry=C:\Program Files\Solvane'

# A screensaver that cannot be written fails the install before anything is registered.
mkdir -p "$system_scr" "$system_scr.new"
check "setup fails when solvane.scr cannot be written" \
  "2 windows/system32/solvane.scr, windows/system32/solvane.scr.new, entry= $mine" "$(run "$setup" /S)"
rmdir "$system_scr" "$system_scr.new"
check "setup /S keeps the current screensaver" "0 $installed $mine" "$(run "$setup" /S)"

# The Add/Remove Programs entry; its size counts the screensaver (KiB) and at most 1 MiB besides.
extra=$(($(reg_value "$uninstall_key" EstimatedSize) - $(stat -c %s "$system_scr") / 1024))
check "the uninstall entry" "$version|C:\\windows\\system32\\solvane.scr,0|\"C:\\Program Files\\Solvane\\uninstall.exe\"|yes" \
  "$(for name in DisplayVersion DisplayIcon UninstallString; do reg_value "$uninstall_key" $name; done |
  paste -sd'|')|$(yes_no test "$extra" -ge 0 -a "$extra" -le 1024)"

check "setup /S /ACTIVATE over an install makes Solvane the current screensaver" \
  "0 $installed saver=C:\\windows\\system32\\solvane.scr settings=0x1 publisher=yes" "$(run "$setup" /S /ACTIVATE)"
# The Screen Saver settings may spell the same file differently.
set_saver '%SystemRoot%\SYSTEM32\Solvane.scr' REG_EXPAND_SZ
check "uninstall /S removes everything but the settings" "0 entry= saver= settings=0x1 publisher=yes" \
  "$(uninstall_copy /S)"

# With nothing installed the uninstaller fails and touches nothing, not even a solvane.scr
# copied into the system folder by hand.
cp "$scr" "$system_scr"
set_saver "$other_scr"
check "uninstall with nothing installed touches nothing" \
  "2 windows/system32/solvane.scr=built, entry= $mine" "$(uninstall_copy /S /REMOVESETTINGS)"
rm "$system_scr"

# An upgrade into another folder moves the uninstaller there. Another screensaver chosen after
# the install stays chosen; /REMOVESETTINGS removes the settings and the empty publisher key.
# The installed uninstaller returns at once; run's wineserver -w waits for its temporary copy.
run "$setup" /S >/dev/null
check "an upgrade into another folder moves the uninstaller" \
  "0 Solvane, Solvane/LICENSE, Solvane/THIRD-PARTY-NOTICES.txt, Solvane/uninstall.exe, windows/system32/solvane.scr=built, entry=C:\\Solvane saver=C:\\windows\\system32\\solvane.scr settings=0x1 publisher=yes" \
  "$(run "$setup" /S /ACTIVATE '/D=C:\Solvane')"
set_saver "$other_scr"
check "the quiet uninstall with /REMOVESETTINGS keeps another screensaver" "0 entry= saver=$other_scr settings= publisher=no" \
  "$(eval "run $(reg_value "$uninstall_key" QuietUninstallString) /REMOVESETTINGS")"

# A screensaver that runs during an upgrade keeps its file: the new one waits beside it for the
# restart, and the installer says so with 3010 (194 in the 8 bits a Unix exit status keeps).
# Closed before that restart, it is uninstalled waiting copy and all: the restart would bring
# that copy back.
run "$setup" /S >/dev/null
wine 'C:\windows\system32\solvane.scr' /c >/dev/null 2>&1 &
saver=$!
wait_for_window "Solvane Screensaver Configuration" >/dev/null
wine "$setup" /S >/dev/null 2>&1
check "an upgrade over a running screensaver waits for the restart" "194 yes yes" "$? $(yes_no cmp -s \
  "$scr" "$system_scr.new") $(reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  PendingFileRenameOperations | yes_no grep -qF 'solvane.scr.new\0!\??\C:\windows\system32\solvane.scr')"
kill $saver
wait $saver
check "uninstall then removes the waiting copy" "0 entry= saver=$other_scr settings= publisher=yes" \
  "$(uninstall_copy /S)"

report
