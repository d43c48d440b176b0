#!/usr/bin/env bash
# solvane-setup.exe and its uninstaller under Wine in a throwaway 64-bit prefix, driven from
# the command line the way a silent deployment drives them, and the zip for installing by hand.
#
# usage: installer_test.sh SOLVANE_SETUP SOLVANE_SCR SOLVANE_ZIP VERSION
set -u
setup=$1
scr=$2
zip=$3
version=$4
# shellcheck source=../support/script_checks.sh
source "$(dirname "$0")/../support/script_checks.sh"
wine_tools="cmp xdotool"
# shellcheck source=wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

yes_no() { if "$@"; then echo yes; else echo no; fi; }

# The zip: the program as built and a text with Windows line ends.
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
check "the zip holds solvane.scr and INSTALL.txt" "INSTALL.txt solvane.scr" \
  "$(cd "$work/zip" && find . -type f -printf '%P\n' | sort | xargs)"
check "the zip's solvane.scr is the built one" "yes" "$(yes_no cmp -s "$scr" "$work/zip/solvane.scr")"
check "every line of INSTALL.txt ends with CRLF" "0" \
  "$(grep -vc $'\r$' "$work/zip/INSTALL.txt" 2>/dev/null)"
check "INSTALL.txt names the version" "yes" \
  "$(yes_no grep -q "Solvane $version" "$work/zip/INSTALL.txt")"

drive=$WINEPREFIX/drive_c
system_scr=$drive/windows/system32/solvane.scr
install_dir=$drive/Program\ Files/Solvane
win_install_dir='C:\Program Files\Solvane'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane'
settings_key='HKCU\Software\Kestrava\Solvane Screensaver'
desktop_key='HKCU\Control Panel\Desktop'
other_scr='C:\windows\system32\other.scr'

# One value's data, or nothing when the key or the value is missing.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *${2//./[.]} *REG_[A-Z_]* *//p"
}
key_exists() { if wine reg query "$1" >/dev/null 2>&1; then echo yes; else echo no; fi; }
exists() { yes_no test -e "$1"; }
scrnsave() { reg_value "$desktop_key" SCRNSAVE.EXE; }
run() {  # program and arguments: sets $status to the exit code
  wine "$@" >/dev/null 2>&1
  status=$?
  wineserver -w
}

# The user's own screensaver and saved settings exist before the installer runs.
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other_scr" /f >/dev/null 2>&1
wine reg add "$settings_key" /v ShowFPS /t REG_DWORD /d 1 /f >/dev/null 2>&1

# A screensaver that cannot be written fails the install before anything is registered.
mkdir -p "$system_scr" "$system_scr.new"
run "$setup" /S
check "setup fails when solvane.scr cannot be written" "2" "$status"
check "it registers nothing" "no no" \
  "$(key_exists "$uninstall_key") $(exists "$install_dir")"
rmdir "$system_scr" "$system_scr.new"

run "$setup" /S
check "setup /S succeeds" "0" "$status"
check "solvane.scr is in the 64-bit system folder" "yes" "$(exists "$system_scr")"
check "the installed solvane.scr is the built one" "yes" "$(yes_no cmp -s "$scr" "$system_scr")"
check "nothing lands in SysWOW64" "no" "$(exists "$drive/windows/syswow64/solvane.scr")"
check "the uninstaller is in Program Files" "yes" "$(exists "$install_dir/uninstall.exe")"
check "nothing lands in Program Files (x86)" "no" "$(exists "$drive/Program Files (x86)/Solvane")"
check "a silent install keeps the current screensaver" "$other_scr" "$(scrnsave)"

# The Add/Remove Programs entry, in the 64-bit view of the registry.
while IFS='|' read -r name expected; do
  check "uninstall entry $name" "$expected" "$(reg_value "$uninstall_key" "$name")"
done <<EOF_VALUES
DisplayName|Solvane Screensaver
DisplayVersion|$version
Publisher|Kestrava
DisplayIcon|C:\\windows\\system32\\solvane.scr,0
InstallLocation|$win_install_dir
UninstallString|"$win_install_dir\\uninstall.exe"
QuietUninstallString|"$win_install_dir\\uninstall.exe" /S
NoModify|0x1
NoRepair|0x1
EOF_VALUES
size_kb=$(($(stat -c %s "$system_scr") / 1024))
estimated=$(($(reg_value "$uninstall_key" EstimatedSize)))
check "EstimatedSize counts the screensaver (KiB)" "yes" \
  "$(yes_no test "$estimated" -ge "$size_kb" -a "$estimated" -le $((size_kb + 1024)))"
check "no entry in the 32-bit view" "no" \
  "$(key_exists 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Solvane')"

