# shellcheck shell=bash
# A throwaway Wine prefix on a virtual X display for the Wine tests. Source it after
# script_checks.sh with the tools the test needs besides wine, Xvfb and xdpyinfo in
# $wine_tools; it sets $work (a temporary directory, removed at exit with the prefix), starts
# Xvfb and initialises a 64-bit prefix under $work/prefix.
for tool in wine wineserver Xvfb xdpyinfo ${wine_tools:-}; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-windows-deps.sh)"; exit 1; }
done

work=$(mktemp -d)
display=:$((500 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
wineboot -i >/dev/null 2>&1
wineserver -w
