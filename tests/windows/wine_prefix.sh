# shellcheck shell=bash
# A throwaway 64-bit Wine prefix under $work on a display of its own, for the Wine tests. Source
# it after script_checks.sh, with the tools the test needs besides wine in $wine_tools.
# shellcheck disable=SC2086 # the list of tools
need wine wineserver $wine_tools
start_xvfb 1024x768
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
at_exit() { wineserver -k >/dev/null 2>&1; }
wineboot -i >/dev/null 2>&1
wineserver -w
yes_no() { if "$@"; then echo yes; else echo no; fi; }