# Installing again over the first install, asking for the screensaver this time.
run "$setup" /S /ACTIVATE
check "setup /S /ACTIVATE over an install succeeds" "0" "$status"
check "/ACTIVATE makes Solvane the current screensaver" 'C:\windows\system32\solvane.scr' \
  "$(scrnsave)"
check "the upgrade keeps solvane.scr" "yes" "$(yes_no cmp -s "$scr" "$system_scr")"
check "the upgrade keeps the uninstall entry" "$version" \
  "$(reg_value "$uninstall_key" DisplayVersion)"

# The uninstaller normally copies itself to the temporary folder and returns at once; a copy
# run with _?= does the work itself and reports its exit code, as that temporary copy does.
# _?= takes the rest of the command line unquoted, which wine's own quoting would break, so
# cmd passes it on.
cp "$install_dir/uninstall.exe" "$work/uninstall.exe"
uninstall_copy() {  # arguments before _?=
  run cmd /c "$(winepath -w "$work/uninstall.exe" 2>/dev/null) $* _?=$win_install_dir"
}
# The Screen Saver settings may spell the same file differently.
wine reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_EXPAND_SZ \
  /d '%SystemRoot%\SYSTEM32\Solvane.scr' /f >/dev/null 2>&1
uninstall_copy /S
check "uninstall /S succeeds" "0" "$status"
check "uninstall removes solvane.scr" "no" "$(exists "$system_scr")"
check "uninstall removes its folder" "no" "$(exists "$install_dir")"
check "uninstall removes the uninstall entry" "no" "$(key_exists "$uninstall_key")"
check "uninstall removes SCRNSAVE.EXE pointing at Solvane" "" "$(scrnsave)"
check "uninstall keeps the saved settings" "0x1" "$(reg_value "$settings_key" ShowFPS)"

# With nothing installed the uninstaller fails and touches nothing, not even a solvane.scr
# copied into the system folder by hand.
cp "$scr" "$system_scr"
uninstall_copy /S /REMOVESETTINGS
check "uninstall with nothing installed fails" "2" "$status"
check "it leaves a hand-copied solvane.scr" "yes" "$(exists "$system_scr")"
check "it leaves the saved settings" "0x1" "$(reg_value "$settings_key" ShowFPS)"
rm -f "$system_scr"

# An upgrade into another folder moves the uninstaller there. Another screensaver chosen
# after the install stays chosen; /REMOVESETTINGS removes the settings. This uninstaller runs
# through its temporary copy: wineserver -w (in run) waits for that too.
run "$setup" /S
run "$setup" /S /ACTIVATE '/D=C:\Solvane'
check "an upgrade into another folder succeeds" "0" "$status"
check "it moves the uninstaller" "no yes" \
  "$(exists "$install_dir") $(exists "$drive/Solvane/uninstall.exe")"
check "it records the new folder" 'C:\Solvane' "$(reg_value "$uninstall_key" InstallLocation)"
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other_scr" /f >/dev/null 2>&1
run "$drive/Solvane/uninstall.exe" /S /REMOVESETTINGS
check "the uninstaller returns at once with 0" "0" "$status"
check "uninstall /S /REMOVESETTINGS removes solvane.scr" "no" "$(exists "$system_scr")"
check "it removes the uninstaller's folder" "no" "$(exists "$drive/Solvane")"
check "it removes the uninstall entry" "no" "$(key_exists "$uninstall_key")"
check "it removes the saved settings" "no" "$(key_exists "$settings_key")"
check "it removes the empty publisher key" "no" "$(key_exists 'HKCU\Software\Kestrava')"
check "it keeps another screensaver chosen" "$other_scr" "$(scrnsave)"

# A screensaver that runs during an upgrade keeps its file: the new one waits beside it for the
# restart, and the installer says so with 3010 (194 in the 8 bits a Unix exit status keeps).
# An uninstall before that restart removes the waiting copy as well.
run "$setup" /S
wine 'C:\windows\system32\solvane.scr' /c >/dev/null 2>&1 &
dialog=$(wait_for_window "Solvane Screensaver Configuration")
check "the installed screensaver runs" "yes" "$(yes_no test -n "$dialog")"
wine "$setup" /S >/dev/null 2>&1
check "an upgrade over a running screensaver asks for a restart" "194" "$?"
check "the new copy waits beside the running one" "yes" \
  "$(yes_no cmp -s "$scr" "$system_scr.new")"
check "the restart puts it in place" 'yes' \
  "$(reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    PendingFileRenameOperations | grep -qF 'solvane.scr.new\0!\??\C:\windows\system32\solvane.scr' &&
    echo yes || echo no)"
wineserver -k
uninstall_copy /S
check "uninstall then succeeds" "0" "$status"
check "it removes the waiting copy" "no no" "$(exists "$system_scr") $(exists "$system_scr.new")"

report
